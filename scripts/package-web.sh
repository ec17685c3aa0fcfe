#!/usr/bin/env bash
# Builds the web page into DIST/web/ (dist/web/ by default): the page (index.html), Qt's
# loader (qtloader.js), the game (varnoth.js, varnoth.wasm), its fonts (fonts/: the game's
# three faces cut down to what it shows, and a fallback for any other character; see
# tools/webfonts.py), the icon and a web app manifest, with the licences. Any static web
# server serves the folder as it is:
#
#   python3 -m http.server -d dist/web 8000     # then open http://localhost:8000/
#
# The static Qt comes from scripts/build-qt-web.sh (built the first time, cached after). On
# Debian 12 it all runs in the cached Debian 13 root (scripts/on-debian13.sh).
#
# Two builds of one source give the same bytes, wherever and whenever they run: the
# release's time is SOURCE_DATE_EPOCH (by default the date of debian/changelog's latest
# entry), which Qt's resource compiler gives the artwork; the source's folder is named "."
# in whatever the compiler writes; the fonts keep their own timestamps.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dist=$(realpath -m "${1:-$root/dist}")
"$root/scripts/install-deps.sh" package-web
. "$root/scripts/on-debian13.sh"
on_debian13 "$0" "$dist" "${VARNOTH_QT_WEB_CACHE:-/var/cache/varnoth/qt-web}" -- "$dist"
build=${BUILD_DIR:-$root/build-web-release}
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(dpkg-parsechangelog --file "$root/debian/changelog" --show-field Timestamp)}
export SOURCE_DATE_EPOCH
BUILD_DIR=$build "$root/scripts/build-web.sh" "-DCMAKE_CXX_FLAGS=-ffile-prefix-map=$root=."

page=$dist/web
rm -rf "$page"
mkdir -p "$page/fonts"
cp "$build/varnoth.js" "$build/varnoth.wasm" "$build/qtloader.js" "$page/"
cp "$root/packaging/web/index.html" "$root/packaging/web/manifest.webmanifest" "$page/"
cp "$root/assets/icon.svg" "$root/assets/icon-128.png" "$root/assets/icon-256.png" "$page/"
python3 "$root/tools/webfonts.py" "$root" "$page/fonts"
cp "$root/LICENSE" "$page/COPYING.txt"
qt=$("$root/scripts/build-qt-web.sh" --check)
sed -e "s/@QT_DEBIAN_VERSION@/$(basename "$qt"/qt6-base_*.dsc .dsc | sed 's/^qt6-base_//')/" \
    -e "s/@QT_PATCHES@/$(cd "$qt/varnoth-patches" && ls | paste -sd, | sed 's/,/, /g')/" \
    "$root/packaging/web/NOTICE.txt.in" >"$page/NOTICE.txt"
(cd "$page" && find . -type f | sort | xargs ls -l)
