#!/usr/bin/env bash
# A blind player's path on Windows, read as Narrator or NVDA reads it: through UI
# Automation's client interfaces (winreader.exe), under Wine. The window at rest (every
# figure after its caption and labelled by it, the four boxes named, 确定 a button, the
# history a list labelled by its heading); a game started, with the focus in the first box;
# the code revealed; a wrong guess read back from the history and the figures; a right
# guess; the settings dialog's boxes named by their labels; a round lost on time, with the
# record box and a message box opening as dialogs that the focus moves into. The game's
# news (a guess's result, the end, the last nine seconds) must be raised as UI Automation
# notifications, with the texts a Linux player hears from Orca.
#
# Where Wine answers no call a screen reader would make, the step is driven with xdotool
# or the one check is reported on a line "NOT UNDER WINE:" saying what only a real Windows
# can show; nothing passes for a call Wine could not make. Wine 10 answers no control
# pattern (Invoke, Value, ExpandCollapse) and leaves notifications as stubs: it prints the
# text of each one raised (which is checked here) and delivers none to the client. Should
# a Wine deliver them, the client must receive each one.
#
#   uia.sh EXE WINREADER FACE_REGIONS     (in the caller's WINEPREFIX)
set -u
exe=$1
reader=$2
. "$(dirname "$0")/../support/testlib.sh"
. "$3"  # where 确定 lies, for the clicks
command -v wine >/dev/null || skip "Wine is not installed (scripts/install-deps.sh test installs it)"
xstart
# Wine's trace of the calls it leaves as stubs names each notification the game raises.
export WINEDEBUG=-all,fixme+uiautomation

# read_tree TITLE: the window's elements as UI Automation gives them, into $WORK/tree.
read_tree() { uia_tree "$reader" "$1"; }
# field N TYPE NAME: field N (1 depth, 2 type, 3 name, 4 automation id, 5 labelled by,
# 6 flags, 7 value, 8 place) of the first element of that type and name.
field() { awk -F '\t' -v f="$1" -v t="$2" -v n="$3" '$2 == t && $3 == n {print $f; exit}' "$WORK/tree"; }
# labelling CAPTION: the name of the element labelled by the caption.
labelling() { awk -F '\t' -v c="$1" '$5 == c {print $3; exit}' "$WORK/tree"; }
# face: "type name" of each element the face shows, in the order a reader walks them.
face() { awk -F '\t' '$4 ~ /\.face$/ {d = $1} d && $1 == d + 1 {print $2 " " $3}' "$WORK/tree" | paste -sd '|'; }
rows() { awk -F '\t' '$2 == "ListItem" {print $3}' "$WORK/tree" | paste -sd '|'; }
has_flag() { [[ ",$(field 6 "$1" "$2")," == *",$3,"* ]]; }
not_under_wine() { echo "NOT UNDER WINE: $*"; }
# focus_reaches TYPE NAME TITLE: a focus event for an element of that type and name (an
# extended regular expression), in the window of that title.
focus_reaches() {
    local i
    for i in $(seq 100); do
        grep -qE "^focus"$'\t'"$1"$'\t'"$2"$'\t'"$3\$" "$WORK/events.log" && return 0
        sleep 0.1
    done
    fail "no focus event for $1 '$2' in $3; the events: $(paste -sd '|' "$WORK/events.log")"
}

mkdir -p "$WORK/game"
# Rounds of 30 seconds: the last nine seconds come soon after a solved round.
printf '30,9,Zadrevik,1000\r\n\r\n' >"$WORK/game/dat.ini"
start_game "$exe"
WIN=$(wait_window Varnoth 60) || { describe_game; fail "no window titled Varnoth"; }
(exec wine "$reader" watch 600 >"$WORK/events.log" 2>>"$WORK/reader.log") &
WATCHER=$!
trap 'kill $WATCHER 2>/dev/null; xcleanup' EXIT
for i in $(seq 100); do [ "$(grep -c '^subscribed' "$WORK/events.log" 2>/dev/null)" -ge 6 ] && break; sleep 0.1; done
grep -q $'^subscribed\tfocus\tok' "$WORK/events.log" || fail "no subscription to focus events: $(cat "$WORK/events.log")"

echo "-- the window at rest"
read_tree Varnoth
at_rest="Text 纪录:|Text 1000|Text 纪录人:|Text Zadrevik|Text 得分:|Text 0|Text 剩余时间:|Text 剩余次数:|\
Edit 第1位数字|Edit 第2位数字|Edit 第3位数字|Edit 第4位数字|Button 确定|\
Text 输入四位数密码后按确定,如果密码正确,将会进入一关挑战。|Image 位置正确|Text 表示有多少答案，数字正确且位置正确。|\
Image 位置不正确|Text 表示有多少答案，数字正确且位置不正确。|Text 设计: 锁匠工作室|Text 记录|List 记录"
[ "$(face)" = "$at_rest" ] || fail "the window at rest reads: $(face)"
for caption in 纪录: 纪录人: 得分:; do
    echo "$caption labels $(labelling "$caption")"
done
[ "$(labelling 纪录:)|$(labelling 纪录人:)|$(labelling 得分:)|$(field 5 List 记录)" = "1000|Zadrevik|0|记录" ] ||
    fail "the figures are not labelled by their captions, nor the history by its heading"
for i in 1 2 3 4; do ! has_flag Edit "第${i}位数字" enabled || fail "box $i is enabled before a game"; done
! has_flag Button 确定 focusable || fail "确定 takes the keyboard focus"
if has_flag Button 确定 invoke?; then
    not_under_wine "确定's Invoke pattern (Wine answers no pattern): a real Windows offers it; 确定 is clicked here"
else
    has_flag Button 确定 invoke || fail "确定 offers no Invoke pattern"
fi

echo "-- a game started from the menu (Wine answers no menu pattern: the mouse opens it)"
click_menu "$WIN" 1   # 开始解锁
focus_reaches Edit 第1位数字 Varnoth
click_menu "$WIN" 3   # 正确号码
read_tree Varnoth
echo "剩余时间: $(labelling 剩余时间:), 剩余次数: $(labelling 剩余次数:), 得分: $(labelling 得分:)"
[[ $(labelling 剩余时间:) =~ ^[0-9]+$ ]] && [ "$(labelling 剩余次数:)" = 9 ] && [ "$(labelling 得分:)" = 0 ] ||
    fail "a new game's figures do not read after their captions: $(face)"
code=$(awk -F '\t' '$2 == "Text" && $3 ~ /^正确号码: [1-8][0-8][0-8][0-8]$/ {print substr($3, length($3) - 3); exit}' "$WORK/tree")
[ -n "$code" ] || fail "the revealed code is not in the tree: $(face)"

# guess DIGITS: typed into the boxes, where the focus rests in the first, then 确定 clicked.
guess() {
    activate "$WIN"
    type_keys "$1"
    click_confirm "$WIN"
    sleep 0.5
}

echo "-- a wrong guess, read back from the history and the tries"
wrong=${code:1:1}${code:0:1}${code:2:1}9
guess "$wrong"
read_tree Varnoth
[ "$(rows)" = "$wrong,位置正确 1 个,位置不正确 2 个" ] || fail "the history reads: '$(rows)'"
[ "$(labelling 剩余次数:)" = 8 ] || fail "the tries read '$(labelling 剩余次数:)' after a guess"
if [[ $(field 7 Edit 第1位数字) == !* ]]; then
    not_under_wine "the boxes' Value pattern (their text; Wine answers no pattern): the history shows what was typed"
fi

echo "-- the right guess"
guess "$code"
read_tree Varnoth
[ -z "$(rows)" ] && [ "$(labelling 剩余次数:)" = 7 ] || fail "after the right guess: rows '$(rows)', tries $(labelling 剩余次数:)"
score=$(labelling 得分:)

echo "-- the settings dialog: its boxes named by their labels"
click_menu "$WIN" 4   # 设置
dialog=$(wait_window 设置 15) || fail "no dialog titled 设置"
focus_reaches Edit 开锁时间: 设置
read_tree 设置
[ "$(awk -F '\t' '$2 == "Edit" {print $3}' "$WORK/tree" | paste -sd '|')" = "开锁时间:|次    数:" ] ||
    fail "the settings dialog's boxes read: $(cut -f2,3 "$WORK/tree" | paste -sd '|')"
activate "$dialog"
xdotool key Escape
wait_gone 设置 15 || fail "Escape did not close the dialog"

echo "-- the round lost on time, then the record box: a dialog the focus moves into"
box=$(wait_window 提示 45) || fail "no record box after the round ran out"
focus_reaches Edit ".*" 提示
read_tree 提示
has_flag Window 提示 dialog || fail "the record box is not a dialog: $(head -n 1 "$WORK/tree")"
[ "$(field 2 Text 恭喜破纪录,请输入您的大名:)" = Text ] || fail "the record box does not read its prompt"
activate "$box"
type_keys Lee
xdotool key Return
wait_gone 提示 15 || fail "the record box did not close"

echo "-- a message box: 确定 with the boxes empty"
click_confirm "$WIN"
box=$(wait_window 提示 15) || fail "no box after an empty guess"
focus_reaches Button 确定 提示
read_tree 提示
has_flag Window 提示 dialog && [ "$(field 2 Text 不能有空值!)" = Text ] ||
    fail "the message box is not a dialog reading its text: $(cut -f2,3,6 "$WORK/tree" | paste -sd '|')"
activate "$box"
xdotool key Return
wait_gone 提示 15 || fail "the message box did not close"
close_window "$WIN"
wait_exit 30 || fail "the game did not exit"
dat_ini_is "30,9,Lee,$score\r\n\r\n"

echo "-- the game's news, raised as notifications"
expected="游戏开始,剩余时间 30 秒,剩余次数 9。
$wrong,位置正确 1 个,位置不正确 2 个。剩余次数 8。
答题成功,进入下一轮!剩余次数 7。得分 $score。"
for n in 9 8 7 6 5 4 3 2 1; do expected+=$'\n'"剩余 $n 秒。"; done
expected+=$'\n'"时间到。答题失败,请继续努力!游戏结束,得分 $score。"
# Wine writes each character outside ASCII as \ and four hex digits.
raised=$(grep -a 'UiaRaiseNotificationEvent' "$WORK/game.log" | /usr/bin/python3 -c '
import re, sys
for line in sys.stdin:
    text = re.search(r"L\"(.*?)\", L\"", line)
    if text:
        print(re.sub(r"\\([0-9a-f]{4})", lambda c: chr(int(c.group(1), 16)), text.group(1)))')
[ "$raised" = "$expected" ] || fail "the notifications raised were:
$raised
expected:
$expected"
raised_count=$(echo "$raised" | wc -l)
received=$(grep -c $'^notification\t' "$WORK/events.log")
if grep -aq 'UiaRaiseNotificationEvent.*stub' "$WORK/game.log"; then
    not_under_wine "a client receiving the notifications (Wine's UiaRaiseNotificationEvent is a stub:" \
        "$raised_count raised, $received received); a real Windows delivers them to Narrator and NVDA"
else
    [ "$received" -eq "$raised_count" ] || fail "$received notifications received of $raised_count raised"
fi
echo "PASS: the game through UI Automation"
