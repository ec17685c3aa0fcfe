#!/usr/bin/env bash
# Measures Varnoth against the floor of a bare Qt Widgets window, both under Xvfb with
# openbox: start to window mapped and close request to process exit (medians of RUNS
# runs; the game's close includes saving dat.ini), peak resident memory, and CPU used
# over 10 s by the idle window and by a game whose countdown runs.
#
#   bench/run.sh [RUNS]      (default 11)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-11}
"$root/scripts/install-deps.sh" test
"$root/scripts/build.sh" >/dev/null
cmake -S "$root/bench/floor" -B "$root/build-bench" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build-bench" >/dev/null
cc -O2 -Wall -o "$root/build-bench/mapwait" "$root/bench/mapwait.c" -lX11

. "$root/tests/support/testlib.sh"
# xstart gives all three programs a session bus, as every desktop has. Without one, each Qt
# program launches a bus of its own through X when it first asks for accessibility, and a
# window that sets accessible names before it shows pays for that before it maps.
xstart
set +u
ticks_per_second=$(getconf CLK_TCK)

now_ms() { echo $(($(date +%s%N) / 1000000)); }

median() { sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

# launch EXE TITLE [ARG]: starts the program in its own empty directory; sets PID, WIN, START_MS.
launch() {
    local dir="$WORK/run-$RANDOM" result
    mkdir -p "$dir"
    cp "$1" "$dir/"
    result=$(cd "$dir" && "$root/build-bench/mapwait" "$2" "./$(basename "$1")" ${3:+"$3"})
    START_MS=${result% *}
    PID=${result#* }
    WIN=$(xdotool search --onlyvisible --name "^$2\$" | head -n 1)
}

# quit: Alt+F4 to the active window; sets CLOSE_MS, the time until the process has ended.
quit() {
    xdotool windowactivate --sync "$WIN" >/dev/null 2>&1 || true
    sleep 0.2
    local t0
    t0=$(now_ms)
    xdotool key alt+F4
    # The program is mapwait's child, so it stays a zombie once it has ended: watch its state.
    while [ -e "/proc/$PID" ] && [ "$(awk '{print $3}' "/proc/$PID/stat" 2>/dev/null)" != Z ]; do sleep 0.002; done
    CLOSE_MS=$(($(now_ms) - t0))
}

peak_kib() { awk '/VmHWM/ {print $2}' "/proc/$1/status"; }
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# cpu_over PID SECONDS: CPU time used in that many seconds, in milliseconds.
cpu_over() {
    local before after
    before=$(cpu_ticks "$1")
    sleep "$2"
    after=$(cpu_ticks "$1")
    echo $(((after - before) * 1000 / ticks_per_second))
}

# The three programs: the game, the floor, and the floor with Chinese text.
names=(game floor text)
exes=("$root/build/varnoth" "$root/build-bench/floor" "$root/build-bench/floor")
titles=(Varnoth Floor Floor)
args=("" "" --chinese)
declare -A starts closes rss

# The runs are interleaved (game, floor, text, game, ...) so that whatever else the
# machine does at the time weighs on all three alike.
echo "Measuring ($runs runs each)..." >&2
for i in $(seq "$runs"); do
    for k in 0 1 2; do
        launch "${exes[k]}" "${titles[k]}" "${args[k]}"
        starts[${names[k]}]+="$START_MS"$'\n'
        sleep 0.5
        rss[${names[k]}]+="$(peak_kib "$PID")"$'\n'
        quit
        closes[${names[k]}]+="$CLOSE_MS"$'\n'
    done
done
for k in 0 1 2; do
    name=${names[k]}
    printf -v "${name}_start" '%s' "$(printf '%s' "${starts[$name]}" | median)"
    printf -v "${name}_close" '%s' "$(printf '%s' "${closes[$name]}" | median)"
    printf -v "${name}_rss" '%s' "$(printf '%s' "${rss[$name]}" | median)"
    launch "${exes[k]}" "${titles[k]}" "${args[k]}"
    sleep 1
    printf -v "${name}_idle" '%s' "$(cpu_over "$PID" 10)"
    if [ "$name" = game ]; then
        choose_menu "$WIN" 1   # 开始解锁: the countdown runs
        game_countdown=$(cpu_over "$PID" 10)
    fi
    quit
done

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }
row() { printf '| %-36s | %11s | %11s | %6s | %14s |\n' "$@"; }
echo
row "measure (median of $runs runs)" varnoth floor ratio "floor + text"
row "$(printf -- '-%.0s' {1..36})" "$(printf -- '-%.0s' {1..11})" "$(printf -- '-%.0s' {1..11})" "------" "$(printf -- '-%.0s' {1..14})"
row "start to window mapped" "$game_start ms" "$floor_start ms" "$(ratio "$game_start" "$floor_start")" "$text_start ms"
row "close request to exit (game: saves)" "$game_close ms" "$floor_close ms" "$(ratio "$game_close" "$floor_close")" "$text_close ms"
row "peak resident memory" "$game_rss KiB" "$floor_rss KiB" "$(ratio "$game_rss" "$floor_rss")" "$text_rss KiB"
row "CPU over 10 s, idle window" "$game_idle ms" "$floor_idle ms" "-" "$text_idle ms"
row "CPU over 10 s, countdown running" "$game_countdown ms" "-" "-" "-"
echo
echo "floor + text: the floor window with two lines of Chinese in the game's fonts."
