# shellcheck shell=bash
# What every script that makes Debian roots with mmdebstrap shares, whether the root is
# thrown away after one use (scripts/package.sh, tests/package/*.sh) or kept in the
# machine-wide cache (scripts/debian-root.sh): the releases it knows (12, 13 and unstable),
# where a root of each takes its packages from and what apt is told there, a cache of the
# packages downloaded so far, and how mmdebstrap says that the mirror could not be reached.

# debian_codename RELEASE: the code name of Debian RELEASE (12 bookworm, 13 trixie,
# unstable sid); fails for others.
debian_codename() {
    case $1 in
        12) echo bookworm ;;
        13) echo trixie ;;
        unstable) echo sid ;;
        *) return 1 ;;
    esac
}

# this_debian_release: the Debian release this machine runs (12, 13, or unstable: a Debian
# whose os-release names no version, as unstable's and testing's do), or nothing.
this_debian_release() {
    (. /etc/os-release 2>/dev/null && [ "${ID:-}" = debian ] && echo "${VERSION_ID:-unstable}")
}

# root_sources RELEASE: sets ROOT_SOURCES to what mmdebstrap is given for a root of Debian
# RELEASE: this machine's own apt sources when it runs that release (a local mirror or
# proxy it is set up with serves the root too), else the Debian mirror
# ($VARNOTH_DEBIAN_MIRROR and $VARNOTH_DEBIAN_SECURITY_MIRROR): a stable release with its
# updates and security suites, unstable alone. Sets ROOT_OPTIONS to what mmdebstrap is told
# besides, for the root's apt as well: unstable's index is signed for a week and may be
# served past its Valid-Until (a mirror that is not kept up to the hour), which is no
# reason to refuse it.
root_sources() {
    local codename file mirror security
    codename=$(debian_codename "$1") || return 1
    ROOT_SOURCES=()
    ROOT_OPTIONS=()
    [ "$1" = unstable ] && ROOT_OPTIONS=(--aptopt='Acquire::Check-Valid-Until "false"')
    if [ "$(this_debian_release)" = "$1" ]; then
        grep -qE '^[[:space:]]*deb[[:space:]]' /etc/apt/sources.list 2>/dev/null && ROOT_SOURCES+=(/etc/apt/sources.list)
        for file in /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
            [ -f "$file" ] && ROOT_SOURCES+=("$file")
        done
    fi
    if [ ${#ROOT_SOURCES[@]} -eq 0 ]; then
        mirror=${VARNOTH_DEBIAN_MIRROR:-http://deb.debian.org/debian}
        security=${VARNOTH_DEBIAN_SECURITY_MIRROR:-http://deb.debian.org/debian-security}
        if [ "$1" = unstable ]; then
            ROOT_SOURCES=("deb $mirror $codename main")
        else
            ROOT_SOURCES=("deb $mirror $codename main" "deb $mirror $codename-updates main"
                          "deb $security $codename-security main")
        fi
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

# release_root RELEASE CACHE: what a fresh root of Debian RELEASE is made from: sets NUMBER
# (the release) and CODENAME, ROOT_SOURCES and ROOT_OPTIONS, and the CACHE_ options of
# the apt cache in the folder CACHE; fails for a release it does not know.
release_root() {
    NUMBER=$1
    CODENAME=$(debian_codename "$NUMBER") || return 1
    root_sources "$NUMBER"
    cache_options "$2"
}

# this_release_root CACHE: release_root for the release this machine runs; fails on a system
# that is not Debian 12, 13 or unstable.
this_release_root() { release_root "$(this_debian_release)" "$1"; }

# mirror_unreachable LOG: true when mmdebstrap's log says the mirror could not be reached.
mirror_unreachable() {
    grep -qE 'Failed to fetch|Could not resolve|Temporary failure resolving|Unable to connect' "$1"
}

# can_make_roots: true where mmdebstrap can make a root: as root, or as a user with user
# namespaces (inside a container or a chroot there are often none to be had).
can_make_roots() {
    [ "$(id -u)" -eq 0 ] || unshare --user --map-root-user true 2>/dev/null
}
