#!/usr/bin/env bash
# The package's relations, proved on a clean system: mmdebstrap makes a fresh root (its
# minimal "apt" variant) of the Debian release the package is built for (its version ends
# in ~deb12 or ~deb13) — from the apt sources this machine is configured with when it runs
# that release, else from the Debian mirror ($VARNOTH_DEBIAN_MIRROR) —, `apt-get install
# ./varnoth_*.deb` installs the package there with whatever it asks for, and the game,
# started inside the root by name, must show its window, as wide as the face table says.
#
# The game uses the test's own X server (tests/support/testlib.sh) through the server's socket in
# the abstract namespace, which a root on the same machine shares, rather than an X server
# installed into the root: every package added to the root could bring in a library the
# game needs and hide a dependency the package forgot.
#
#   tests/package/fresh_root.sh DEB_DIR CACHE_DIR ARTIFACTS_DIR FACE_REGIONS
#
# DEB_DIR holds the one varnoth_*.deb to install; CACHE_DIR keeps the downloaded packages
# between runs. Exit 77 (skip) only where no root can be made here: mmdebstrap is not
# installed, a normal user has no user namespaces, or mmdebstrap could not fetch from the
# mirror. mmdebstrap failing otherwise fails the test.
set -u
self=$(cd "$(dirname "$0")" && pwd)/$(basename "$0")
. "$(dirname "$self")/../support/testlib.sh"

# --- Run by mmdebstrap's hooks, with the root's folder as the last argument -------------

# seed-cache CACHE ROOT: puts the packages downloaded by earlier runs where apt looks.
seed_cache() {
    mkdir -p "$2/var/cache/apt/archives"
    find "$1" -maxdepth 1 -name '*.deb' -exec cp -t "$2/var/cache/apt/archives" {} +
}

# install WORK DEB CACHE ROOT: installs the package as a user would, but without its
# Recommends, so that what it Depends on alone must start the game; then keeps what was
# downloaded.
install_package() {
    local work=$1 deb=$2 cache=$3 root=$4
    touch "$work/root-made"
    cp "$deb" "$root/tmp/"
    chroot "$root" sh -c 'cd /tmp && DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends ./varnoth_*.deb' \
        >"$work/apt.log" 2>&1 || { tail -n 30 "$work/apt.log"; fail "apt-get install ./varnoth_*.deb failed"; }
    find "$root/var/cache/apt/archives" -maxdepth 1 -name '*.deb' -exec cp -u -t "$cache" {} +
    chroot "$root" dpkg-query -W -f='${db:Status-Abbrev} ${Package} ${Version}\n' varnoth 'qt6-*' 'fonts-*' \
        | sed -n 's/^ii  */installed: /p'
    ! chroot "$root" dpkg-query -W -f='${Status}' qt6-translations-l10n 2>/dev/null | grep -q 'ok installed' \
        || fail "qt6-translations-l10n came with the package, which should not need it"
}

# play WORK DISPLAY ARTIFACTS ROOT: starts the game in the root and waits for its window.
play() {
    WORK=$1
    export DISPLAY=$2
    local artifacts=$3 root=$4 id size
    trap '[ -n "$GAME_PID" ] && kill "$GAME_PID" 2>/dev/null' EXIT
    mkdir -p -m 700 "$root/tmp/runtime"
    chroot "$root" /usr/bin/env -i PATH=/usr/local/bin:/usr/bin:/bin:/usr/local/games:/usr/games \
        HOME=/root LANG=C.UTF-8 XDG_RUNTIME_DIR=/tmp/runtime DISPLAY="$DISPLAY" varnoth >"$WORK/game.log" 2>&1 &
    GAME_PID=$!
    id=$(wait_window Varnoth 30) || fail "no window titled Varnoth appeared: $(cat "$WORK/game.log")"
    size=$(window_size "$id")
    [ "${size%x*}" = "$FACE_WIDTH" ] || fail "the window is $size, not $FACE_WIDTH wide"
    sleep 0.5
    mkdir -p "$artifacts"
    screenshot "$id" "$artifacts/fresh-root.png" && echo "screenshot: $artifacts/fresh-root.png"
    close_window "$id"
    wait_exit 15 || fail "the game did not exit after Alt+F4"
    # Closing saved the records: in the user's data folder for a copy installed with its
    # share/varnoth folder, beside the program otherwise.
    local records=$root/usr/games/dat.ini
    [ -d "$root/usr/share/varnoth" ] && records=$root/root/.local/share/varnoth/dat.ini
    [ -f "$records" ] || fail "closing the game left no records at ${records#"$root"}"
    echo "records: ${records#"$root"}"
}

case "${1:-}" in
seed-cache) seed_cache "$2" "$3"; exit ;;
install) install_package "$2" "$3" "$4" "$5"; exit ;;
play) . "$5"; play "$2" "$3" "$4" "$6"; exit ;;
esac

# --- The test -------------------------------------------------------------------------

debs=("$1"/varnoth_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "not one package in $1: ${debs[*]}"
deb=$(realpath "${debs[0]}")
cache=$(mkdir -p "$2" && realpath "$2")
artifacts=$(mkdir -p "$3" && realpath "$3")
regions=$(realpath "$4")
command -v mmdebstrap >/dev/null || skip "mmdebstrap is not installed (scripts/install-deps.sh suite installs it)"
number=$(dpkg-deb -f "$deb" Version | sed -n 's/.*~deb\([0-9]*\)$/\1/p')
case $number in
    12) release=bookworm ;;
    13) release=trixie ;;
    *) fail "the package's version $(dpkg-deb -f "$deb" Version) names no Debian release this test knows" ;;
esac
sources=()
if [ "$(. /etc/os-release && echo "${ID:-}${VERSION_ID:-}")" = "debian$number" ]; then
    grep -qE '^[[:space:]]*deb[[:space:]]' /etc/apt/sources.list 2>/dev/null && sources+=(/etc/apt/sources.list)
    for file in /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
        [ -f "$file" ] && sources+=("$file")
    done
fi
if [ ${#sources[@]} -eq 0 ]; then
    mirror=${VARNOTH_DEBIAN_MIRROR:-http://deb.debian.org/debian}
    security=${VARNOTH_DEBIAN_SECURITY_MIRROR:-http://deb.debian.org/debian-security}
    sources=("deb $mirror $release main" "deb $mirror $release-updates main" "deb $security $release-security main")
fi
# As a normal user, mmdebstrap makes the root in a user namespace of its own; inside a
# container or a chroot there is often none to be had. Root (or sudo) needs none.
[ "$(id -u)" -eq 0 ] || unshare --user --map-root-user true 2>/dev/null \
    || skip "a normal user without user namespaces (as in a container or a chroot) cannot make a root; run as root or with sudo"

xstart
hook() { printf '%q ' "$self" "$@"; printf '"$1"'; }
echo "making a fresh Debian $number root from ${sources[*]}"
timeout 900 mmdebstrap --variant=apt --mode=auto --skip=essential/unlink \
    --setup-hook="$(hook seed-cache "$cache")" \
    --customize-hook="$(hook install "$WORK" "$deb" "$cache")" \
    --customize-hook="$(hook play "$WORK" "$DISPLAY" "$artifacts" "$regions")" \
    "$release" /dev/null "${sources[@]}" >"$WORK/mmdebstrap.log" 2>&1
status=$?
grep -E '^(installed|screenshot|records): ' "$WORK/mmdebstrap.log"
if [ "$status" -ne 0 ]; then
    if [ ! -e "$WORK/root-made" ]; then
        grep -qE 'Failed to fetch|Could not resolve|Temporary failure resolving|Unable to connect' "$WORK/mmdebstrap.log" &&
            skip "no fresh Debian $number root: the mirror cannot be reached: $(tail -n 5 "$WORK/mmdebstrap.log")"
        fail "mmdebstrap could not make a fresh Debian $number root: $(tail -n 20 "$WORK/mmdebstrap.log")"
    fi
    grep -E '^FAIL: ' "$WORK/mmdebstrap.log" || tail -n 30 "$WORK/mmdebstrap.log"
    fail "the package did not install and start in the fresh root"
fi
echo "PASS: installed with apt into a fresh Debian $number root, started there, window shown and closed"
