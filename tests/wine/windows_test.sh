#!/usr/bin/env bash
# The Windows build, tested under Wine: its unit and widget tests (the wine tier of its
# build folder) on Qt's minimal platform, --version on the console, then real games in
# varnoth.exe and in the copy the installer puts under Program Files, on the test desktop
# (tests/xvfb/e2e.sh). The build steps are scripts/build-windows.sh and
# scripts/package-windows.sh, which scripts/test.sh runs first.
#
#   windows_test.sh BUILD_DIR DIST_DIR FACE_REGIONS
#   (DIST_DIR: what package-windows.sh wrote; FACE_REGIONS: the Linux build's face_regions.sh)
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$1
dist=$2
regions=$3
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

# The manifest Windows reads before the program starts: per-monitor DPI awareness (v2, with
# v1 for older Windows 10), Windows 10 and 11 declared, no more rights than the user's.
reader=$build/tests/winreader.exe
manifest=$(wine "$reader" manifest "$dist/varnoth.exe" 2>&1)
for part in '<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2, PerMonitor</dpiAwareness>' \
    '<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true/pm</dpiAware>' \
    '<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>' \
    '<requestedExecutionLevel level="asInvoker" uiAccess="false"/>'; do
    grep -qF "$part" <<<"$manifest" || { echo "FAIL: the manifest of varnoth.exe lacks $part: $manifest"; failed=1; }
done

# Wine's processes of the tests above (its desktop among them) run with no X display and
# outlive them for a while: a game started meanwhile would join them and show no window.
# The games below each start a Wine of their own, on their own display.
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null

# Whole games in the Windows program. Each scenario has a desktop of its own; Wine's
# desktop process is ended with it, so that the next one starts on the next display.
installer=$dist/varnoth-$version-setup.exe
[ -f "$installer" ] || fail "no installer: $installer"
[ -f "$regions" ] || fail "no face regions: $regions"
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
# A screen reader's path through UI Automation, and every Windows scale.
"$root/tests/wine/uia.sh" "$dist/varnoth.exe" "$reader" "$regions" || { echo "FAIL: UI Automation"; failed=1; }
wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
"$root/tests/wine/scales.sh" "$dist/varnoth.exe" "$reader" "$regions" "$root/assets" || { echo "FAIL: scales"; failed=1; }
echo "Windows tests done in $((SECONDS - start)) s"
exit $failed
