# Sourced by the scripts that build or run the Windows files or the web page. Those are
# built on Debian 13 alone, from its qt6-base source (Qt 6.8, the long-term release) with its
# Qt host tools and MinGW-w64 or emscripten, so that every host gives the same varnoth.exe
# and the same page. On Debian 13 `on_debian13`
# returns and the script goes on; on any other system it runs the script again, with the
# same arguments, in the cached Debian 13 root (scripts/debian-root.sh: made the first time,
# with sudo when not root), with the Qt cache and the given folders bound in, and exits
# with the script's status (3 when the root is not cached and the mirror cannot be reached).
# BUILD_DIR, where the script reads it, goes along, its folder bound in too.
#
#   on_debian13 SCRIPT [FOLDER...] -- [ARG...]

on_debian13() {
    local script=$1 binds=() variables=() repo
    shift
    while [ "$1" != -- ]; do binds+=(--bind "$1"); shift; done
    shift
    if [ -n "${BUILD_DIR:-}" ]; then
        binds+=(--bind "$BUILD_DIR")
        variables+=("BUILD_DIR=$(realpath -m "$BUILD_DIR")")
    fi
    [ "$(. /etc/os-release 2>/dev/null && echo "${VERSION_ID:-}")" = 13 ] && return 0
    repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
    echo "$(basename "$script"): built on Debian 13: running in its cached root" >&2
    exec "$repo/scripts/debian-root.sh" 13 run --bind "${VARNOTH_QT_CACHE:-/var/cache/varnoth/qt-windows}" \
        "${binds[@]}" -- env "${variables[@]}" bash "$script" "$@"
}
