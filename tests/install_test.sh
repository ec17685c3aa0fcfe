#!/usr/bin/env bash
# cmake --install into a temporary prefix puts every file where desktops expect it, and
# the desktop entry and AppStream file validate.
set -u
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install failed"
for file in bin/varnoth share/applications/varnoth.desktop share/metainfo/varnoth.metainfo.xml \
            share/icons/hicolor/16x16/apps/varnoth.png share/icons/hicolor/32x32/apps/varnoth.png \
            share/icons/hicolor/48x48/apps/varnoth.png share/icons/hicolor/256x256/apps/varnoth.png; do
    [ -f "$prefix/$file" ] || fail "$file was not installed"
done
[ -x "$prefix/bin/varnoth" ] || fail "bin/varnoth is not executable"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$prefix/share/applications/varnoth.desktop" || fail "the desktop entry does not validate"
fi
if command -v appstreamcli >/dev/null; then
    # The plain id "varnoth" draws a warning (no reverse-DNS id); any error fails.
    out=$(appstreamcli validate --no-net "$prefix/share/metainfo/varnoth.metainfo.xml" 2>&1)
    echo "$out" | grep -q '^E:' && fail "metainfo: $out"
fi
if command -v identify >/dev/null; then
    [ "$(identify -format '%wx%h' "$prefix/share/icons/hicolor/48x48/apps/varnoth.png")" = 48x48 ] || fail "48x48 icon size"
fi
if command -v dpkg-deb >/dev/null && command -v dpkg-shlibdeps >/dev/null; then
    (cd "$prefix" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$prefix/deb" >/dev/null 2>&1) || fail "cpack failed"
    deb=$(ls "$prefix"/deb/varnoth_*.deb 2>/dev/null | head -n 1)
    [ -n "$deb" ] || fail "no .deb was built"
    dpkg-deb -c "$deb" | grep -q './usr/bin/varnoth$' || fail "the .deb lacks usr/bin/varnoth"
    dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "the .deb does not depend on Qt"
    echo "package: $(basename "$deb")"
fi
echo "PASS: installed into $prefix"
