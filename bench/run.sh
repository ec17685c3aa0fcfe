#!/usr/bin/env bash
# Measures Varnoth against the floor of a bare Qt Widgets window, both under Xvfb with
# openbox: start to the window's first complete picture (its pixels then stay the same
# while the program is idle), start to window mapped, and close request to process exit
# (medians of RUNS runs; the game's close includes saving dat.ini), peak resident memory, and CPU used
# over 10 s by the idle window and by a game whose countdown runs. The peers, when they are
# installed (Debian's sgt-puzzles and gnome-mastermind), are timed in the same runs.
#
#   bench/run.sh [RUNS]      (default 11)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-11}
"$root/scripts/install-deps.sh" test
"$root/scripts/build.sh" >/dev/null
cmake -S "$root/bench/floor" -B "$root/build-bench" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build-bench" >/dev/null

. "$root/bench/lib.sh"
build_mapwait "$root/build-bench"
bench_desktop
ticks_per_second=$(getconf CLK_TCK)

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
declare -A starts pictures closes rss
# Other code-guessing games, started the same way, when installed.
peers=()
for peer in "/usr/games/sgt-guess|Guess" "/usr/games/gnome-mastermind|GNOME Mastermind"; do
    [ -x "${peer%%|*}" ] && peers+=("$peer")
done

# The runs are interleaved, so that whatever else the machine does at the time weighs on all
# programs alike, each run in an order of its own, so that no program always follows the
# same one.
echo "Measuring ($runs runs each)..." >&2
programs=(0 1 2 "${peers[@]}")
for i in $(seq "$runs"); do
    while read -r program; do
        if [[ $program == [012] ]]; then
            k=$program
            launch "$MAPWAIT" "${exes[k]}" "${titles[k]}" "${args[k]}"
            starts[${names[k]}]+="$START_MS"$'\n'
            pictures[${names[k]}]+="$PICTURE_MS"$'\n'
            sleep 0.5
            rss[${names[k]}]+="$(peak_kib "$PID")"$'\n'
            quit
            closes[${names[k]}]+="$CLOSE_MS"$'\n'
        else
            launch "$MAPWAIT" "${program%%|*}" "${program#*|}"
            starts[$program]+="$START_MS"$'\n'
            pictures[$program]+="$PICTURE_MS"$'\n'
            sleep 0.5
            quit
        fi
    done < <(printf '%s\n' "${programs[@]}" | shuf)
done
for k in 0 1 2; do
    name=${names[k]}
    printf -v "${name}_start" '%s' "$(printf '%s' "${starts[$name]}" | median)"
    printf -v "${name}_picture" '%s' "$(printf '%s' "${pictures[$name]}" | median)"
    printf -v "${name}_close" '%s' "$(printf '%s' "${closes[$name]}" | median)"
    printf -v "${name}_rss" '%s' "$(printf '%s' "${rss[$name]}" | median)"
    launch "$MAPWAIT" "${exes[k]}" "${titles[k]}" "${args[k]}"
    sleep 1
    printf -v "${name}_idle" '%s' "$(cpu_over "$PID" 10)"
    if [ "$name" = game ]; then
        choose_menu "$WIN" 1   # 开始解锁: the countdown runs
        sleep 1                # past the start of the game, to the countdown alone
        game_countdown=$(cpu_over "$PID" 10)
    fi
    quit
done

echo
line=$(printf -- '-%.0s' {1..14})
row "measure (median of $runs runs)" varnoth floor "floor + text" "÷ floor + text"
row "$(printf -- '-%.0s' {1..36})" "$line" "$line" "$line" "$line"
row "start to first complete picture" "$game_picture ms" "$floor_picture ms" "$text_picture ms" "$(ratio "$game_picture" "$text_picture")"
row "start to window mapped" "$game_start ms" "$floor_start ms" "$text_start ms" "$(ratio "$game_start" "$text_start")"
row "close request to exit (game: saves)" "$game_close ms" "$floor_close ms" "$text_close ms" "$(ratio "$game_close" "$text_close")"
row "peak resident memory" "$game_rss KiB" "$floor_rss KiB" "$text_rss KiB" "$(ratio "$game_rss" "$text_rss")"
row "CPU over 10 s, idle window" "$game_idle ms" "$floor_idle ms" "$text_idle ms" "-"
row "CPU over 10 s, countdown running" "$game_countdown ms" "-" "-" "-"
echo
echo "floor + text: the floor window with the Chinese text the game opens with, in the same fonts."
if [ "${#peers[@]}" -gt 0 ]; then
    echo
    row "peer (median of $runs runs)" "peer" "varnoth" "varnoth ÷ peer"
    row "$(printf -- '-%.0s' {1..36})" "$line" "$line" "$line"
    for peer in "${peers[@]}"; do
        peer_picture=$(printf '%s' "${pictures[$peer]}" | median)
        peer_start=$(printf '%s' "${starts[$peer]}" | median)
        row "$(basename "${peer%%|*}"), first complete picture" "$peer_picture ms" "$game_picture ms" \
            "$(ratio "$game_picture" "$peer_picture")"
        row "$(basename "${peer%%|*}"), window mapped" "$peer_start ms" "$game_start ms" "$(ratio "$game_start" "$peer_start")"
    done
fi
