#!/usr/bin/env bash
# Cross-builds Varnoth for 64-bit Windows into build-windows/ (or $BUILD_DIR): the one-file
# varnoth.exe and, unless -DVARNOTH_TESTS=OFF is given, the unit tests that need nothing of
# one system (CTest runs them under Wine). Builds the static Qt first if it is not in the
# cache (scripts/build-qt-windows.sh: long the first time, nothing afterwards). Any extra
# arguments go to CMake. On Debian 12 it runs in the cached Debian 13 root
# (scripts/on-debian13.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/on-debian13.sh"
on_debian13 "$0" -- "$@"
build=${BUILD_DIR:-$root/build-windows}
qt=$("$root/scripts/build-qt-windows.sh" | tail -n 1)
wine=$(command -v wine || true)
. "$root/scripts/launcher.sh"
use_compiler_launcher
# A build folder made against another Qt (its configure line changed) starts afresh: CMake
# keeps the toolchain file of its first run.
toolchain=$qt/lib/cmake/Qt6/qt.toolchain.cmake
if [ -f "$build/CMakeCache.txt" ] && ! grep -qxF "CMAKE_TOOLCHAIN_FILE:FILEPATH=$toolchain" "$build/CMakeCache.txt"; then
    rm -rf "$build/CMakeCache.txt" "$build/CMakeFiles"
fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_CROSSCOMPILING_EMULATOR="${wine:-wine}" \
    "${launcher_options[@]}" "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
