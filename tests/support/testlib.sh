# What every test script shares: failing and skipping; a desktop of its own (an Xvfb
# display with openbox, or a headless weston) with a session bus and the accessibility bus;
# the game copied alone into a temporary directory and started there (natively or under
# Wine); ways to find, drive, photograph and close its windows. Source it; a desktop test
# calls xstart or wstart first.
#
# A test skips (exit code 77, which CTest counts as skipped, and a line "SKIP: why") only
# when a tool it needs is not installed. A tool that is installed but does not start
# fails the test: a green run must not hide coverage it lost.
#
# Nothing is taken from the caller's environment: not its display, bus, runtime directory,
# home or locale, so a test runs the same over SSH, in a container or on a desktop.

# Characters, not bytes, whatever locale the caller had: the names typed are Chinese.
export LC_ALL=C.UTF-8
unset LANG LANGUAGE DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS XDG_SESSION_TYPE XDG_CURRENT_DESKTOP \
      SESSION_MANAGER QT_QPA_PLATFORM QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_ACCESSIBILITY

XVFB_PID=""
WM_PID=""
BUS_PID=""
GAME_PID=""
WORK=""

xcleanup() {
    [ -n "$GAME_PID" ] && kill "$GAME_PID" 2>/dev/null
    [ -n "$WM_PID" ] && kill "$WM_PID" 2>/dev/null
    [ -n "$BUS_PID" ] && kill "$BUS_PID" 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    [ -n "$WORK" ] && rm -rf "$WORK"
    return 0
}

skip() { echo "SKIP: $*"; exit 77; }
# packages_built DIR: the tests that take the packages the package test (deb) leaves in DIR
# skip, with its reason, when it skipped (tests/package/deb_test.sh), and fail when it left none.
packages_built() {
    [ ! -f "$1/skipped" ] || skip "the package test skipped: $(cat "$1/skipped")"
    compgen -G "$1/varnoth_*.deb" >/dev/null || fail "no package in $1: the package test built none"
}
# fail MESSAGE: ends the test as failed. A test that keeps evidence of a failure (a
# screenshot) defines on_failure, which runs first.
fail() {
    declare -F on_failure >/dev/null && on_failure
    echo "FAIL: $*"
    exit 1
}

# display_taken N: true if an X server may already own display N, as seen from here: its
# lock file, its socket, or its abstract socket (which a server in another mount
# namespace, a chroot, holds without any file of ours showing it).
display_taken() {
    [ -e "/tmp/.X$1-lock" ] || [ -e "/tmp/.X11-unix/X$1" ] || grep -q "@/tmp/.X11-unix/X$1\$" /proc/net/unix
}

# xvfb_start: starts Xvfb on a free display, a screen of $XVFB_SCREEN (default 1024x768),
# and exports DISPLAY. Tests that run side by side may pick the same number at once: the
# one that loses the lock tries the next. A
# server answers on the display only once it holds that display's lock with its own pid:
# until the loser has noticed and exited, the winner's server answers there too, and a
# test that took it for its own would share it, and lose it when the other test ends.
# -noreset: by default the server resets when its last client leaves, and refuses
# connections meanwhile, so the window manager starting right after the probe would fail.
xvfb_start() {
    local n i
    for n in $(seq 91 250); do
        display_taken "$n" && continue
        Xvfb ":$n" -screen 0 "${XVFB_SCREEN:-1024x768}x24" -nolisten tcp -dpi 96 -noreset >"$WORK/xvfb.log" 2>&1 &
        XVFB_PID=$!
        for i in $(seq 100); do
            kill -0 "$XVFB_PID" 2>/dev/null || break
            if [ "$(tr -cd 0-9 2>/dev/null <"/tmp/.X$n-lock")" = "$XVFB_PID" ] &&
                DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then
                export DISPLAY=":$n"
                return 0
            fi
            sleep 0.1
        done
        kill "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
        XVFB_PID=""
    done
    return 1
}

# session_start CLEANUP: what any desktop session has, whichever display it uses: $WORK with
# its own home and runtime directory, and a session bus; CLEANUP undoes it all at exit.
session_start() {
    command -v dbus-daemon >/dev/null || skip "dbus-daemon is not installed"
    CLEANUP=$1
    trap "$CLEANUP" EXIT
    WORK=$(mktemp -d)
    export HOME="$WORK/home" XDG_RUNTIME_DIR="$WORK/runtime"
    export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_CACHE_HOME="$HOME/.cache"
    mkdir -p "$HOME" && mkdir -m 700 -p "$XDG_RUNTIME_DIR"
    # The session bus every desktop has; without one, Qt's first accessibility question
    # makes it launch a bus of its own through X, which outlives the test.
    local bus
    bus=$(dbus-daemon --session --fork --nopidfile --print-address=1 --print-pid=1 \
          --address="unix:path=$XDG_RUNTIME_DIR/bus") || fail "the session bus could not start"
    export DBUS_SESSION_BUS_ADDRESS=${bus%%$'\n'*}
    BUS_PID=${bus##*$'\n'}
}

# xstart: a session (session_start), Xvfb on a free display and openbox on it.
xstart() {
    command -v Xvfb >/dev/null || skip "Xvfb is not installed (scripts/install-deps.sh test installs it)"
    command -v xdotool >/dev/null || skip "xdotool is not installed"
    command -v openbox >/dev/null || skip "openbox is not installed"
    command -v xwd >/dev/null || skip "xwd is not installed (scripts/install-deps.sh test installs it)"
    session_start xcleanup
    local i
    xvfb_start || fail "Xvfb could not start: $(tail -n 3 "$WORK/xvfb.log")"
    openbox >"$WORK/openbox.log" 2>&1 &
    WM_PID=$!
    # Until openbox has taken the screen, Alt+F4 and window activation go nowhere.
    for i in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
        kill -0 "$WM_PID" 2>/dev/null || fail "openbox could not start on $DISPLAY: $(tail -n 3 "$WORK/openbox.log")"
        sleep 0.1
    done
    fail "openbox did not take the screen on $DISPLAY"
}

# start_game EXE [DIR]: copies the executable alone into DIR (default $WORK/game) and starts it
# there; a Windows build (varnoth.exe) runs under Wine, in the caller's $WINEPREFIX.
start_game() {
    local dir=${2:-$WORK/game}
    mkdir -p "$dir"
    if [[ $1 == *.exe ]]; then
        cp "$1" "$dir/varnoth.exe"
        (cd "$dir" && exec wine varnoth.exe >"$WORK/game.log" 2>&1) &
    else
        cp "$1" "$dir/varnoth"
        (cd "$dir" && exec ./varnoth >"$WORK/game.log" 2>&1) &
    fi
    GAME_PID=$!
    GAME_DIR=$dir
}

# wait_window TITLE [SECONDS]: prints the id of the visible window with exactly that title.
wait_window() {
    local title=$1 seconds=${2:-10} i id
    for i in $(seq $((seconds * 10))); do
        id=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n 1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

# wait_gone TITLE [SECONDS]: waits until no visible window has exactly that title.
wait_gone() {
    local seconds=${2:-10} i
    for i in $(seq $((seconds * 10))); do
        xdotool search --onlyvisible --name "^${1}\$" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    return 1
}

# window_size ID: prints "WIDTHxHEIGHT" of the window's client area.
window_size() {
    xwininfo -id "$1" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}'
}

# fixed_size ID: prints "WIDTHxHEIGHT" of the size a fixed-size window asks the window
# manager for (its smallest and largest size, which must be equal), or nothing.
fixed_size() {
    xprop -id "$1" WM_NORMAL_HINTS 2>/dev/null | awk '
        /minimum size:/ {min = $(NF-2) "x" $NF}
        /maximum size:/ {max = $(NF-2) "x" $NF}
        END {if (min != "" && min == max) print min}'
}

# activate ID: makes the window the active one and waits until it is, so that keys reach
# it and the window manager's own keys act on it.
activate() {
    local i
    for i in $(seq 100); do
        [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ] && return 0
        xdotool windowactivate "$1" >/dev/null 2>&1
        sleep 0.1
    done
    fail "window $1 never became active"
}

# close_window ID: asks the window manager to close the window, as Alt+F4 does. Should the
# window still be there and active five seconds later, with no box of the game's showing
# (titled 提示 or 设置), the keys were
# lost between the X server and the window manager (a player presses them again): they are
# sent once more, and the log says so. A game that opens a box instead, or that ignores
# the request, still fails the test that waits for it to end.
close_window() {
    local i
    activate "$1"
    xdotool key --clearmodifiers alt+F4
    for i in $(seq 50); do
        xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable' || return 0
        sleep 0.1
    done
    if [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ] &&
        ! xdotool search --onlyvisible --name '^(提示|设置)$' >/dev/null 2>&1; then
        echo "close_window: window $1 still open 5 s after Alt+F4, with nothing else showing; pressing Alt+F4 again"
        xdotool key --clearmodifiers alt+F4
    fi
}

# describe_game: what a game that does not end is doing, for the test's log: the windows
# on the screen, the game's threads and where each waits, and what it printed.
describe_game() {
    local w task
    echo "--- windows (active: $(xdotool getactivewindow 2>/dev/null)):"
    for w in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
        echo "  $w $(xdotool getwindowname "$w" 2>/dev/null)"
    done
    echo "--- the game's threads (state, waiting in):"
    for task in /proc/"$GAME_PID"/task/*; do
        echo "  $(cat "$task/comm" 2>/dev/null): $(awk '{print $3}' "$task/stat" 2>/dev/null) $(cat "$task/wchan" 2>/dev/null)"
    done
    echo "--- the game printed:"
    tail -n 20 "$WORK/game.log" 2>/dev/null
}

# wait_exit [SECONDS] [any]: waits for the game's process to end; fails the test if it
# ended with an error (a crash, or a sanitizer's report in an instrumented build), unless
# "any" says its status tells nothing. An instrumented game checks its memory for leaks as
# it exits, which takes a while.
wait_exit() {
    local seconds=${1:-30} i status
    for i in $(seq $((seconds * 10))); do
        if ! kill -0 "$GAME_PID" 2>/dev/null; then
            wait "$GAME_PID" 2>/dev/null
            status=$?
            GAME_PID=""
            [ "$status" -eq 0 ] || [ "${2:-}" = any ] || fail "the game exited with status $status: $(tail -n 30 "$WORK/game.log")"
            return 0
        fi
        sleep 0.1
    done
    describe_game
    return 1
}

# ImageMagick's tools as the installed version wants them called: version 7 has one
# command, magick (its convert is magick alone; the old names still work but warn on
# their output), version 6 one command a tool.
if command -v magick >/dev/null; then
    IM_CONVERT=(magick) IM_IMPORT=(magick import) IM_IDENTIFY=(magick identify) IM_COMPARE=(magick compare)
else
    IM_CONVERT=(convert) IM_IMPORT=(import) IM_IDENTIFY=(identify) IM_COMPARE=(compare)
fi

# screenshot ID FILE: saves the window (frame excluded) as a PNG.
screenshot() {
    timeout 20 "${IM_IMPORT[@]}" -window "$1" "$2" 2>/dev/null || timeout 20 xwd -id "$1" -silent | "${IM_CONVERT[@]}" xwd:- "$2"
}

# --- Playing the game window from outside --------------------------------------------
# These need the face's size and regions: source the face_regions.sh that the build writes.

# The height of the menu bar: the face lies below it.
menu_height() {
    local size
    size=$(window_size "$1")
    echo $((${size#*x} - FACE_HEIGHT))
}

# popup_window: prints the id of the game's popup menu while one shows (an override-redirect
# window: Qt does not always name or type a menu it shows again); popup_open: whether one does.
popup_window() {
    local w
    for w in $(xdotool search --onlyvisible --classname '^varnoth(\.exe)?$' 2>/dev/null); do
        xwininfo -id "$w" 2>/dev/null | grep -q 'Override Redirect State: yes' && { echo "$w"; return 0; }
    done
    return 1
}
popup_open() { popup_window >/dev/null; }

# open_menu ID: opens 选项 with the mouse; prints the id of the menu that shows.
open_menu() {
    local i
    activate "$1"
    xdotool mousemove --window "$1" 20 8 click 1
    for i in $(seq 50); do popup_open && break; sleep 0.1; done
    if ! popup_open; then
        # A click that came while the window was still settling (its first exposure, a
        # box just closed) can go unanswered: a player clicks again.
        echo "open_menu: the menu did not open within 5 s; clicking again" >&2
        xdotool mousemove --window "$1" 20 8 click 1
        for i in $(seq 100); do popup_open && break; sleep 0.1; done
    fi
    popup_window || fail "the menu did not open"
}

# click_menu_row MENU ROW: clicks the item at that row, from 1, of the open menu's four;
# then waits for the menu to close.
click_menu_row() {
    local X Y WIDTH HEIGHT SCREEN WINDOW i
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + 3 + (HEIGHT - 6) * (2 * $2 - 1) / 8)) click 1
    for i in $(seq 50); do popup_open || break; sleep 0.1; done
    sleep 0.2
}

# choose_menu ID N [ROW]: opens 选项 with the mouse and picks the Nth enabled item with the
# keys. Under Wine the keys do not reach a menu opened while a digit box has the focus; a
# player then clicks the item: given ROW, its place among the menu's four rows, the item is
# clicked when the menu is still open two seconds after the keys.
choose_menu() {
    local id=$1 n=$2 row=${3:-} i menu
    menu=$(open_menu "$id") || exit 1
    for i in $(seq "$n"); do xdotool key Down; done
    xdotool key Return
    for i in $(seq 20); do popup_open || break; sleep 0.1; done
    if [ -n "$row" ] && popup_open; then
        click_menu_row "$menu" "$row"
    fi
    for i in $(seq 50); do popup_open || break; sleep 0.1; done
    sleep 0.2
}

# click_menu ID ROW: opens 选项 and clicks the item at that row of its four, as a player
# does with the mouse alone.
click_menu() {
    local menu
    menu=$(open_menu "$1") || exit 1
    click_menu_row "$menu" "$2"
}

# click_face ID X Y: a left click at a point of the face.
click_face() {
    xdotool mousemove --window "$1" "$2" $(($3 + $(menu_height "$1"))) click 1
    sleep 0.2
}

# click_confirm ID: clicks the drawn 确定 button.
click_confirm() { click_face "$1" $CONFIRM; }

# type_keys TEXT: types into whatever has the keyboard focus.
type_keys() {
    xdotool type --delay 60 "$1"
    sleep 0.2
}

# paste_text TEXT: puts the text on the clipboard and pastes it (Ctrl+V), as a player does
# with a name copied from elsewhere.
paste_text() {
    printf '%s' "$1" | xclip -selection clipboard 2>/dev/null
    sleep 0.3
    xdotool key ctrl+v
    sleep 0.3
}

# type_unicode TEXT: types characters that no key of the layout carries (Chinese). Each
# is first put on a free key with xmodmap, and typed once the window has had time to read
# the new keyboard map: xdotool's own on-the-fly remapping can lose the first character.
type_unicode() {
    local text=$1 i code keycodes
    keycodes=($(xmodmap -pke | awk 'NF == 3 && $1 == "keycode" {print $2}' | tail -n "${#text}"))
    [ "${#keycodes[@]}" -ge "${#text}" ] || fail "no free keycodes for $text"
    for ((i = 0; i < ${#text}; i++)); do
        code=$(printf 'U%04X' "'${text:i:1}")
        xmodmap -e "keycode ${keycodes[i]} = $code"
    done
    sleep 0.5
    for ((i = 0; i < ${#text}; i++)); do
        xdotool key "$(printf 'U%04X' "'${text:i:1}")"
        sleep 0.1
    done
    sleep 0.2
}

# face_shot ID FILE: a screenshot of the face alone.
face_shot() {
    timeout 20 "${IM_IMPORT[@]}" -window "$1" "$2.full.png" 2>/dev/null || return 1
    "${IM_CONVERT[@]}" "$2.full.png" -crop "${FACE_WIDTH}x${FACE_HEIGHT}+0+$(menu_height "$1")" +repage "$2"
    rm -f "$2.full.png"
}

# colour_pixels IMAGE X Y W H COLOUR: how many pixels of that region of an image (a face
# shot, or a window capture as xwd:FILE) belong to the colour family (yellow or magenta), antialiased edges of thin glyphs included.
colour_pixels() {
    local test
    case "$6" in
    yellow) test='r>0.35 && g>0.35 && b<0.2 && abs(r-g)<0.15' ;;
    magenta) test='r>0.35 && b>0.35 && g<0.2 && abs(r-b)<0.15' ;;
    *) echo 0; return ;;
    esac
    "${IM_CONVERT[@]}" "$1" -crop "${4}x${5}+${2}+${3}" +repage -fx "($test) ? 1 : 0" -format '%[fx:round(mean*w*h)]\n' info:
}

# capture_frames ID DIR SECONDS: saves the window as DIR/0.xwd, DIR/1.xwd, ... ten times a
# second for that long (xwd is quick even where ImageMagick is slow to start).
capture_frames() {
    local k=0 end=$((SECONDS + $3))
    while [ "$SECONDS" -lt "$end" ]; do
        xwd -id "$1" -silent >"$2/next" 2>/dev/null && mv "$2/next" "$2/$k.xwd" && k=$((k + 1))
        sleep 0.1
    done
}

# wait_colour ID X Y W H COLOUR PRESENT SECONDS: waits until the region of the face shows
# (PRESENT=yes) or no longer shows (PRESENT=no) that colour. The window is captured in the
# background while the frames are judged one by one, so a state that lasts only a moment
# (a message shown for two seconds) is seen however slowly the judging goes.
wait_colour() {
    local id=$1 x=$2 y=$3 w=$4 h=$5 colour=$6 present=$7 seconds=$8 k=0 n top frames capturer next
    top=$(menu_height "$id")
    frames=$(mktemp -d "$WORK/frames.XXXXXX")
    capture_frames "$id" "$frames" "$seconds" &
    capturer=$!
    while :; do
        if [ ! -e "$frames/$k.xwd" ]; then
            if kill -0 "$capturer" 2>/dev/null; then sleep 0.05; continue; fi
            [ -e "$frames/$k.xwd" ] || break   # every frame judged, and no more coming
        fi
        n=$(colour_pixels "xwd:$frames/$k.xwd" "$x" $((y + top)) "$w" "$h" "$colour")
        # Next, the newest frame taken at most half a second after this one: judging keeps
        # up with the window, and no state that lasts longer than that goes unjudged.
        next=$(find "$frames" -name '*.xwd' -printf '%f %T@\n' | sed 's/\.xwd / /' | sort -n |
            awk -v k="$k" '$1 == k {t = $2} $1 > k && t && $2 <= t + 0.5 {n = $1} END {print (n ? n : k + 1)}')
        while [ "$k" -lt "$next" ]; do rm -f "$frames/$k.xwd"; k=$((k + 1)); done
        if { [ "$present" = yes ] && [ "${n:-0}" -gt 10 ]; } || { [ "$present" = no ] && [ "${n:-99}" -le 2 ]; }; then
            kill "$capturer" 2>/dev/null
            wait "$capturer" 2>/dev/null
            rm -rf "$frames"
            return 0
        fi
    done
    wait "$capturer" 2>/dev/null
    rm -rf "$frames"
    return 1
}

# dat_ini_is TEXT: the game's dat.ini holds exactly TEXT (printf escapes allowed), read as GB18030.
dat_ini_is() {
    local expected actual
    expected=$(printf "$1" | od -c)
    actual=$(iconv -f GB18030 -t UTF-8 <"$GAME_DIR/dat.ini" 2>/dev/null | od -c)
    [ "$actual" = "$expected" ] || fail "dat.ini holds: $(od -c <"$GAME_DIR/dat.ini" 2>/dev/null)"
}

# --- The accessibility bus -------------------------------------------------------------

A11Y_ADDRESS=""

# a11y_start: what a desktop with a screen reader running offers its programs: the
# accessibility bus, launched on this test's own session bus by D-Bus activation (with
# the X display, if there is one, in the activation environment, as an X session sets
# it), and the flag a screen reader sets to say it is listening. Call after xstart or
# wstart and before start_game.
a11y_start() {
    [ -x /usr/libexec/at-spi-bus-launcher ] || skip "at-spi2-core is not installed"
    /usr/bin/python3 -c 'import gi; gi.require_version("Atspi", "2.0")' 2>/dev/null \
        || skip "python3-gi and gir1.2-atspi-2.0 are not installed"
    trap "a11y_stop; $CLEANUP" EXIT
    if [ -n "${DISPLAY:-}" ]; then
        dbus-send --session --type=method_call --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
            org.freedesktop.DBus.UpdateActivationEnvironment "dict:string:string:DISPLAY,$DISPLAY" >/dev/null \
            || fail "the session bus refused the activation environment"
    fi
    local address
    address=$(dbus-send --session --print-reply=literal --dest=org.a11y.Bus /org/a11y/bus \
        org.a11y.Bus.GetAddress 2>&1) || fail "the accessibility bus could not start: $address"
    A11Y_ADDRESS=$(echo $address)
    dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.freedesktop.DBus.Properties.Set \
        string:org.a11y.Status string:ScreenReaderEnabled variant:boolean:true >/dev/null \
        || fail "could not set ScreenReaderEnabled"
}

# bus_pid BUS NAME: the process that owns NAME on BUS (--session or --address=...).
bus_pid() {
    dbus-send "$1" --print-reply=literal --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.GetConnectionUnixProcessID "string:$2" 2>/dev/null | awk '{print $2}'
}

# a11y_stop: ends the bus launcher, the accessibility bus and its registry, by their ids,
# and waits for them, so that nothing of the test outlives it.
a11y_stop() {
    [ -n "$A11Y_ADDRESS" ] || return 0
    local pids pid i
    pids="$(bus_pid "--address=$A11Y_ADDRESS" org.a11y.atspi.Registry) $(bus_pid "--address=$A11Y_ADDRESS" org.freedesktop.DBus) $(bus_pid --session org.a11y.Bus)"
    for pid in $pids; do kill "$pid" 2>/dev/null; done
    for i in $(seq 50); do
        for pid in $pids; do kill -0 "$pid" 2>/dev/null && break; pid=""; done
        [ -z "$pid" ] && break
        sleep 0.1
    done
    A11Y_ADDRESS=""
    return 0
}

# --- A Wayland desktop instead of X --------------------------------------------------

WESTON_PID=""

wcleanup() {
    [ -n "$GAME_PID" ] && kill "$GAME_PID" 2>/dev/null
    [ -n "$WESTON_PID" ] && kill "$WESTON_PID" 2>/dev/null
    xcleanup
}

# wstart: a session (session_start) and Debian's weston compositor with its headless
# backend (no screen, no input devices) on a socket in its runtime directory, with Qt
# pointed at it. Weston logs the protocol its clients speak to $WORK/weston.log.
wstart() {
    command -v weston >/dev/null || skip "weston is not installed (scripts/install-deps.sh test installs it)"
    session_start wcleanup
    weston --backend=headless-backend.so --socket=wayland-test --no-config --idle-time=0 \
           --logger-scopes=log,proto --log="$WORK/weston.log" >/dev/null 2>&1 &
    WESTON_PID=$!
    local i
    for i in $(seq 100); do
        [ -S "$XDG_RUNTIME_DIR/wayland-test" ] && break
        kill -0 "$WESTON_PID" 2>/dev/null || fail "weston could not start: $(tail -n 3 "$WORK/weston.log")"
        sleep 0.1
    done
    [ -S "$XDG_RUNTIME_DIR/wayland-test" ] || fail "weston did not open its socket within 10 s"
    export WAYLAND_DISPLAY=wayland-test QT_QPA_PLATFORM=wayland
}
