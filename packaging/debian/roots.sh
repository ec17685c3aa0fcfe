# shellcheck shell=bash
# What the scripts that make fresh Debian roots with mmdebstrap share: where a root of
# either release (12 or 13) takes its packages from, a cache of the packages downloaded so
# far, and how mmdebstrap says that the mirror could not be reached. Sourced by
# scripts/package.sh and tests/package/*.sh.

# debian_codename N: the code name of Debian N (12 bookworm, 13 trixie); fails for others.
debian_codename() {
    case $1 in
        12) echo bookworm ;;
        13) echo trixie ;;
        *) return 1 ;;
    esac
}

# this_debian_release: the number of the Debian release this machine runs, or nothing.
this_debian_release() {
    (. /etc/os-release 2>/dev/null && [ "${ID:-}" = debian ] && echo "${VERSION_ID:-}")
}

# root_sources N: sets ROOT_SOURCES to what mmdebstrap is given for a root of Debian N: this
# machine's own apt sources when it runs that release (a local mirror or proxy it is set
# up with serves the root too), else the Debian mirror ($VARNOTH_DEBIAN_MIRROR and
# $VARNOTH_DEBIAN_SECURITY_MIRROR), with the release's updates and security suites.
root_sources() {
    local codename file mirror security
    codename=$(debian_codename "$1") || return 1
    ROOT_SOURCES=()
    if [ "$(this_debian_release)" = "$1" ]; then
        grep -qE '^[[:space:]]*deb[[:space:]]' /etc/apt/sources.list 2>/dev/null && ROOT_SOURCES+=(/etc/apt/sources.list)
        for file in /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
            [ -f "$file" ] && ROOT_SOURCES+=("$file")
        done
    fi
    if [ ${#ROOT_SOURCES[@]} -eq 0 ]; then
        mirror=${VARNOTH_DEBIAN_MIRROR:-http://deb.debian.org/debian}
        security=${VARNOTH_DEBIAN_SECURITY_MIRROR:-http://deb.debian.org/debian-security}
        ROOT_SOURCES=("deb $mirror $codename main" "deb $mirror $codename-updates main"
                      "deb $security $codename-security main")
    fi
}

# cache_options CACHE: sets CACHE_SEED to mmdebstrap's options that start a root's apt cache
# with the packages in the folder CACHE, and CACHE_KEEP to a hook that keeps there what the
# root has downloaded so far (given after the hooks that install), so that only what
# changed on the mirror is fetched again.
cache_options() {
    mkdir -p "$1"
    CACHE_SEED=(--skip=essential/unlink
                --setup-hook='mkdir -p "$1"/var/cache/apt/archives'
                --setup-hook="sync-in $(realpath "$1") /var/cache/apt/archives")
    CACHE_KEEP=(--customize-hook="sync-out /var/cache/apt/archives $(realpath "$1")")
}

# this_release_root CACHE: what a fresh root of this machine's release is made from: sets
# NUMBER (12 or 13) and CODENAME, ROOT_SOURCES and the CACHE_ options of the apt cache in
# the folder CACHE; fails on a system that is not Debian 12 or 13.
this_release_root() {
    NUMBER=$(this_debian_release)
    CODENAME=$(debian_codename "$NUMBER") || return 1
    root_sources "$NUMBER"
    cache_options "$1"
}

# mirror_unreachable LOG: true when mmdebstrap's log says the mirror could not be reached.
mirror_unreachable() {
    grep -qE 'Failed to fetch|Could not resolve|Temporary failure resolving|Unable to connect' "$1"
}

# can_make_roots: true where mmdebstrap can make a root: as root, or as a user with user
# namespaces (inside a container or a chroot there are often none to be had).
can_make_roots() {
    [ "$(id -u)" -eq 0 ] || unshare --user --map-root-user true 2>/dev/null
}
