#!/usr/bin/env bash
# The window as a screen reader sees it through the accessibility bus alone, and one guess
# played through it (tests/xvfb/screen_reader.py); the window is closed at the end and
# dat.ini keeps what it held.
set -u
exe=$1
. "$(dirname "$0")/../support/testlib.sh"
xstart
a11y_start

mkdir -p "$WORK/game"
printf '20,9,Zadrevik,1000\r\n\r\n' >"$WORK/game/dat.ini"
start_game "$exe"
id=$(wait_window Varnoth 15) || fail "no window titled Varnoth appeared: $(cat "$WORK/game.log")"
activate "$id"

/usr/bin/python3 "$(dirname "$0")/screen_reader.py" || fail "the game as heard through the accessibility bus (game log: $(tail -n 20 "$WORK/game.log"))"

close_window "$id"
wait_exit 10 || fail "the game did not exit after Alt+F4"
dat_ini_is '20,9,Zadrevik,1000\r\n\r\n'
echo "PASS: the window through the accessibility bus"
