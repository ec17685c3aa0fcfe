#!/usr/bin/env bash
# The Windows build at Windows' usual display scales, set as the display's DPI in Wine's
# registry (LogPixels), one row of the table each. At each scale:
#   - the window's client area is its designed size at that scale, under its menu bar, in
#     a frame that does not resize, centred on the screen by its outer size;
#   - the face shows the artwork drawn for the nearest scale, pixel for pixel, wherever no
#     control draws (the places of the controls as UI Automation reports them);
#   - the settings dialog opens centred, and a message box on the screen, everything they
#     hold inside them.
# Places and sizes are Windows' own (winreader.exe): Wine draws each window's frame itself
# here, as Windows does, rather than leaving it to openbox.
#
#   scales.sh EXE WINREADER FACE_REGIONS ASSETS     (in the caller's WINEPREFIX)
set -u
exe=$1
reader=$2
assets=$4
. "$(dirname "$0")/../support/testlib.sh"
. "$3"
command -v wine >/dev/null || skip "Wine is not installed (scripts/install-deps.sh test installs it)"
# Room for the window at 200 %.
XVFB_SCREEN=1920x1200 xstart
mkdir -p "$WORK/shots"
on_failure() { cp "$WORK"/shots/* "$artifacts/" 2>/dev/null; }
artifacts=$(dirname "$exe")/artifacts/scales
mkdir -p "$artifacts"

# DPI, the scale it gives, and the artwork drawn for it.
table="96 1 background.png
120 1.25 background@1.25x.png
144 1.5 background@1.5x.png
192 2 background@2x.png"

# times VALUE SCALE: VALUE at that scale, rounded.
times() { awk -v v="$1" -v s="$2" 'BEGIN {printf "%d", v * s + 0.5}'; }
# registry KEY NAME TYPE DATA: sets a value in Wine's registry.
registry() { wine reg add "$1" /v "$2" /t "$3" /d "$4" /f >/dev/null 2>&1 || fail "could not set $1\\$2"; }

# window TITLE: OUTER (x y width height, frame included), SCREEN (width height) and FRAME
# (fixed or resizable) as Windows knows them, and the window's UI Automation tree in
# $WORK/tree, whose first line gives CLIENT (x y width height).
window() {
    local x y w h sw sh
    read -r x y w h sw sh FRAME <<<"$(wine "$reader" window "$1" 2>>"$WORK/reader.log")"
    [ -n "$FRAME" ] || fail "Windows knows no window titled $1"
    OUTER="$x $y $w $h" SCREEN="$sw $sh"
    uia_tree "$reader" "$1"
    CLIENT=$(awk -F '\t' 'NR == 1 {gsub(",", " ", $8); print $8}' "$WORK/tree")
}

# wait_for TITLE: waits until Windows shows a window of that title.
wait_for() {
    local i
    for i in $(seq 150); do wine "$reader" window "$1" >/dev/null 2>&1 && return 0; sleep 0.2; done
    fail "no window titled $1"
}

# centred WHAT SCALE: the window's outer rectangle is centred on the screen: to half a pixel
# at 1x (an odd difference is halved); at other scales to one of the game's own pixels, in
# which it places its windows and which Windows scales.
centred() {
    local x y w h sw sh slack
    read -r x y w h <<<"$OUTER"
    read -r sw sh <<<"$SCREEN"
    slack=$(awk -v s="$2" 'BEGIN {print s == 1 ? 1 : int(2 * s + 1)}')
    echo "$1: ${w}x$h at $x,$y on ${sw}x$sh"
    [ $((2 * x - (sw - w))) -ge -$slack ] && [ $((2 * x - (sw - w))) -le $slack ] &&
        [ $((2 * y - (sh - h))) -ge -$slack ] && [ $((2 * y - (sh - h))) -le $slack ] ||
        fail "the $1 is not centred by its outer size"
}

# holds WHAT [OVERHANG]: every element of the window's tree lies inside its client area, or
# at most OVERHANG pixels past its right edge; a pixel more or less on each side is the
# rounding of places at a fractional scale.
holds() {
    awk -F '\t' -v what="$1" -v client="$CLIENT" -v over="${2:-0}" '
        BEGIN {split(client, c, " ")}
        NR > 1 && $8 ~ /,/ {
            split($8, r, ",")
            if (r[1] < c[1] - 1 || r[2] < c[2] - 1 || r[1] + r[3] > c[1] + c[3] + over + 1 || r[2] + r[4] > c[2] + c[4] + 1) {
                print what ": " $2 " \"" $3 "\" at " $8 " lies outside the client area " client
                bad = 1
            }
        }
        END {exit bad}' "$WORK/tree" || fail "the $1 does not hold what it shows"
}

# Wine draws the frames itself, as Windows does.
registry 'HKCU\Software\Wine\X11 Driver' Decorated REG_SZ N
while read -r dpi scale art; do
    echo "-- $dpi DPI ($scale x): $art"
    registry 'HKCU\Control Panel\Desktop' LogPixels REG_DWORD "$dpi"
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    start_game "$exe" "$WORK/game-$dpi"
    WIN=$(wait_window Varnoth 60) || { describe_game; fail "no window titled Varnoth at $dpi DPI"; }
    sleep 0.5

    # The designed size at that scale, in a fixed frame, centred.
    window Varnoth
    read -r cx cy cw ch <<<"$CLIENT"
    width=$(times "$FACE_WIDTH" "$scale") face=$(times "$FACE_HEIGHT" "$scale")
    menu=$((ch - face))
    echo "client area: ${cw}x$ch, a ${width}x$face face under a menu bar of $menu px"
    [ "$cw" = "$width" ] || fail "the client area is $cw px wide at $scale x, not $width"
    [ "$menu" -ge "$(times 15 "$scale")" ] && [ "$menu" -le "$(times 40 "$scale")" ] ||
        fail "the client area is $ch px high at $scale x: not a $face px face under a menu bar"
    [ "$FRAME" = fixed ] || fail "the window's frame lets it be resized"
    centred "main window" "$scale"
    holds "main window"

    # The face against the artwork, wherever no control shows: each control's place, as
    # UI Automation reports it, is painted out of both. At a fractional scale the face lies
    # at a fraction of a pixel, which Qt paints a row away from where it reports it: the
    # face must match the artwork at its reported row or the next one either way.
    read -r ox oy ow oh <<<"$OUTER"
    read -r facex facey <<<"$(awk -F '\t' '$4 ~ /\.face$/ {split($8, r, ","); print r[1], r[2]; exit}' "$WORK/tree")"
    "${IM_IMPORT[@]}" -window "$WIN" "$WORK/shots/window-$dpi.png" 2>/dev/null || fail "no screenshot"
    for row in 0 1 -1; do
        top=$((facey + row))
        # The rows of the face the client area shows, the artwork's at most.
        shown=$((cy + ch - top < face ? cy + ch - top : face))
        masks=$(awk -F '\t' -v x="$facex" -v y="$top" '
            $1 == 2 && $8 ~ /,/ && $4 ~ /\.face\./ {
                split($8, r, ",")
                printf " -draw \"rectangle %d,%d %d,%d\"", r[1] - x - 1, r[2] - y - 2, r[1] - x + r[3], r[2] - y + r[4] + 1
            }' "$WORK/tree")
        eval "\"\${IM_CONVERT[@]}\" \"$WORK/shots/window-$dpi.png\" -crop ${width}x$shown+$((facex - ox))+$((top - oy)) \
            +repage -fill black $masks \"$WORK/shots/face-$dpi.png\""
        eval "\"\${IM_CONVERT[@]}\" \"$assets/$art\" -crop ${width}x$shown+0+0 +repage -fill black $masks \
            \"$WORK/shots/art-$dpi.png\""
        differ=$("${IM_COMPARE[@]}" -metric AE -fuzz 1% "$WORK/shots/face-$dpi.png" "$WORK/shots/art-$dpi.png" \
            "$WORK/shots/diff-$dpi.png" 2>&1 >/dev/null | cut -d' ' -f1)
        [ "$differ" = 0 ] && break
    done
    echo "the face against $art, outside the controls, at row $((top - cy)) of the client area: $differ pixels differ"
    [ "$differ" = 0 ] || fail "the face at $scale x is not $art pixel for pixel ($differ pixels differ)"

    # The settings dialog, centred and holding its boxes; 设置 is the menu's fourth row.
    xdotool mousemove --window "$WIN" $((facex - ox + $(times 20 "$scale"))) $((facey - oy - menu / 2)) click 1
    sleep 1
    xdotool key Up Return
    wait_for 设置
    window 设置
    centred "settings dialog" "$scale"
    # 秒 (Label2) is designed 4 pixels wider than the dialog: its one character fits.
    holds "settings dialog" "$(times 4 "$scale")"
    xdotool key Escape
    for i in $(seq 50); do wine "$reader" window 设置 >/dev/null 2>&1 || break; sleep 0.2; done

    # A message box on the screen: 确定 with the boxes empty.
    read -r px py <<<"$CONFIRM"
    xdotool mousemove --window "$WIN" $((facex - ox + $(times "$px" "$scale"))) $((facey - oy + $(times "$py" "$scale"))) click 1
    wait_for 提示
    window 提示
    read -r bx by bw bh <<<"$OUTER"
    read -r sw sh <<<"$SCREEN"
    echo "message box: ${bw}x$bh at $bx,$by"
    [ "$bx" -ge 0 ] && [ "$by" -ge 0 ] && [ $((bx + bw)) -le "$sw" ] && [ $((by + bh)) -le "$sh" ] ||
        fail "the message box is not on the screen"
    holds "message box"
    xdotool key Return
    for i in $(seq 50); do wine "$reader" window 提示 >/dev/null 2>&1 || break; sleep 0.2; done

    close_window "$WIN"
    wait_exit 30 || fail "the game did not exit at $scale x"
done <<<"$table"
# The prefix as the other tests expect it.
registry 'HKCU\Control Panel\Desktop' LogPixels REG_DWORD 96
wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Decorated /f >/dev/null 2>&1
echo "PASS: the Windows build at every scale of the table"
