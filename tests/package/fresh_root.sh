#!/usr/bin/env bash
# The package's relations, proved on a clean system: mmdebstrap makes a fresh root (its
# minimal "apt" variant) of this machine's Debian release (packaging/debian/roots.sh says
# from which sources), `apt-get install ./varnoth_*.deb` installs the package there with
# whatever it asks for, and the game, started inside the root by name, must show its
# window, as wide as the face table says, and keep its records in the player's folder.
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

# install WORK DEB ROOT: installs the package as a user would, but without its
# Recommends, so that what it Depends on alone must start the game.
install_package() {
    local work=$1 deb=$2 root=$3
    touch "$work/root-made"
    cp "$deb" "$root/tmp/"
    chroot "$root" sh -c 'cd /tmp && DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends ./varnoth_*.deb' \
        >"$work/apt.log" 2>&1 || { tail -n 30 "$work/apt.log"; fail "apt-get install ./varnoth_*.deb failed"; }
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
install) install_package "$2" "$3" "$4"; exit ;;
play) . "$5"; play "$2" "$3" "$4" "$6"; exit ;;
esac

# --- The test -------------------------------------------------------------------------

packages_built "$1"
debs=("$1"/varnoth_*.deb)
[ ${#debs[@]} -eq 1 ] || fail "not one package in $1: ${debs[*]}"
deb=$(realpath "${debs[0]}")
cache=$(mkdir -p "$2" && realpath "$2")
artifacts=$(mkdir -p "$3" && realpath "$3")
regions=$(realpath "$4")
command -v mmdebstrap >/dev/null || skip "mmdebstrap is not installed (scripts/install-deps.sh suite installs it)"
. "$(dirname "$self")/../../packaging/debian/roots.sh"
this_release_root "$cache" || fail "this machine runs no Debian release this test knows"
number=$NUMBER release=$CODENAME
can_make_roots || skip "a normal user without user namespaces (as in a container or a chroot) cannot make a root; run as root or with sudo"

xstart
hook() { printf '%q ' "$self" "$@"; printf '"$1"'; }
echo "making a fresh Debian $number root from ${ROOT_SOURCES[*]}"
timeout 900 mmdebstrap --variant=apt --mode=auto "${CACHE_SEED[@]}" \
    --customize-hook="$(hook install "$WORK" "$deb")" "${CACHE_KEEP[@]}" \
    --customize-hook="$(hook play "$WORK" "$DISPLAY" "$artifacts" "$regions")" \
    "$release" /dev/null "${ROOT_SOURCES[@]}" >"$WORK/mmdebstrap.log" 2>&1
status=$?
grep -E '^(installed|screenshot|records): ' "$WORK/mmdebstrap.log"
if [ "$status" -ne 0 ]; then
    if [ ! -e "$WORK/root-made" ]; then
        mirror_unreachable "$WORK/mmdebstrap.log" &&
            skip "no fresh Debian $number root: the mirror cannot be reached: $(tail -n 5 "$WORK/mmdebstrap.log")"
        fail "mmdebstrap could not make a fresh Debian $number root: $(tail -n 20 "$WORK/mmdebstrap.log")"
    fi
    grep -E '^FAIL: ' "$WORK/mmdebstrap.log" || tail -n 30 "$WORK/mmdebstrap.log"
    fail "the package did not install and start in the fresh root"
fi
echo "PASS: installed with apt into a fresh Debian $number root, started there, window shown and closed"
