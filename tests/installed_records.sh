#!/usr/bin/env bash
# An installed copy keeps its records in the player's data folder, even where it could
# write beside itself (an install into the player's own prefix, ~/.local); the build's own
# copy keeps them beside itself. Both are started and ended the way a session ends them.
set -u
build=$1
. "$(dirname "$0")/support/testlib.sh"
work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
pid=""

# handles_term PID EXE: true once the process is the game itself (not the shell or env that
# will exec it, which may carry a caught SIGTERM of their own) and has caught SIGTERM.
handles_term() {
    local mask
    [ "$(readlink "/proc/$1/exe" 2>/dev/null)" = "$(readlink -f "$2")" ] || return 1
    mask=$(awk '/^SigCgt:/ {print $2}' "/proc/$1/status" 2>/dev/null)
    [ -n "$mask" ] && (( (0x$mask >> 14) & 1 ))   # SIGTERM, signal 15, is bit 14
}

# run_until_term EXE: starts the game offscreen with its own home, waits until it handles
# SIGTERM, sends it and waits for it to end (exit status 0: it closed the normal way).
run_until_term() {
    local i
    env -i PATH=/usr/bin:/bin HOME="$work/home" QT_QPA_PLATFORM=offscreen "$1" >"$work/game.log" 2>&1 &
    pid=$!
    for i in $(seq 300); do
        handles_term "$pid" "$1" && break
        kill -0 "$pid" 2>/dev/null || fail "$1 ended before it was asked to: $(cat "$work/game.log")"
        sleep 0.1
    done
    handles_term "$pid" "$1" || fail "$1 did not take SIGTERM within 30 s"
    kill -TERM "$pid"
    wait "$pid" || fail "$1 exited with status $? on SIGTERM: $(cat "$work/game.log")"
    pid=""
}

mkdir -p "$work/home"
cmake --install "$build" --prefix "$work/prefix" >/dev/null || fail "cmake --install failed"
[ -d "$work/prefix/share/varnoth" ] || fail "the install has no share/varnoth"
installed=$(find "$work/prefix" -type f -name varnoth -perm -u+x | head -n 1)
[ -n "$installed" ] || fail "no installed varnoth"
run_until_term "$installed"
expected=$(printf '300,9,Zadrevik,1000\r\n\r\n' | od -c)
[ "$(od -c <"$work/home/.local/share/varnoth/dat.ini" 2>/dev/null)" = "$expected" ] ||
    fail "the installed copy did not write ~/.local/share/varnoth/dat.ini"
[ -z "$(find "$work/prefix" -name dat.ini)" ] || fail "the installed copy wrote beside itself: $(find "$work/prefix" -name dat.ini)"

mkdir -p "$work/alone"
cp "$build/varnoth" "$work/alone/varnoth"
run_until_term "$work/alone/varnoth"
[ "$(od -c <"$work/alone/dat.ini" 2>/dev/null)" = "$expected" ] || fail "a copy on its own did not write dat.ini beside itself"
# A folder whose name is not UTF-8 (GB18030 bytes, as unpacking a Chinese archive leaves them).
chinese="$work/$(printf '\xd6\xd0\xce\xc4')"
mkdir -p "$chinese"
cp "$build/varnoth" "$chinese/varnoth"
run_until_term "$chinese/varnoth"
[ "$(od -c <"$chinese/dat.ini" 2>/dev/null)" = "$expected" ] || fail "a copy in a folder named in GB18030 did not write dat.ini beside itself"
echo "PASS: installed copy in the data folder, a copy on its own beside itself, also in a folder named in GB18030"
