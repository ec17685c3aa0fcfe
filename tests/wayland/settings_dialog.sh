#!/usr/bin/env bash
# The game under a headless Wayland compositor (weston), played through the accessibility
# bus as with a screen reader, since the headless compositor has no keyboard or mouse: with
# no tries left in dat.ini, 开始解锁 brings the box that says so and its OK closes it;
# 设置 opens the settings dialog and both boxes get new values; then the session ends
# (SIGTERM, as at logout), which closes the dialog, committing it as every close does, and
# the window, saving dat.ini. The protocol the compositor logged must show the game's
# window titled and identified as its desktop entry, with the box and the dialog as its
# children.
#
#   settings_dialog.sh EXECUTABLE DESKTOP_ENTRY
set -u
exe=$1
desktop_entry=$2
here=$(dirname "$0")
. "$here/../support/testlib.sh"
python=/usr/bin/python3   # Debian's, which python3-gi belongs to, whatever comes first in PATH
wstart
a11y_start

# In a sanitizer build, leaks that Qt's Wayland client leaves at exit are suppressed by
# its name (tests/lsan.supp); the slow unwinder is the one that finds it on their stacks.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}fast_unwind_on_malloc=0"
mkdir -p "$WORK/game"
printf '300,0,Zadrevik,1000\r\n\r\n' >"$WORK/game/dat.ini"
start_game "$exe" "$WORK/game"
"$python" "$here/drive.py" change-settings || fail "$(tail -n 20 "$WORK/game.log")"

kill -TERM "$GAME_PID"
wait_exit || fail "the game did not end on SIGTERM: $(tail -n 20 "$WORK/game.log")"
dat_ini_is '120,5,Zadrevik,1000\r\n\r\n'
"$python" "$here/drive.py" check-windows "$WORK/weston.log" "$desktop_entry" || exit 1
echo "PASS: settings changed through the accessibility bus under Wayland and saved; the box and the dialog belong to the window"
