#!/usr/bin/env bash
# Paired runs: two builds of the game (before and after a change) started alternately, in
# a random order within each pair, under the same desktop as bench/run.sh, so that whatever
# else the machine does weighs on both alike. Prints, for the first complete picture and
# for the window mapped, each build's median and the median of the pairs' differences
# (B - A), with how many pairs B won.
#
#   bench/paired.sh A_EXE B_EXE [PAIRS]      (default 31)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[ $# -ge 2 ] || { echo "usage: bench/paired.sh A_EXE B_EXE [PAIRS]" >&2; exit 2; }
exes=("$(realpath "$1")" "$(realpath "$2")")
pairs=${3:-31}

. "$root/bench/lib.sh"
build_mapwait "$root/build-bench"
bench_desktop

pictures=("" "") starts=("" "") picture_diffs="" start_diffs=""
for _ in $(seq "$pairs"); do
    picture=() start=()
    for k in $(printf '0\n1\n' | shuf); do
        launch "$MAPWAIT" "${exes[k]}" Varnoth
        picture[k]=$PICTURE_MS start[k]=$START_MS
        sleep 0.3
        quit
    done
    for k in 0 1; do
        pictures[k]+="${picture[k]}"$'\n'
        starts[k]+="${start[k]}"$'\n'
    done
    picture_diffs+="$(awk -v a="${picture[0]}" -v b="${picture[1]}" 'BEGIN {print b - a}')"$'\n'
    start_diffs+="$(awk -v a="${start[0]}" -v b="${start[1]}" 'BEGIN {print b - a}')"$'\n'
done

# report NAME A_VALUES B_VALUES DIFFERENCES
report() {
    printf '%-26s A %6s ms   B %6s ms   B - A, median of %s pairs: %6s ms   B faster in %s\n' "$1" \
        "$(printf '%s' "$2" | median)" "$(printf '%s' "$3" | median)" "$pairs" \
        "$(printf '%s' "$4" | median)" "$(printf '%s' "$4" | awk '$1 < 0 {n++} END {print n + 0}')"
}
echo "A: ${exes[0]}"
echo "B: ${exes[1]}"
report "first complete picture" "${pictures[0]}" "${pictures[1]}" "$picture_diffs"
report "window mapped" "${starts[0]}" "${starts[1]}" "$start_diffs"
