# Shared by the benchmarks: a desktop of their own, starting a program and timing it until
# its window is mapped, closing it, and the figures' arithmetic. Source it.

# bench_desktop: Xvfb with openbox and a session bus, as on a desktop (tests/support/testlib.sh).
# Without a session bus, each Qt program would launch a bus of its own through X when it
# first asks for accessibility, and pay for it before its window maps.
bench_desktop() {
    . "$root/tests/support/testlib.sh"
    xstart
    set +u
}

# build_mapwait FOLDER: compiles bench/mapwait.c into FOLDER; sets MAPWAIT to it.
build_mapwait() {
    mkdir -p "$1"
    cc -O2 -Wall -o "$1/mapwait" "$root/bench/mapwait.c" -lX11 -lXdamage
    MAPWAIT=$1/mapwait
}

# launch MAPWAIT EXE TITLE [ARG]: starts the program (through $LAUNCHER, such as wine, when
# set) alone in an empty directory of its own, so that each run starts without a dat.ini;
# sets PID, WIN, START_MS, the time from the start until its window was mapped, and
# PICTURE_MS, until its window's picture was complete (bench/mapwait.c).
launch() {
    local dir="$WORK/run-$RANDOM" result
    mkdir -p "$dir"
    cp "$2" "$dir/"
    # shellcheck disable=SC2086 # LAUNCHER is a command and its words, or nothing
    result=$(cd "$dir" && "$1" "$3" ${LAUNCHER:-} "./$(basename "$2")" ${4:+"$4"})
    read -r START_MS PICTURE_MS PID <<<"$result"
    WIN=$(xdotool search --onlyvisible --name "^$3\$" | head -n 1)
}

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# quit: Alt+F4 to the program's window; sets CLOSE_MS, the time until the process has ended.
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

median() { sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

# row FIRST COLUMN...: one row of the figures' table.
row() {
    local first=$1
    shift
    printf '| %-36s |' "$first"
    printf ' %14s |' "$@"
    echo
}
