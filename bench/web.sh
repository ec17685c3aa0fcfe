#!/usr/bin/env bash
# The web page's figures: what it downloads, part by part, raw and gzip-compressed (as a
# server that compresses sends it; gzip -9), what asyncify costs against the game linked
# without it and with JSPI, and start to the first complete picture in Debian's Chromium,
# headless, against the floor page (a bare Qt page showing the text the game opens with, in
# the same fonts): medians of RUNS loads each, interleaved (web.py).
#
#   bench/web.sh [RUNS]      (default 11)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-11}
work=$root/build-bench-web
"$root/scripts/install-deps.sh" test
"$root/scripts/package-web.sh" "$work/dist" >/dev/null
"$root/bench/web-builds.sh" "$work" "$work/dist/web"
page=$work/dist/web

gzipped() { gzip -9nc "$1" | wc -c; }
mib() { awk -v b="$1" 'BEGIN { printf "%.2f MiB", b / 1048576 }'; }
row() { printf '%-34s %14s %14s\n' "$@"; }
echo
row "what the page downloads" raw gzip
total_raw=0 total_gzip=0
# The browser fetches the page, its scripts, the game, the fonts' list and fonts, the
# manifest and the icon; the licence files are there to be read, not fetched.
for file in index.html qtloader.js varnoth.js varnoth.wasm fonts/fonts.json fonts/song.ttf fonts/kai.ttf \
    fonts/hei.ttf fonts/fallback.otf fonts/fallback-upper.otf manifest.webmanifest icon.svg; do
    raw=$(stat -c %s "$page/$file") packed=$(gzipped "$page/$file")
    total_raw=$((total_raw + raw)) total_gzip=$((total_gzip + packed))
    row "$file" "$raw B" "$packed B"
done
row "everything" "$(mib "$total_raw")" "$(mib "$total_gzip")"
echo
row "varnoth.wasm, event loops" raw gzip
for loops in asyncify none jspi; do
    wasm=$page/varnoth.wasm
    [ "$loops" = asyncify ] || wasm=$work/game-$loops/varnoth.wasm
    row "$loops" "$(stat -c %s "$wasm") B" "$(gzipped "$wasm") B"
done
echo
echo "Start to the first complete picture, median (min, max) of $runs loads each, headless Chromium:"
"$root/bench/web.py" "$runs" game="$page" floor="$work/floor" game-without-asyncify="$work/game-none-page" \
    game-jspi="$work/game-jspi-page" |
    while read -r name median low high; do row "$name" "$median ms" "($low-$high)"; done
