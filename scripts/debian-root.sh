#!/usr/bin/env bash
# A Debian root of a release (12, 13 or unstable) with everything the test command uses
# there (scripts/install-deps.sh run inside it: on 12 and 13 its "test" packages, which on
# 13 include what builds and runs the Windows files; on unstable its "suite"), made once
# with mmdebstrap and kept in a machine-wide cache; and a way to run a command in it.
#
#   debian-root.sh RELEASE            make the root if not cached; print its folder
#   debian-root.sh RELEASE --check    print its folder and exit 0 if cached, exit 1 if not
#   debian-root.sh RELEASE --key      print the cache key and what it is made of
#   debian-root.sh RELEASE run [--bind DIR]... [--] COMMAND [ARG]...
#       runs COMMAND as root inside the root, making the root first if need be, and exits
#       with its status. The cached root is never written: the command sees a writable
#       overlay of it that is thrown away afterwards. This repository (and each --bind DIR)
#       is bound at its own path, read-write; the command starts in the current folder
#       when that is inside one of them, else in /. /proc, /sys, /dev, a fresh /dev/shm and
#       a fresh /tmp are mounted; the network and the X servers' abstract sockets are the
#       machine's. The command runs in a PID namespace of its own: whatever it leaves
#       running is ended with it. Its environment is PATH, HOME=/root, LANG=C.UTF-8, TERM,
#       CI and the VARNOTH_* variables of the caller. A folder that is bound and does not
#       exist is made; run through sudo, what the command leaves in the bound folders is
#       given back to the user who called sudo.
# RELEASE is 12, 13 or unstable. Where its packages come from, and what apt is told there
# (unstable's index may be past its Valid-Until), is packaging/debian/roots.sh's, which the
# package tests' fresh roots share. Exits 3 when the root is not cached and cannot be made
# for want of a way to the Debian mirror ($VARNOTH_DEBIAN_MIRROR, default
# http://deb.debian.org/debian).
#
# The cache key is a hash of the release, the list of packages and the recipe below; a
# change in either makes a new root beside the old. The stamp file is written last, so a
# root cut short is made again from the start; two runs at once wait for each other.
# The cache is /var/cache/varnoth/debian-root (or $VARNOTH_ROOT_CACHE). Needs root (uses
# sudo otherwise), mmdebstrap and the Debian archive keyring.
set -euo pipefail
self=$(cd "$(dirname "$0")" && pwd)/$(basename "$0")
repo=$(cd "$(dirname "$self")/.." && pwd)
log() { echo "debian-root: $*" >&2; }

# --- Inside the new namespaces (run re-enters here through unshare) ----------------------

# enter MERGED_PARENT LOWER CWD BINDS... -- COMMAND...: as process 1 of a PID namespace in
# a mount namespace of its own, mounts the overlay and the system folders, and runs the
# command in the root; stays process 1 (a shell reaps every orphan, as an init must) and
# exits with the command's status.
enter() {
    local top=$1 lower=$2 cwd=$3 binds=() dir
    shift 3
    while [ "$1" != -- ]; do binds+=("$1"); shift; done
    shift
    local root=$top/merged
    mkdir -p "$top/upper" "$top/work" "$root"
    mount -t overlay overlay -o "lowerdir=$lower,upperdir=$top/upper,workdir=$top/work" "$root"
    mount -t proc proc "$root/proc"
    mount --rbind /sys "$root/sys"
    mount --rbind /dev "$root/dev"
    mount -t tmpfs -o mode=1777,nosuid,nodev shm "$root/dev/shm"
    mount -t tmpfs -o mode=1777,nosuid,nodev tmp "$root/tmp"
    cp -L /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
    for dir in "${binds[@]}"; do
        mkdir -p "$root$dir"
        mount --bind "$dir" "$root$dir"
    done
    local environment=(PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root
                       LANG=C.UTF-8 TERM="${TERM:-dumb}")
    [ -n "${CI:-}" ] && environment+=(CI="$CI")
    while IFS= read -r variable; do environment+=("$variable"); done < <(env | grep '^VARNOTH_' || true)
    chroot "$root" /usr/bin/env -i "${environment[@]}" sh -c 'cd "$1" && shift && exec "$@"' sh "$cwd" "$@" &
    wait $!
}

if [ "${1:-}" = __enter ]; then
    shift
    enter "$@"
    exit
fi

# --- The root ---------------------------------------------------------------------------

number=${1:-}
shift || true
usage="usage: $0 12|13|unstable [--check|--key|run [--bind DIR]... [--] COMMAND...]"
. "$repo/packaging/debian/roots.sh"
release=$(debian_codename "$number") || { echo "$usage" >&2; exit 2; }
mode=${1:-build}
case $mode in
    build | --check | --key) ;;
    run) shift ;;
    *) echo "$usage" >&2; exit 2 ;;
esac

if [ "$(id -u)" -ne 0 ] && [ "$mode" != --key ]; then
    command -v sudo >/dev/null || { log "needs root (or sudo) to make and enter a root"; exit 1; }
    exec sudo --preserve-env=CI,TERM "$self" "$number" "$mode" "$@"
fi

root_sources "$number"
# What the root holds: on unstable, where no Windows files are built, the Linux suite.
purpose=test
[ "$number" = unstable ] && purpose=suite
# The recipe: what mmdebstrap is asked for. A change here makes a new root.
mmdebstrap_args=(--variant=apt --mode=root --format=directory "${ROOT_OPTIONS[@]}")
if [ "$number" = unstable ]; then
    suites="Debian unstable ($release)"
else
    suites="Debian $number ($release), updates and security"
fi
key_text="$suites
packages (install-deps.sh $purpose): $("$repo/scripts/install-deps.sh" --list $purpose "$number" | tr '\n' ' ')
mmdebstrap ${mmdebstrap_args[*]}"
key=$(printf '%s' "$key_text" | sha256sum | cut -c1-16)
if [ "$mode" = --key ]; then printf '%s\n%s\n' "$key" "$key_text"; exit 0; fi

cache=${VARNOTH_ROOT_CACHE:-/var/cache/varnoth/debian-root}
mkdir -p "$cache"
folder=$cache/$key
stamp=$folder/.varnoth-complete

# make_root: mmdebstrap makes the root in a folder of its own work, the repository's
# install-deps.sh installs the test command's packages inside it, and only a finished root is
# moved into place.
make_root() {
    local start=$SECONDS work=$cache/$key.work
    for tool in mmdebstrap chroot unshare; do
        command -v "$tool" >/dev/null || { log "$tool is missing: run scripts/install-deps.sh test"; exit 1; }
    done
    [ -f /usr/share/keyrings/debian-archive-keyring.gpg ] ||
        { log "the Debian archive keyring is missing: run scripts/install-deps.sh test"; exit 1; }
    log "making a Debian $number root into $folder (key $key); this takes a while the first time"
    rm -rf "$work" "$folder"
    mkdir -p "$work"
    cp "$repo/scripts/install-deps.sh" "$work/install-deps.sh"
    # The sources a system of that release has (roots.sh), written into the root as well.
    if ! mmdebstrap "${mmdebstrap_args[@]}" \
        --customize-hook="cp '$work/install-deps.sh' \"\$1/tmp/\" && chroot \"\$1\" bash /tmp/install-deps.sh $purpose && rm \"\$1/tmp/install-deps.sh\"" \
        "$release" "$work/root" "${ROOT_SOURCES[@]}" >"$work/mmdebstrap.log" 2>&1; then
        tail -n 30 "$work/mmdebstrap.log" >&2
        if mirror_unreachable "$work/mmdebstrap.log"; then
            log "cannot reach the Debian mirror (${ROOT_SOURCES[*]})"
            exit 3
        fi
        log "mmdebstrap failed; see $work/mmdebstrap.log"
        exit 1
    fi
    mkdir -p "$folder"
    mv "$work/root" "$folder/root"
    printf '%s\n' "$key_text" >"$folder/varnoth-root.txt"
    printf 'Debian %s root made in %d s\n' "$number" $((SECONDS - start)) >"$stamp.tmp"
    mv "$stamp.tmp" "$stamp"
    rm -rf "$work"
    log "done in $((SECONDS - start)) s: $(du -sh "$folder" | cut -f1)"
}

if [ ! -f "$stamp" ]; then
    [ "$mode" = --check ] && exit 1
    exec 9>"$cache/$key.lock"
    if ! flock -n 9; then
        log "another run is making this root; waiting for it"
        flock 9
    fi
    [ -f "$stamp" ] || make_root
    exec 9>&-
fi
if [ "$mode" != run ]; then echo "$folder/root"; exit 0; fi

# --- Running a command in it --------------------------------------------------------------

binds=("$repo")
while [ $# -gt 0 ]; do
    case $1 in
        --bind) mkdir -p "$2" && binds+=("$(realpath "$2")"); shift 2 ;;
        --) shift; break ;;
        *) break ;;
    esac
done
[ $# -gt 0 ] || { log "run: no command given"; exit 2; }
cwd=/
for dir in "${binds[@]}"; do
    case $PWD/ in "$dir"/*) cwd=$PWD ;; esac
done
top=$(mktemp -d /var/tmp/varnoth-root.XXXXXX)
trap 'rm -rf "$top"' EXIT
status=0
unshare --mount --pid --kill-child --propagation private \
    "$self" __enter "$top" "$folder/root" "$cwd" "${binds[@]}" -- "$@" || status=$?
# Files the command made as root in the caller's folders are the caller's again.
if [ -n "${SUDO_UID:-}" ] && [ "$SUDO_UID" != 0 ]; then
    for dir in "${binds[@]}"; do
        [ "$(stat -c %u "$dir")" = "$SUDO_UID" ] && find "$dir" -xdev -uid 0 -exec chown -h "$SUDO_UID:$SUDO_GID" {} +
    done
fi
exit "$status"
