#!/usr/bin/env bash
# The files of an install where desktops expect them: the desktop entry and AppStream file
# validate and name the installed program, the icons have the sizes their folders say,
# both manual pages format without a warning. The installed program answers its command
# line with no display at all.
#
#   install_test.sh BUILD_DIR APP_ID              cmake --install into a temporary prefix
#   install_test.sh --installed PREFIX APP_ID     what a package installed under PREFIX (/usr),
#                                                 the program in games/ (debian/tests/installed)
set -u
. "$(dirname "$0")/support/testlib.sh"   # no display, C.UTF-8
for tool in desktop-file-validate appstreamcli "${IM_IDENTIFY[0]}" man; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/install-deps.sh suite installs it)"
done
# The release history (NEWS) is the changelog of every install; a Debian package adds its
# own changelog and its copyright file, which a plain install leaves to the distribution.
docs=share/doc/varnoth/changelog.gz
if [ "$1" = --installed ]; then
    prefix=$2 id=$3 bindir=games
    docs+=" share/doc/varnoth/changelog.Debian.gz share/doc/varnoth/copyright"
else
    prefix=$(mktemp -d) id=$2 bindir=bin
    trap 'rm -rf "$prefix"' EXIT
    cmake --install "$1" --prefix "$prefix" >/dev/null || fail "cmake --install failed"
fi
icons=share/icons/hicolor
for file in $bindir/varnoth share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
            $icons/scalable/apps/$id.svg share/man/man6/varnoth.6.gz share/man/zh_CN/man6/varnoth.6.gz \
            $docs; do
    [ -f "$prefix/$file" ] || fail "$file was not installed"
done
[ -x "$prefix/$bindir/varnoth" ] || fail "$bindir/varnoth is not executable"

# The command line, with no display: answers in QCommandLineParser's form, never opens a window.
game=$prefix/$bindir/varnoth
version=$(timeout 10 "$game" --version) || fail "--version exited with $?"
[[ $version =~ ^varnoth\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "--version printed: $version"
[ "$(timeout 10 "$game" -v)" = "$version" ] || fail "-v differs from --version"
help=$(timeout 10 "$game" -h) || fail "-h exited with $?"
[[ $help == "Usage: $game [options]"* ]] || fail "-h printed: $help"
[ "$(timeout 10 "$game" --help)" = "$help" ] || fail "--help differs from -h"
# The release history starts with this release.
news=$(gzip -dc "$prefix/share/doc/varnoth/changelog.gz" | head -n 1)
[[ $news == "Varnoth ${version#varnoth } ("* ]] || fail "the changelog (NEWS) starts with: $news"
if [ "$1" = --installed ]; then
    package=$(dpkg-query -W -f='${Version}' varnoth) || fail "no varnoth package is installed"
    [[ $package == "${version#varnoth }-"* ]] || fail "the package is $package, the game says $version"
fi

desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
desktop-file-validate "$desktop" || fail "the desktop entry does not validate"
grep -qx 'Exec=varnoth' "$desktop" || fail "the desktop entry does not start varnoth"
grep -qx "Icon=$id" "$desktop" || fail "the desktop entry's icon is not $id"
grep -q '<binary>varnoth</binary>' "$metainfo" || fail "the AppStream file does not name the program varnoth"
grep -q "<release version=\"${version#varnoth }\" date=\"[0-9]\{4\}-[0-9][0-9]-[0-9][0-9]\"/>" "$metainfo" \
    || fail "the AppStream release is not ${version#varnoth }: $(grep '<release ' "$metainfo")"
# --no-net: the homepage and the screenshot's address are checked once they are published.
out=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "metainfo: $out"
! echo "$out" | grep -q '^[EW]:' || fail "metainfo: $out"

for size in 16 22 24 32 48 64 128 256; do
    icon=$prefix/$icons/${size}x${size}/apps/$id.png
    [ "$("${IM_IDENTIFY[@]}" -format '%wx%h' "$icon" 2>/dev/null)" = "${size}x${size}" ] || fail "the ${size}x${size} icon"
done
grep -q 'viewBox="0 0 256 256"' "$prefix/$icons/scalable/apps/$id.svg" || fail "the scalable icon has no 256-unit view box"

for page in share/man/man6/varnoth.6.gz share/man/zh_CN/man6/varnoth.6.gz; do
    warnings=$(MANWIDTH=80 man --warnings -l "$prefix/$page" 2>&1 >/dev/null) || fail "man $page failed"
    [ -z "$warnings" ] || fail "man $page: $warnings"
done
echo "PASS: installed into $prefix, $version"
