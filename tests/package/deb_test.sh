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

# The packaging follows the policy (4.7.4) and tools of Debian unstable, where an upload
# goes, and unstable's lintian finds nothing in it. A lintian older than that policy
# (Debian 12's knows it up to 4.6.2, 13's up to 4.7.2) cannot know what came with it or
# with the tools of its time, and its findings of that are none:
#  - newer-standards-version;
#  - recommended-field: the source's Priority, which policy 4.7.3 leaves out for "optional";
#  - silent-on-rules-requiring-root: dpkg 1.22.13 builds without root by default;
#  - missing-debian-watch-file-standard: the watch file of version 5, newer than this
#    lintian;
#  - the override for compat 13, which such a lintian does not find old, as unused (that
#    one line of its findings: --suppress-tags does not reach unused overrides).
policy=$(sed -n 's/^Standards-Version: //p' "$dsc")
suppress=()
if ! grep -q "\"${policy//./\\.}" /usr/share/lintian/data/debian-policy/releases.json 2>/dev/null; then
    suppress+=(newer-standards-version recommended-field silent-on-rules-requiring-root
               missing-debian-watch-file-standard)
    unknowable='^I: varnoth source: unused-override package-uses-old-debhelper-compat-version 13 '
fi
# lintian refuses nothing when run as root, but says it is not recommended; that line is not a finding.
[ ${#suppress[@]} -eq 0 ] || suppress=(--suppress-tags "$(IFS=,; echo "${suppress[*]}")")
lintian --pedantic --display-info --display-experimental --fail-on none "${suppress[@]}" "$dsc" "$changes" 2>&1 |
    grep -v 'running with root privileges' >"$work/lintian.log"
status=${PIPESTATUS[0]}
cat "$work/lintian.log"
[ "$status" -eq 0 ] || fail "lintian could not check the packages"
# Errors, warnings, notes and pedantic tags are findings; experimental tags are shown only.
grep -E '^[EWIP]: ' "$work/lintian.log" | grep -qvE "${unknowable:-^$}" &&
    fail "lintian found errors, warnings, notes or pedantic tags"
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
