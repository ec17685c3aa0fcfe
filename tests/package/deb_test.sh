#!/usr/bin/env bash
# The Debian packages as scripts/package.sh builds them from the commit checked out: the
# source package, and the binary packages built from it in a fresh root of this machine's
# Debian release. lintian finds nothing in either, its pedantic tags included (what it
# would find and does not apply is overridden in debian/, the reason beside each); the game
# is in /usr/games, stripped, built with Debian's hardening (fortified functions, stack
# protector, full RELRO with bind-now, PIE) and depending on Qt's libraries. The packages
# are copied into OUT_DIR, where the fresh-root, autopkgtest and reproducibility tests
# take them.
#
#   tests/package/deb_test.sh OUT_DIR
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
out=$1
. "$root/tests/support/testlib.sh"
. "$root/packaging/debian/roots.sh"
# What an earlier run left goes first: the tests after this one take only this build's
# packages, and skip when this one skips (packages_built in testlib.sh).
mkdir -p "$out"
rm -f "$out"/varnoth[_-]* "$out/skipped"
skip() { echo "$*" >"$out/skipped"; echo "SKIP: $*"; exit 77; }
for tool in lintian dpkg-deb readelf mmdebstrap git; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/install-deps.sh suite installs it)"
done
can_make_roots || skip "a normal user without user namespaces (as in a container or a chroot) cannot make a root; run as root or with sudo"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
builds=$(realpath -m "${DEB_BUILD_DIR:-$root/build-deb}")

DEB_BUILD_DIR=$builds "$root/scripts/package.sh" >"$work/package.log" 2>&1
status=$?
[ "$status" -ne 3 ] || skip "no fresh root to build in: the Debian mirror cannot be reached"
[ "$status" -eq 0 ] || { tail -n 40 "$work/package.log"; fail "scripts/package.sh failed"; }
deb=$(tail -n 1 "$work/package.log")
[ -f "$deb" ] || fail "no package: $(tail -n 5 "$work/package.log")"
version=$(dpkg-deb -f "$deb" Version)
dsc=$builds/varnoth_$version.dsc
changes=${deb%.deb}.changes
echo "packages: $(basename "$dsc"), $(cd "$builds" && echo varnoth*_"$version"_*.deb)"

# The package follows Debian policy 4.7.2. Debian 12's lintian (2.116) knows the policy
# up to 4.6.2 only, and warns that a newer one is more than it can check
# (newer-standards-version): where it does not know 4.7.2, that warning is no finding.
suppress=()
grep -q '"4\.7\.2' /usr/share/lintian/data/debian-policy/releases.json 2>/dev/null ||
    suppress=(--suppress-tags newer-standards-version)
# lintian refuses nothing when run as root, but says it is not recommended; that line is not a finding.
lintian --pedantic --display-info --display-experimental --fail-on error,warning,info,pedantic "${suppress[@]}" \
    "$dsc" "$changes" 2>&1 |
    grep -v 'running with root privileges' >"$work/lintian.log"
status=${PIPESTATUS[0]}
cat "$work/lintian.log"
[ "$status" -eq 0 ] || fail "lintian found errors, warnings, notes or pedantic tags"
echo "lintian: nothing found in the source and binary packages (experimental tags shown above, if any)"

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

cp "$builds"/varnoth[_-]*"$version"* "$builds/varnoth_${version%-*}.orig.tar.xz" "$out/" || fail "cannot copy the packages into $out"
echo "PASS: $(basename "$deb") built from $(basename "$dsc") in a fresh root: lintian clean, /usr/games/varnoth stripped and hardened"
