#!/usr/bin/env bash
# Start-up of the Windows build, under Wine: varnoth.exe as it is shipped against the floor
# with the same Chinese text (bench/floor, built with the same static Qt and the same size
# flags), both on one Xvfb display with openbox, in one Wine prefix whose server stays up
# between runs. Wine's figures are not Windows', but both programs pay Wine alike, so the
# ratio shows what the game adds to Qt. Prints the medians of RUNS interleaved runs (start
# to the first complete picture, and to window mapped), their ratios, and the sizes of the
# two .exe files.
#
#   bench/windows.sh [RUNS]      (default 11)
# The Windows files are built on Debian 13: elsewhere this runs in its cached root
# (scripts/on-debian13.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-11}
out=$root/build-bench/windows
"$root/scripts/install-deps.sh" test
. "$root/scripts/on-debian13.sh"
on_debian13 "$0" -- "$@"
mkdir -p "$out"

# The game exactly as shipped, and the floor built the same way with the same Qt.
"$root/scripts/package-windows.sh" "$out/dist" >/dev/null
qt=$("$root/scripts/build-qt-windows.sh" | tail -n 1)
cmake -S "$root/bench/floor" -B "$out/floor" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    "-DCMAKE_CXX_FLAGS=-ffunction-sections -fdata-sections" "-DCMAKE_EXE_LINKER_FLAGS=-Wl,--gc-sections -static" \
    >/dev/null
cmake --build "$out/floor" >/dev/null
x86_64-w64-mingw32-strip -o "$out/floor.exe" "$out/floor/floor.exe"

. "$root/bench/lib.sh"
build_mapwait "$out"
bench_desktop
export WINEPREFIX=$WORK/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null; xcleanup' EXIT
wineboot --init >/dev/null 2>&1
wineserver -w
# One server for all the runs, as on a desktop where Wine is already up.
wineserver -p

exes=("$out/dist/varnoth.exe" "$out/floor.exe")
titles=(Varnoth Floor)
args=("" --chinese)
declare -A starts pictures
echo "Measuring ($runs runs each, after one of each to warm up)..." >&2
for i in $(seq 0 "$runs"); do
    for k in 0 1; do
        LAUNCHER=wine launch "$MAPWAIT" "${exes[k]}" "${titles[k]}" "${args[k]}"
        sleep 0.5
        quit
        [ "$i" -gt 0 ] && starts[$k]+="$START_MS"$'\n' && pictures[$k]+="$PICTURE_MS"$'\n'
    done
done
game=$(printf '%s' "${starts[0]}" | median)
floor=$(printf '%s' "${starts[1]}" | median)
game_picture=$(printf '%s' "${pictures[0]}" | median)
floor_picture=$(printf '%s' "${pictures[1]}" | median)

echo
row "measure (median of $runs runs, Wine)" varnoth "floor + text" ratio
row "$(printf -- '-%.0s' {1..36})" "$(printf -- '-%.0s' {1..14})" "$(printf -- '-%.0s' {1..14})" "$(printf -- '-%.0s' {1..14})"
row "start to first complete picture" "$game_picture ms" "$floor_picture ms" "$(ratio "$game_picture" "$floor_picture")"
row "start to window mapped" "$game ms" "$floor ms" "$(ratio "$game" "$floor")"
row "size of the .exe, stripped" "$(stat -c %s "${exes[0]}") B" "$(stat -c %s "${exes[1]}") B" \
    "$(ratio "$(stat -c %s "${exes[0]}")" "$(stat -c %s "${exes[1]}")")"
echo
echo "floor + text: bench/floor --chinese, built with the same static Qt for Windows."
