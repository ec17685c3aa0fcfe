#!/usr/bin/env bash
# The real executable, copied alone into an empty directory, in a real X server: its window
# is titled "Varnoth" with a face of the designed size under the menu bar, a screenshot is
# kept as an artifact, and closing it writes the default records next to it.
#
#   real_window.sh EXECUTABLE ARTIFACT_DIR FACE_REGIONS
set -u
exe=$1
artifacts=$2
. "$(dirname "$0")/../support/testlib.sh"
. "$3"  # the face's size, written by the build from the face table
xstart
mkdir -p "$artifacts"

start_game "$exe"
id=$(wait_window Varnoth 60) || { describe_game; fail "no window titled Varnoth appeared"; }
size=$(window_size "$id")
width=${size%x*}
height=${size#*x}
[ "$width" = "$FACE_WIDTH" ] || fail "client width $width, expected $FACE_WIDTH"
menu=$((height - FACE_HEIGHT))
[ "$menu" -ge 15 ] && [ "$menu" -le 40 ] || fail "client height $height: not $FACE_HEIGHT under a menu bar"
sleep 0.5
screenshot "$id" "$artifacts/window.png" || fail "no screenshot"
echo "screenshot: $artifacts/window.png ($size, menu bar $menu px)"

close_window "$id"
wait_exit || fail "the game did not exit after Alt+F4"
expected=$(printf '300,9,Zadrevik,1000\r\n\r\n' | od -c)
actual=$(od -c <"$GAME_DIR/dat.ini" 2>/dev/null)
[ "$actual" = "$expected" ] || fail "dat.ini after close: $actual"
echo "PASS: window, size, screenshot and dat.ini at close"
