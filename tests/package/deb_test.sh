#!/usr/bin/env bash
# The Debian package as scripts/package.sh builds it on this machine: its version names
# the Debian release it is built for (1.0.0~deb12, 1.0.0~deb13), lintian finds no error
# and no warning (its informational tags are shown), and the game is in /usr/games,
# stripped, built with Debian's hardening (fortified functions, stack protector, full
# RELRO with bind-now, PIE) and depending on Qt's libraries. The package is copied into
# OUT_DIR, where the fresh-root test (fresh_root.sh) takes it.
#
#   tests/package/deb_test.sh OUT_DIR
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
out=$1
. "$root/tests/support/testlib.sh"
for tool in lintian dpkg-deb readelf; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/install-deps.sh suite installs it)"
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$root/scripts/package.sh" >"$work/package.log" 2>&1 || { tail -n 40 "$work/package.log"; fail "scripts/package.sh failed"; }
deb=$(tail -n 1 "$work/package.log")
[ -f "$deb" ] || fail "no package: $(tail -n 5 "$work/package.log")"
echo "package: $deb"
release=$(. /etc/os-release && echo "${VERSION_ID:-}")
version=$(dpkg-deb -f "$deb" Version)
[[ $version == *"~deb$release" ]] || fail "the package's version $version does not end in ~deb$release"

# lintian refuses nothing when run as root, but says it is not recommended; that line is not a finding.
lintian --fail-on error,warning --display-info "$deb" 2>&1 | grep -v 'running with root privileges' >"$work/lintian.log"
status=${PIPESTATUS[0]}
cat "$work/lintian.log"
[ "$status" -eq 0 ] || fail "lintian found errors or warnings"
echo "lintian: no errors or warnings"

dpkg-deb -x "$deb" "$work/tree" || fail "dpkg-deb cannot unpack $deb"
game=$work/tree/usr/games/varnoth
[ -x "$game" ] || fail "the package has no /usr/games/varnoth"
[ ! -e "$work/tree/usr/bin" ] || fail "the package has a /usr/bin"
sections=$(readelf -SW "$game")
! grep -qE '\.(symtab|debug_info|comment) ' <<<"$sections" || fail "the game is not stripped"
dynamic=$(readelf -dW "$game")
grep -q 'BIND_NOW' <<<"$dynamic" || fail "the game is not linked with -z now"
grep -q 'FLAGS_1.*PIE' <<<"$dynamic" || fail "the game is not a position-independent executable"
readelf -lW "$game" | grep -q GNU_RELRO || fail "the game is not linked with -z relro"
symbols=$(readelf --dyn-syms -W "$game")
grep -q '__stack_chk_fail' <<<"$symbols" || fail "the game is not built with a stack protector"
grep -qE '__[a-z]+_chk@' <<<"$symbols" || fail "the game calls no fortified function"
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "the package does not depend on Qt (dpkg-shlibdeps)"
mkdir -p "$out"
rm -f "$out"/varnoth_*.deb
cp "$deb" "$out/" || fail "cannot copy the package into $out"
echo "PASS: $(basename "$deb"): /usr/games/varnoth stripped and hardened"
