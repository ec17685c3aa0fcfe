#!/usr/bin/env bash
# Builds Varnoth for the web into build-web/ (or $BUILD_DIR): varnoth.js and varnoth.wasm,
# the whole game, and qtloader.js, Qt's loader, which scripts/package-web.sh lays out as
# a page with its fonts. Builds the static Qt first if it is not in the cache
# (scripts/build-qt-web.sh: long the first time, nothing afterwards). Any extra arguments go
# to CMake. On Debian 12 it runs in the cached Debian 13 root (scripts/on-debian13.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/on-debian13.sh"
on_debian13 "$0" "${VARNOTH_QT_WEB_CACHE:-/var/cache/varnoth/qt-web}" -- "$@"
build=${BUILD_DIR:-$root/build-web}
qt=$("$root/scripts/build-qt-web.sh" | tail -n 1)
# Qt's toolchain file finds emscripten's through the stand-in emsdk beside that Qt.
export EMSDK=$qt/emsdk
# A build folder made against another Qt starts afresh: CMake keeps the toolchain file of
# its first run.
toolchain=$qt/lib/cmake/Qt6/qt.toolchain.cmake
if [ -f "$build/CMakeCache.txt" ] && ! grep -qxF "CMAKE_TOOLCHAIN_FILE:FILEPATH=$toolchain" "$build/CMakeCache.txt"; then
    rm -rf "$build/CMakeCache.txt" "$build/CMakeFiles"
fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel -DVARNOTH_TESTS=OFF \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
