#!/usr/bin/env bash
# What bench/web.sh compares the page with, built where the page is (Debian 13; on Debian 12
# in its cached root): the floor as a page of its own (bench/floor with the Chinese text, in
# the game page's fonts), and the game linked without asyncify and with JSPI instead.
#
#   bench/web-builds.sh WORK_DIR GAME_PAGE_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(realpath -m "$1")
game=$(realpath "$2")
. "$root/scripts/on-debian13.sh"
on_debian13 "$0" "$work" "$game" "${VARNOTH_QT_WEB_CACHE:-/var/cache/varnoth/qt-web}" -- "$work" "$game"
qt=$("$root/scripts/build-qt-web.sh" | tail -n 1)
export EMSDK=$qt/emsdk
cmake -S "$root/bench/floor" -B "$work/floor-build" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >/dev/null
cmake --build "$work/floor-build" >/dev/null
rm -rf "$work/floor"
mkdir -p "$work/floor"
cp -r "$game/fonts" "$game/qtloader.js" "$work/floor/"
cp "$work/floor-build/floor.js" "$work/floor-build/floor.wasm" "$work/floor/"
sed -e 's/window\.varnoth_entry/window.floor_entry/' -e 's/src="varnoth\.js"/src="floor.js"/' \
    -e "s/^\( *\)qt: {/\1arguments: ['--chinese'],\n\1qt: {/" "$game/index.html" >"$work/floor/index.html"
for loops in none jspi; do
    BUILD_DIR=$work/game-$loops "$root/scripts/build-web.sh" -DVARNOTH_WEB_NESTED_LOOPS=$loops >/dev/null
    rm -rf "$work/game-$loops-page"
    cp -r "$game" "$work/game-$loops-page"
    cp "$work/game-$loops/varnoth.js" "$work/game-$loops/varnoth.wasm" "$work/game-$loops-page/"
done
