#!/usr/bin/env bash
# Builds the static Qt that the web page of Varnoth links, from Debian 13's own qt6-base
# source (Qt 6.8, the long-term release) with Debian's patches and this project's
# (packaging/web/qt/), for WebAssembly with Debian 13's emscripten, using the host tools
# (moc, rcc, uic...) of the installed qt6-base-dev-tools, and keeps it in a machine-wide
# cache. On Debian 12, whose emscripten is too old for Qt 6.8, it runs in the cached
# Debian 13 root (scripts/on-debian13.sh). Prints the folder Qt is installed in (its
# CMAKE_PREFIX_PATH) on its last line of standard output; everything else goes to
# standard error.
#
#   build-qt-web.sh            build if not cached, print the prefix
#   build-qt-web.sh --check    print the prefix and exit 0 if cached, exit 1 if not
#   build-qt-web.sh --key      print the cache key and what it is made of
# Exits 3 when the source cannot be fetched (no way to the Debian mirror).
#
# The cache key is a hash of the source version, emscripten's version (and binaryen's and
# LLVM's, which it runs), the host tools' version, the patches and the configure line
# below; a change in any of them builds a new Qt beside the old. The stamp file is written
# last, so a build cut short is redone from the start; a hit costs nothing. Two runs at once
# wait for each other rather than build twice.
#
# Qt's configure reads where emscripten is from $EMSDK/.emscripten, a path below $EMSDK:
# Debian's emscripten, in /usr/share/emscripten, is no emsdk, so a small folder beside the
# installed Qt stands for one (emsdk/upstream/emscripten, a link to it), and the game's
# build uses it too.
#
# The cache is /var/cache/varnoth/qt-web (or $VARNOTH_QT_WEB_CACHE); where that cannot be
# created, ~/.cache/varnoth/qt-web. The source is fetched as scripts/build-qt-windows.sh
# fetches it. First build on 2 cores: about 1 minute to fetch and unpack, 2 to configure,
# 12 to 25 to build (docs/web.md gives the measured time); about 60 MiB installed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/on-debian13.sh"
on_debian13 "$0" "${VARNOTH_QT_WEB_CACHE:-/var/cache/varnoth/qt-web}" -- "$@"
mode=${1:-build}
log() { echo "build-qt-web: $*" >&2; }

for tool in emcc dpkg-source apt-get ninja cmake sha256sum; do
    command -v "$tool" >/dev/null || { log "$tool is missing: run scripts/install-deps.sh package-web"; exit 1; }
done
host_tools_version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools 2>/dev/null) ||
    { log "qt6-base-dev-tools is not installed: run scripts/install-deps.sh package-web"; exit 1; }
# The source must be the very version of the host tools: moc's output and rcc's format
# belong to one Qt release.
source_version=$host_tools_version
# emscripten and what it runs: binaryen and the LLVM it depends on.
compiler_version=$(dpkg-query -W -f='${Package} ${Version}; ' emscripten binaryen \
    $(dpkg-query -W -f='${Depends}' emscripten | grep -oE '\b(clang|lld|llvm)-[0-9]+\b' | sort -u))
emscripten_root=/usr/share/emscripten

# The configure line. Left out, each for a reason: threads (a page's threads need
# cross-origin isolation, which a plain static server does not give); what the game does not
# use (SQL, network, XML, concurrent, printing, Vulkan, D-Bus, ICU, JPEG, GIF, ICO); the
# two DejaVu fonts of the platform plugin (packaging/web/qt/no-bundled-fonts.patch): the
# page brings the game's own. OpenGL stays: the platform plugin draws through WebGL.
# Features switched off only for size come after the others, as for Windows.
configure_args=(
    -platform wasm-emscripten -qt-host-path /usr -release -static -no-feature-thread
    -nomake tests -nomake examples
    -no-icu -no-dbus -no-feature-vulkan -no-feature-sql -no-feature-network
    -no-feature-xml -no-feature-concurrent -no-feature-printsupport
    -qt-freetype -qt-harfbuzz -qt-zlib -qt-pcre -qt-libpng -no-libjpeg -no-gif -no-ico -qt-doubleconversion
    # Only for size: code for sizes, and what no window of the game shows or uses.
    -optimize-size
    -no-feature-style-stylesheet -no-feature-graphicsview -no-feature-graphicseffect
    -no-feature-filedialog -no-feature-filesystemmodel -no-feature-fscompleter
    -no-feature-colordialog -no-feature-fontdialog -no-feature-progressdialog
    -no-feature-errormessage -no-feature-wizard -no-feature-textbrowser -no-feature-splashscreen
    -no-feature-lcdnumber -no-feature-fontcombobox -no-feature-toolbox -no-feature-dockwidget
    -no-feature-mdiarea -no-feature-calendarwidget -no-feature-datetimeedit
    -no-feature-keysequenceedit -no-feature-dial -no-feature-commandlinkbutton
    -no-feature-columnview -no-feature-tablewidget -no-feature-treewidget
    -no-feature-datawidgetmapper -no-feature-undocommand -no-feature-syntaxhighlighter
    -no-feature-systemtrayicon -no-feature-whatsthis -no-feature-movie
    -no-feature-textodfwriter -no-feature-textmarkdownreader -no-feature-textmarkdownwriter
    -no-feature-pdf -no-feature-mimetype -no-feature-imageformat_ppm -no-feature-imageformat_xbm
    -no-feature-sharedmemory -no-feature-systemsemaphore
    -no-feature-filesystemwatcher -no-feature-timezone -no-feature-jalalicalendar
    -no-feature-hijricalendar -no-feature-islamiccivilcalendar
    -no-feature-xmlstream -no-feature-sha3-fast
)
cmake_args=(-G Ninja -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake -DQT_WASM_NO_BUNDLED_FONTS=ON)
# This project's own patches, applied after Debian's (packaging/web/qt/: each says why and
# up to which Qt it is needed).
patches=()
dpkg --compare-versions "$source_version" lt 6.9~ &&
    patches+=("$root"/packaging/web/qt/{inputmode,accessibility,no-bundled-fonts}.patch)

key_text="qt6-base source $source_version
compiler $compiler_version
host tools qt6-base-dev-tools $host_tools_version
patches $(for patch in "${patches[@]}"; do printf '%s %s ' "$(basename "$patch")" "$(sha256sum <"$patch" | cut -c1-16)"; done)
configure ${configure_args[*]} -- ${cmake_args[*]}"
key=$(printf '%s' "$key_text" | sha256sum | cut -c1-16)
if [ "$mode" = --key ]; then printf '%s\n%s\n' "$key" "$key_text"; exit 0; fi

cache=${VARNOTH_QT_WEB_CACHE:-/var/cache/varnoth/qt-web}
if ! mkdir -p "$cache" 2>/dev/null || [ ! -w "$cache" ]; then
    [ -z "${VARNOTH_QT_WEB_CACHE:-}" ] || { log "cannot write $cache"; exit 1; }
    cache=${XDG_CACHE_HOME:-$HOME/.cache}/varnoth/qt-web
    mkdir -p "$cache"
fi
prefix=$cache/$key
stamp=$prefix/.varnoth-complete
if [ -f "$stamp" ]; then echo "$prefix"; exit 0; fi
[ "$mode" = --check ] && exit 1
[ "$mode" = build ] || { echo "usage: $0 [--check|--key]" >&2; exit 2; }

exec 9>"$cache/$key.lock"
if ! flock -n 9; then
    log "another build of this Qt is running; waiting for it"
    flock 9
    if [ -f "$stamp" ]; then echo "$prefix"; exit 0; fi
fi

start=$SECONDS
log "building Qt $source_version for the web into $prefix (key $key); this takes a while the first time"
work=$cache/$key.work
rm -rf "$work" "$prefix"
mkdir -p "$work/apt/sources.list.d" "$work/apt/lists/partial" "$work/apt/cache/archives/partial" "$work/src"

# Debian's source, from a private apt configuration with nothing but the deb-src entries.
mirror=${VARNOTH_DEBIAN_MIRROR:-http://deb.debian.org/debian}
security=${VARNOTH_DEBIAN_SECURITY_MIRROR:-http://deb.debian.org/debian-security}
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
[ -n "$codename" ] || { log "cannot tell this system's Debian release from /etc/os-release"; exit 1; }
cat >"$work/apt/sources.list.d/debian-src.sources" <<EOF
Types: deb-src
URIs: $mirror
Suites: $codename $codename-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: $security
Suites: $codename-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
apt_options=(
    -o "Dir::Etc::sourcelist=$work/apt/none.list" -o "Dir::Etc::sourceparts=$work/apt/sources.list.d"
    -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache=$work/apt/cache"
    -o Debug::NoLocking=1 -o APT::Sandbox::User=root -qq
)
log "fetching the qt6-base $source_version source"
apt-get "${apt_options[@]}" update >&2 || { log "cannot reach $mirror"; exit 3; }
(cd "$work/src" && apt-get "${apt_options[@]}" source --download-only "qt6-base=$source_version" >&2) ||
    { log "cannot fetch the qt6-base $source_version source from $mirror"; exit 3; }
dsc=$(ls "$work"/src/qt6-base_*.dsc)
dpkg-source -x "$dsc" "$work/src/qt6-base" >&2
for patch in "${patches[@]}"; do
    log "applying $(basename "$patch")"
    patch -d "$work/src/qt6-base" -p1 --forward --quiet <"$patch" >&2
done

# The stand-in for an emsdk, kept with the installed Qt, whose toolchain file names it.
mkdir -p "$prefix/emsdk/upstream"
ln -s "$emscripten_root" "$prefix/emsdk/upstream/emscripten"
echo "EMSCRIPTEN_ROOT = emsdk_path + '/upstream/emscripten'" >"$prefix/emsdk/.emscripten"
export EMSDK=$prefix/emsdk

log "configuring"
mkdir -p "$work/build"
(cd "$work/build" && "$work/src/qt6-base/configure" -prefix "$prefix" "${configure_args[@]}" -- "${cmake_args[@]}") >"$work/configure.log" 2>&1 ||
    { tail -n 40 "$work/configure.log" >&2; log "configure failed; see $work/configure.log"; exit 1; }
log "building ($(nproc) jobs)"
ninja -C "$work/build" -j"$(nproc)" >"$work/build.log" 2>&1 ||
    { tail -n 40 "$work/build.log" >&2; log "build failed; see $work/build.log"; exit 1; }
ninja -C "$work/build" install >"$work/install.log" 2>&1 ||
    { tail -n 40 "$work/install.log" >&2; log "install failed; see $work/install.log"; exit 1; }
# Where the corresponding source is, for the licence notice of the page.
cp "$dsc" "$prefix/"
mkdir -p "$prefix/varnoth-patches"
for patch in "${patches[@]}"; do cp "$patch" "$prefix/varnoth-patches/"; done
printf '%s\n' "$key_text" >"$prefix/varnoth-qt-build.txt"
printf 'Qt %s for the web, built in %d s\n' "$source_version" $((SECONDS - start)) >"$stamp.tmp"
mv "$stamp.tmp" "$stamp"
rm -rf "$work"
log "done in $((SECONDS - start)) s: $(du -sh "$prefix" | cut -f1) installed"
echo "$prefix"
