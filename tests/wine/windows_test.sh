#!/usr/bin/env bash
# The Windows build, tested under Wine: builds the static Qt if it is not cached, the game,
# the installer and the unit tests that need nothing of one system; runs those tests under
# Wine on Qt's offscreen platform, then plays real games in varnoth.exe and in the
# installed copy on the test desktop (tests/xvfb/e2e.sh). Skips (77) only where Wine or
# MinGW-w64 is not installed.
#
#   windows_test.sh [BUILD_DIR]      (default build-windows/)
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build-windows}
artifacts=$build/artifacts
skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }

command -v wine >/dev/null || skip "Wine is not installed (scripts/install-deps.sh test installs it)"
command -v x86_64-w64-mingw32-g++-posix >/dev/null || skip "MinGW-w64 is not installed"

start=$SECONDS
if qt=$("$root/scripts/build-qt-windows.sh" --check); then
    echo "static Qt: cached in $qt"
else
    echo "static Qt: not cached, building it (the first time only)"
    "$root/scripts/build-qt-windows.sh" >/dev/null
    status=$?
    [ "$status" -eq 3 ] && skip "no static Qt for Windows: it is not cached and its source cannot be fetched"
    [ "$status" -eq 0 ] || fail "the static Qt for Windows could not be built"
    echo "static Qt built in $((SECONDS - start)) s"
fi
BUILD_DIR=$build "$root/scripts/build-windows.sh" || fail "the Windows build failed"
echo "built in $((SECONDS - start)) s"

# A Wine of its own, in a temporary folder, quiet; no offer to fetch Mono or Gecko.
WINEPREFIX=$(mktemp -d)/wine
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null; wineserver -w 2>/dev/null; rm -rf "$(dirname "$WINEPREFIX")"' EXIT
(unset DISPLAY WAYLAND_DISPLAY; wineboot --init) >/dev/null 2>&1 || fail "Wine could not make its prefix"
wineserver -w
echo "Wine prefix made in $((SECONDS - start)) s"

failed=0
# The unit tests, each a Windows program run by CTest through Wine.
(cd "$build" && ctest --output-on-failure) || failed=1

# --version answers on the console it was started from, without a window.
version=$(sed -n 's/^project(varnoth VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
answer=$(env -u DISPLAY wine "$build/varnoth.exe" --version 2>/dev/null | tr -d '\r')
[ "$answer" = "varnoth $version" ] || { echo "FAIL: varnoth.exe --version printed: $answer"; failed=1; }

# Whole games in the Windows program. Each scenario has a desktop of its own; Wine's
# desktop process is ended with it, so that the next one starts on the next display.
setup=$(mktemp -d)
if "$root/scripts/package-windows.sh" "$setup" >"$setup.log" 2>&1; then
    installer=$setup/varnoth-$version-setup.exe
else
    cat "$setup.log"; echo "FAIL: the installer could not be built"; failed=1; installer=
fi
# The face's screen regions, written from the face table (the same on both systems) by the
# Linux build, which the test command makes first.
regions=$root/build/face_regions.sh
[ -f "$regions" ] || BUILD_DIR=$root/build "$root/scripts/build.sh" >/dev/null || fail "no face regions: $regions"
run() {
    local exe=$1 scenario=$2
    "$root/tests/xvfb/e2e.sh" "$exe" "$artifacts/wine" "$scenario" "$regions" || { echo "FAIL: scenario $scenario"; failed=1; }
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
}
for scenario in lost-by-tries record-at-end chinese-holder-kept end-session-after-record \
    taskkill-with-offer-open; do
    run "$build/varnoth.exe" "$scenario"
done
[ -n "$installer" ] && run "$installer" installed
rm -rf "$setup" "$setup.log"
echo "Windows tests done in $((SECONDS - start)) s"
exit $failed
