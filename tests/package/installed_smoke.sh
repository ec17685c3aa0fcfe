#!/usr/bin/env bash
# The installed game as a player meets it, in a real X server (Xvfb, openbox): started by
# name from the PATH, a game started from the menu, one guess typed and confirmed, which
# the history shows, and the window closed; the records are then in the player's own data
# folder, ~/.local/share/varnoth/dat.ini, as for every installed copy. A screenshot of the
# guess is kept in ARTIFACTS_DIR.
#
#   installed_smoke.sh GAME FACE_REGIONS ARTIFACTS_DIR
set -u
game=$1
. "$(dirname "$0")/../support/testlib.sh"
. "$2"  # the face's size and regions, written by the build from the face table
artifacts=$3
xstart
PATH=$PATH:/usr/games
command -v "$game" >/dev/null || fail "no $game on the PATH"
mkdir -p "$artifacts"

(exec "$game" >"$WORK/game.log" 2>&1) &
GAME_PID=$!
id=$(wait_window Varnoth 60) || { describe_game; fail "no window titled Varnoth appeared"; }
choose_menu "$id" 1 1   # 开始解锁, the first item while no game runs
# The code never holds a 9, so the guess is wrong and stays in the history.
type_keys 9012
click_confirm "$id"
wait_colour "$id" $ROW0 yellow yes 10 || fail "the guess is not in the history"
face_shot "$id" "$artifacts/installed-guess.png" && echo "screenshot: $artifacts/installed-guess.png"
close_window "$id"
wait_exit || fail "the game did not exit after Alt+F4"
GAME_DIR=$XDG_DATA_HOME/varnoth
dat_ini_is '300,9,Zadrevik,1000\r\n\r\n'
beside=$(dirname "$(command -v "$game")")/dat.ini
[ ! -e "$beside" ] || fail "the installed game wrote $beside"
echo "PASS: $(command -v "$game") started, one guess shown, closed; records in $XDG_DATA_HOME/varnoth/dat.ini"
