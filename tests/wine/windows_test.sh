#!/usr/bin/env bash
# The Windows build, tested under Wine: its unit and widget tests (the wine tier of its
# build folder) on Qt's minimal platform, --version on the console, then real games in
# varnoth.exe and in the copy the installer puts under Program Files, on the test desktop
# (tests/xvfb/e2e.sh). The build steps are scripts/build-windows.sh and
# scripts/package-windows.sh, which scripts/test.sh runs first.
#
#   windows_test.sh BUILD_DIR DIST_DIR    (DIST_DIR: what package-windows.sh wrote)
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$1
dist=$2
artifacts=$build/artifacts
. "$root/tests/support/testlib.sh"
command -v wine >/dev/null || skip "Wine is not installed (scripts/install-deps.sh test installs it)"
start=$SECONDS

# A Wine of its own, in a temporary folder, quiet; no offer to fetch Mono or Gecko.
WINEPREFIX=$(mktemp -d)/wine
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null; wineserver -w 2>/dev/null; rm -rf "$(dirname "$WINEPREFIX")"' EXIT
wineboot --init >/dev/null 2>&1 || fail "Wine could not make its prefix"
wineserver -w
echo "Wine prefix made in $((SECONDS - start)) s"

failed=0
# The unit and widget tests, each a Windows program run by CTest through Wine.
(cd "$build" && ctest --output-on-failure -L wine) || failed=1

# --version answers on the console it was started from, without a window.
version=$(sed -n 's/^project(varnoth VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
answer=$(env -u DISPLAY wine "$build/varnoth.exe" --version 2>/dev/null | tr -d '\r')
[ "$answer" = "varnoth $version" ] || { echo "FAIL: varnoth.exe --version printed: $answer"; failed=1; }

# Wine's processes of the tests above (its desktop among them) run with no X display and
# outlive them for a while: a game started meanwhile would join them and show no window.
# The games below each start a Wine of their own, on their own display.
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null

# Whole games in the Windows program. Each scenario has a desktop of its own; Wine's
# desktop process is ended with it, so that the next one starts on the next display.
installer=$dist/varnoth-$version-setup.exe
[ -f "$installer" ] || fail "no installer: $installer"
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
run "$installer" installed
echo "Windows tests done in $((SECONDS - start)) s"
exit $failed
