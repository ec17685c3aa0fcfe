#!/usr/bin/env bash
# When the package test (deb) skips, the tests that take its packages skip too, with its
# reason, and none of them takes a package an earlier run left behind. The package test is
# made to skip as on a machine without lintian: it runs with a PATH that lacks it.
#
#   tests/package/skipped_fixture.sh
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../support/testlib.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin" "$work/out"
ln -s -t "$work/bin" /usr/bin/* && rm -f "$work/bin/lintian" || fail "cannot make a PATH without lintian"
touch "$work/out/varnoth_0.9-1_amd64.deb" "$work/out/varnoth_0.9-1.dsc"  # an earlier run's
for test in deb_test fresh_root autopkgtest reproducible; do
    PATH=$work/bin bash "$here/$test.sh" "$work/out" "$work/cache" "$work/artifacts" /dev/null >"$work/$test.log" 2>&1
    status=$?
    sed "s/^/  /" "$work/$test.log"
    [ "$status" -eq 77 ] || fail "$test.sh ended with $status, not skipping"
    grep -q '^SKIP: .*lintian' "$work/$test.log" || fail "$test.sh skipped without the package test's reason"
done
! compgen -G "$work/out/varnoth*" >/dev/null || fail "an earlier run's packages are left: $(ls "$work/out")"
echo "PASS: the package test skipped, and the three tests after it skipped with its reason"
