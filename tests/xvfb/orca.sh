#!/usr/bin/env bash
# A blind player's whole game, heard through Orca, the screen reader of Debian's desktop.
# Orca runs headless with its cache on, speaking through speech-dispatcher and espeak-ng
# to ALSA's null device; its debug log is the transcript. The game is played with keys
# alone (xdotool): the menu after the settings dialog, four digits and 确定 pressed in flat
# review, the row heard, the figures and the code read in flat review, a solved round, a
# round lost on time and the record box. The lines that matter must be heard; the window
# is closed at the end and dat.ini must carry the record and the setting changed on the way.
#
#   orca.sh EXECUTABLE LOCALE FACE_REGIONS     LOCALE: zh_CN.UTF-8 or C.UTF-8
set -u
exe=$1
locale_name=$2
. "$(dirname "$0")/../support/testlib.sh"
# The face's size and regions, written by the build from the face table.
. "$3"
for tool in orca speech-dispatcher localedef script; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/install-deps.sh test installs it)"
done
xstart
a11y_start

ORCA_PID=""
SCRIPT_PID=""
# orca_stop: ends Orca and the speech-dispatcher it started, by the ids they wrote down.
orca_stop() {
    local speechd i
    speechd=$(cat "$XDG_RUNTIME_DIR/speech-dispatcher/pid/speech-dispatcher.pid" 2>/dev/null)
    # Orca hears SIGTERM only once its main loop wakes up, which may be never on a quiet desktop.
    [ -n "$ORCA_PID" ] && kill "$ORCA_PID" 2>/dev/null
    for i in $(seq 30); do [ -n "$ORCA_PID" ] && kill -0 "$ORCA_PID" 2>/dev/null || break; sleep 0.1; done
    [ -n "$ORCA_PID" ] && kill -KILL "$ORCA_PID" 2>/dev/null
    [ -n "$SCRIPT_PID" ] && wait "$SCRIPT_PID" 2>/dev/null
    [ -n "$speechd" ] && kill "$speechd" 2>/dev/null
    for i in $(seq 50); do [ -n "$speechd" ] && kill -0 "$speechd" 2>/dev/null || break; sleep 0.1; done
    ORCA_PID=""
    SCRIPT_PID=""
    return 0
}
trap "orca_stop; a11y_stop; $CLEANUP" EXIT

# Orca speaks the desktop's language. A locale the system lacks is built into the test's
# own folder (LOCPATH), never into the system's.
if ! locale -a 2>/dev/null | grep -qix "${locale_name/UTF-8/utf8}"; then
    export LOCPATH=$WORK/locale
    mkdir -p "$LOCPATH"
    localedef -i "${locale_name%%.*}" -f UTF-8 "$LOCPATH/$locale_name" >"$WORK/localedef.log" 2>&1 \
        || [ -e "$LOCPATH/$locale_name/LC_CTYPE" ] || fail "could not build $locale_name: $(cat "$WORK/localedef.log")"
fi
export LANG=$locale_name LC_ALL=$locale_name

# Speech as on a desktop (Orca starts speech-dispatcher, which reads the user's settings),
# but to ALSA's null device.
printf 'pcm.!default { type null }\n' >"$HOME/.asoundrc"
mkdir -p "$XDG_CONFIG_HOME/speech-dispatcher"
printf 'AudioOutputMethod "alsa"\nAddModule "espeak-ng" "sd_espeak-ng" "espeak-ng.conf"\nDefaultModule espeak-ng\n' \
    >"$XDG_CONFIG_HOME/speech-dispatcher/speechd.conf"
# Orca as /usr/bin/orca starts it, except that another Orca of this user (another test's,
# another session's) is neither killed nor a reason to give up: this one has a desktop
# and buses of its own (the launcher's function that looks for them is otherOrcas up to
# Orca 48, other_orcas in 51). Its debug log goes to a terminal (script's), where each
# line is written as it is said; into a file, Python would hold lines back in a buffer.
LOG=$WORK/orca.log
printf '%s\n' 'import os, runpy, sys' \
    "open('$WORK/orca.pid', 'w').write(str(os.getpid()))" \
    "sys.argv = ['orca', '--user-prefs', '$WORK/orca', '--debug-file', '/dev/tty']" \
    'main = runpy.run_path("/usr/bin/orca", run_name="orca_launcher")["main"]' \
    'main.__globals__["otherOrcas"] = main.__globals__["other_orcas"] = lambda: []' \
    'main.__globals__["setProcessName"] = main.__globals__["set_process_name"] = lambda name: None' \
    'sys.exit(main())' >"$WORK/start-orca.py"
script -qfec "/usr/bin/python3 $WORK/start-orca.py" "$LOG" </dev/null >/dev/null 2>&1 &
SCRIPT_PID=$!
# Orca is up once it has spoken its greeting ("Screen reader on.", in the desktop's
# language), which every version says once it listens to the desktop; the words each
# version logs around its start differ (43's "Startup complete" is gone from 48).
orca_spoke() { grep -aq "SPEECH OUTPUT: '" "$LOG" 2>/dev/null; }
for i in $(seq 600); do
    [ -z "$ORCA_PID" ] && ORCA_PID=$(cat "$WORK/orca.pid" 2>/dev/null)
    orca_spoke && break
    kill -0 "$SCRIPT_PID" 2>/dev/null || fail "Orca is installed but ended as it started: $(tail -n 40 "$LOG")"
    sleep 0.1
done
orca_spoke || fail "Orca is installed but said nothing within 60 s of its start: $(tail -n 5 "$LOG")"

# --- The transcript --------------------------------------------------------------------

# spoken: every line Orca has spoken so far, one a line.
spoken() { grep -a -F "SPEECH OUTPUT: '" "$LOG" | sed -e "s/\r\$//" -e "s/^.*SPEECH OUTPUT: '//" -e "s/' *[[{].*\$//"; }
HEARD=0  # spoken lines already matched, or passed over

# hear PATTERN [SECONDS]: waits until a line spoken since the last match matches the
# extended regular expression, and prints it; LINE holds it.
hear() {
    local pattern=$1 seconds=${2:-10} i found
    for i in $(seq $((seconds * 10))); do
        found=$(spoken | tail -n +$((HEARD + 1)) | grep -n -m 1 -E -- "$pattern")
        if [ -n "$found" ]; then
            HEARD=$((HEARD + ${found%%:*}))
            LINE=${found#*:}
            echo "$LINE"
            return 0
        fi
        kill -0 "$GAME_PID" 2>/dev/null \
            || fail "the game ended while Orca was to say /$pattern/: $(tail -n 20 "$WORK/game.log")" >&2
        sleep 0.1
    done
    fail "Orca did not say /$pattern/ within $seconds s; it said: $(spoken | tail -n +$((HEARD + 1)) | tail -n 20)" >&2
}

# hear_with PATTERN [SECONDS]: as hear, but the line last heard may match too: what one
# Orca says in two utterances another may say in one (Orca 48 says a window's name and
# description together, Orca 43 one after the other).
hear_with() {
    HEARD=$((HEARD > 0 ? HEARD - 1 : 0))
    hear "$@"
}

# orca_settled: waits until Orca has written nothing for 0.3 s (at most 5 s): every event
# it had queued is handled.
orca_settled() {
    local i size last=-1 still=0
    for i in $(seq 100); do
        size=$(stat -c %s "$LOG")
        if [ "$size" = "$last" ]; then still=$((still + 1)); else still=0; fi
        [ "$still" -ge 6 ] && return 0
        last=$size
        sleep 0.05
    done
}

# past: what was spoken so far counts as heard.
past() { HEARD=$(spoken | wc -l); }

key() { xdotool key "$@"; }

# press [MODIFIER+]KEY: a flat review key pressed as fingers press it: the modifier (Orca's
# Insert) held first, the key held for a tenth of a second. Orca 51 keeps its review where
# it was only if a key's press is handled before its release comes, and takes Insert for
# its modifier only when it is down before the key (xdotool key sends it all at once). The
# key goes by its keycode: for the keysym KP_Divide, which unstable's keymap (xkb-data 2.48)
# also puts on levels that need Alt, xdotool holds Alt, and Orca hears Alt+KP_Divide.
press() {
    local key=${1##*+} code
    code=$(xmodmap -pke | awk -v key="$key" '$4 == key {print $2; exit}')
    [ "$key" = "$1" ] || { xdotool keydown "${1%+*}"; sleep 0.05; }
    xdotool keydown "${code:-$key}"
    sleep 0.1
    xdotool keyup "${code:-$key}"
    [ "$key" = "$1" ] || xdotool keyup "${1%+*}"
}

# review KEY PATTERN: reads the current flat review line (KP_Up), then presses the flat
# review key until Orca reads a line matching PATTERN (each time once Orca has said
# something, at most twelve times), then the next line key (KP_Page_Up) down the window, at
# most 24 times: with no control focused, Orca 51 starts at the window's top; prints the
# line, and LINE holds it.
review() {
    local review_key=$1 pattern=$2 i j count start found
    # A review starts from what the window shows now, as after any other key: Orca 51 keeps
    # the picture it reviewed last while only review keys come, whatever changed since (a
    # row that joined the history), and Scroll Lock, pressed twice, is a key that does nothing.
    key Scroll_Lock Scroll_Lock
    sleep 0.2
    start=$(spoken | wc -l)
    for i in $(seq 37); do
        count=$(spoken | wc -l)
        if [ "$i" -eq 1 ]; then press KP_Up; elif [ "$i" -le 13 ]; then press "$review_key"; else press KP_Page_Up; fi
        for j in $(seq 30); do [ "$(spoken | wc -l)" -gt "$count" ] && break; sleep 0.1; done
        sleep 0.2
        found=$(spoken | tail -n +$((start + 1)) | grep -m 1 -E -- "$pattern")
        if [ -n "$found" ]; then
            past
            LINE=$found
            echo "$LINE"
            return 0
        fi
    done
    fail "flat review (${review_key}) never read /$pattern/; it read: $(spoken | tail -n +$((start + 1)) | tail -n 20)" >&2
}

# menu FIRST: opens 选项 with Alt, Down, which must show its first enabled item.
menu() {
    past
    key alt
    hear "选项" 5 >/dev/null
    key Down
    hear "^$1" 5 >/dev/null
}

# guess DIGITS: types the four digits as a blind player does, hearing the focus reach the
# last box, then presses 确定: the current flat review line (read again until it holds the
# four digits), the next item on it, a click there.
guess() {
    local digits=$1 i
    past
    xdotool type --delay 100 "${digits:0:3}"
    hear "第4位数字" 10 >/dev/null
    xdotool type "${digits:3:1}"
    # Orca handles keys ahead of the game's events, and the event of the digit just typed
    # ends flat review when it comes (Orca 48): review once Orca has caught up, as a player
    # who waits for the echo does.
    orca_settled
    for i in $(seq 10); do
        press KP_Up
        hear "确定" 5 >/dev/null
        [ "$LINE" = "${digits:0:1} ${digits:1:1} ${digits:2:1} ${digits:3:1} 确定" ] && break
    done
    press KP_Right
    hear "^确定" 5 >/dev/null
    # Orca clicks again, and then presses, when it finds the pointer not yet where it sent
    # it: the pointer goes to 确定 first (Insert+KP_Divide), where a player's stays anyway.
    press Insert+KP_Divide
    for i in $(seq 50); do pointer_on_confirm && break; sleep 0.1; done
    press KP_Divide
}

# pointer_on_confirm: true while the mouse pointer is over the drawn 确定 button.
pointer_on_confirm() {
    local X Y WIDTH HEIGHT WINDOW SCREEN x y left top width height
    eval "$(xdotool getmouselocation --shell)"
    x=$X y=$Y
    eval "$(xdotool getwindowgeometry --shell "$id")"
    y=$((y - Y - $(menu_height "$id")))
    x=$((x - X))
    read -r left top width height <<<"$CONFIRM_AREA"
    [ "$x" -ge "$left" ] && [ "$x" -lt $((left + width)) ] && [ "$y" -ge "$top" ] && [ "$y" -lt $((top + height)) ]
}

# --- The game ---------------------------------------------------------------------------

mkdir -p "$WORK/game"
printf '120,9,Zadrevik,1000\r\n\r\n' >"$WORK/game/dat.ini"
start_game "$exe"
id=$(wait_window Varnoth 15) || fail "no window titled Varnoth appeared: $(cat "$WORK/game.log")"
activate "$id"

echo "-- at start: the window's purpose and how to begin"
hear "密码锁" 20
hear_with "按 Alt 键打开选项菜单" 10

echo "-- the settings dialog, Ctrl+Left at the end of its box, and the menu after it"
menu 开始解锁
key Down
hear "^设置" 5
key Return
hear "开锁时间" 10
hear "^120" 5
key End ctrl+Left ctrl+Left End
key Escape
hear "密码锁" 10
menu 开始解锁
key Return
hear "游戏开始,剩余时间 120 秒,剩余次数 9"

echo "-- the figures in flat review, with Orca's cache on"
review KP_Home "剩余次数: ?9"
review KP_Home "剩余时间: ?1[0-2][0-9]"

echo "-- a letter is refused; Ctrl+Left at the end of a digit box hangs nothing"
past
key a
hear "只能输入数字" 5
key 1 shift+Tab End ctrl+Left Delete

echo "-- 正确号码, and the code read in flat review"
menu 结束
key Down
hear "^正确号码" 5
key Return
review KP_Home "正确号码: ?[1-8][0-8]{3}"
code=$(grep -oE "[1-8][0-8]{3}" <<<"$LINE")

echo "-- shorter rounds from the next one on, set in the dialog during the game"
menu 结束
key Down Down
hear "^设置" 5
key Return
hear "^120" 10
xdotool type --delay 100 12
key Escape
hear "第1位数字" 10
menu 结束
key Escape
for i in $(seq 50); do popup_open || break; sleep 0.1; done
key Escape
hear "第1位数字" 10

echo "-- a wrong guess: the row, then the tries left"
wrong=${code:1:1}${code:0:1}${code:2:1}9
guess "$wrong"
hear "$wrong,位置正确 1 个,位置不正确 2 个。剩余次数 8。" 10
review KP_Home "$wrong,位置正确 1 个,位置不正确 2 个"

echo "-- the right guess: the round's message, then the tries left"
guess "$code"
hear "答题成功,进入下一轮!剩余次数 7。得分 [0-9]+。" 10
score=$(grep -oE "得分 [0-9]+" <<<"$LINE" | grep -oE "[0-9]+")

echo "-- the next round of 12 s is lost on time: its last seconds, the end, then the record box"
for n in 9 8 7 6 5 4 3 2 1; do hear "剩余 $n 秒" 15; done
hear "时间到。答题失败,请继续努力!游戏结束,得分 $score。" 5
hear "恭喜破纪录,请输入您的大名:" 10
type_unicode 听风
key Return
hear "密码锁" 10
review KP_Home "纪录: ?$score 纪录人: ?听风"

close_window "$id"
wait_exit 10 || fail "the game did not exit after Alt+F4"
dat_ini_is "12,9,听风,$score\\r\\n\\r\\n"
echo "-- what Orca said:"
spoken
echo "PASS: a whole game heard through Orca ($locale_name)"
