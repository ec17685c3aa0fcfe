#!/usr/bin/env bash
# Builds the Windows release files into dist/ (or the folder given):
#   varnoth.exe                    the game in one file, stripped: runs from anywhere and
#                                  keeps dat.ini beside itself
#   varnoth-VERSION-setup.exe      the installer (Program Files, Start menu, uninstaller;
#                                  that copy keeps dat.ini in %APPDATA%\varnoth)
# Both carry the GPL, Qt's LGPL notice and where the corresponding source is. The game is
# built for size (-Os) and unused sections are dropped; link-time optimisation is left
# out, as Debian 12's MinGW-w64 GCC 12 stops with an internal compiler error on it. The
# static Qt comes from scripts/build-qt-windows.sh (built the first time, cached after).
# On Debian 12 it all runs in the cached Debian 13 root (scripts/on-debian13.sh).
#
# Two builds of one source give the same bytes, wherever and whenever they run: the
# release's time is SOURCE_DATE_EPOCH (by default noon UTC of the release's date, which
# CMakeLists.txt gives), which Qt's resource compiler gives the artwork; the
# source's folder is named "." in whatever the compiler writes; the program's header
# carries no link time (Debian's MinGW-w64 linker writes SOURCE_DATE_EPOCH there; any
# other leaves it 0), and the installer keeps no file's time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dist=$(realpath -m "${1:-$root/dist}")
"$root/scripts/install-deps.sh" package-windows
. "$root/scripts/on-debian13.sh"
on_debian13 "$0" "$dist" -- "$dist"
build=${BUILD_DIR:-$root/build-windows-release}
release_date=$(sed -n 's/^set(VARNOTH_RELEASE_DATE \([0-9-]*\))$/\1/p' "$root/CMakeLists.txt")
[ -n "$release_date" ] || { echo "package-windows.sh: CMakeLists.txt gives no VARNOTH_RELEASE_DATE" >&2; exit 1; }
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(date -u -d "$release_date 12:00" +%s)}
export SOURCE_DATE_EPOCH
BUILD_DIR=$build "$root/scripts/build-windows.sh" -DVARNOTH_TESTS=OFF -DCMAKE_BUILD_TYPE=MinSizeRel \
    "-DCMAKE_CXX_FLAGS=-ffunction-sections -fdata-sections -ffile-prefix-map=$root=." \
    "-DCMAKE_EXE_LINKER_FLAGS=-Wl,--gc-sections -Wl,--no-insert-timestamp"
version=$(sed -n 's/^project(varnoth VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")

mkdir -p "$dist"
x86_64-w64-mingw32-strip -o "$dist/varnoth.exe" "$build/varnoth.exe"

docs=$(mktemp -d)
trap 'rm -rf "$docs"' EXIT
crlf() { sed 's/\r*$/\r/' "$1" >"$2"; }
crlf "$root/LICENSE" "$docs/COPYING.txt"
crlf "$build/NOTICE.txt" "$docs/NOTICE.txt"
crlf /usr/share/common-licenses/LGPL-3 "$docs/LGPL-3.txt"
crlf /usr/share/doc/qt6-base-dev-tools/copyright "$docs/Qt-copyright.txt"
cat >"$docs/README-data.txt" <<'EOF'
Varnoth's data folder.

Its presence beside the folder that holds the program (share\varnoth next to bin) marks an
installed copy of the game: such a copy keeps its records, dat.ini, in the player's own
folder, %APPDATA%\varnoth\dat.ini, rather than under Program Files, which the player may
not write and which every player of the computer shares. Uninstalling leaves them there.

A copy of varnoth.exe run on its own, anywhere, keeps dat.ini beside itself.
EOF
sed -i 's/$/\r/' "$docs/README-data.txt"

makensis -V2 -DVERSION="$version" -DEXE="$dist/varnoth.exe" -DDOCS="$docs" \
    -DOUTFILE="$dist/varnoth-$version-setup.exe" "$root/packaging/windows/varnoth.nsi"
ls -l "$dist/varnoth.exe" "$dist/varnoth-$version-setup.exe"
