#!/usr/bin/env bash
# The package's own tests (debian/tests) as Debian's CI runs them: autopkgtest installs the
# built package and each test's dependencies into a fresh root of this machine's Debian
# release (mmdebstrap's "apt" variant; autopkgtest's chroot testbed) and runs the tests
# there against the installed package: the unit tier built from the source, the installed
# files, and the installed game in a real X server. Every test must pass; none may be
# skipped.
#
#   tests/package/autopkgtest.sh PACKAGES_DIR CACHE_DIR ARTIFACTS_DIR
#
# PACKAGES_DIR holds the source package and the binary packages (tests/package/deb_test.sh
# puts them there); CACHE_DIR keeps the downloaded packages between runs. Exit 77 (skip)
# only where autopkgtest or mmdebstrap is not installed, or no root can be made here (no
# user namespaces, or the Debian mirror cannot be reached).
set -u
self=$(cd "$(dirname "$0")" && pwd)/$(basename "$0")

# autopkgtest-in OUT SOURCE DEB ROOT: run by mmdebstrap's hook; keeps autopkgtest's status.
if [ "${1:-}" = autopkgtest-in ]; then
    autopkgtest --output-dir "$2/results" --no-built-binaries "$3/" "$4" -- chroot "$5" >"$2/autopkgtest.log" 2>&1
    echo $? >"$2/status"
    exit 0
fi

. "$(dirname "$self")/../support/testlib.sh"
packages_built "$1"
. "$(dirname "$self")/../../packaging/debian/roots.sh"
for tool in autopkgtest mmdebstrap dpkg-source; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/install-deps.sh suite installs it)"
done
can_make_roots || skip "a normal user without user namespaces (as in a container or a chroot) cannot make a root; run as root or with sudo"
dscs=("$1"/varnoth_*.dsc) debs=("$1"/varnoth_*.deb)
[ -f "${dscs[0]}" ] && [ -f "${debs[0]}" ] || fail "no source and binary package in $1"
this_release_root "$2" || fail "this machine runs no Debian release this test knows"
number=$NUMBER release=$CODENAME
artifacts=$(mkdir -p "$3" && realpath "$3")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-source --extract "${dscs[0]}" "$work/source" >/dev/null || fail "dpkg-source cannot unpack ${dscs[0]}"

echo "autopkgtest in a fresh Debian $number root"
timeout 1500 mmdebstrap --variant=apt --mode=auto "${CACHE_SEED[@]}" \
    --customize-hook="$(printf '%q ' "$self" autopkgtest-in "$work" "$work/source" "$(realpath "${debs[0]}")")"'"$1"' \
    "${CACHE_KEEP[@]}" "$release" /dev/null "${ROOT_SOURCES[@]}" >"$work/mmdebstrap.log" 2>&1
status=$?
if [ ! -f "$work/status" ]; then
    mirror_unreachable "$work/mmdebstrap.log" && skip "no fresh Debian $number root: the mirror cannot be reached"
    fail "mmdebstrap could not make a fresh Debian $number root (status $status): $(tail -n 20 "$work/mmdebstrap.log")"
fi
cp -r "$work/results" "$artifacts/autopkgtest" 2>/dev/null
# autopkgtest's summary: one line per test, "NAME PASS|FAIL|SKIP ...".
summary=$(cat "$work/results/summary" 2>/dev/null)
echo "$summary"
case $(cat "$work/status") in
    0) ;;
    2) fail "autopkgtest skipped a test" ;;
    *) tail -n 60 "$work/autopkgtest.log"; fail "autopkgtest failed (exit $(cat "$work/status"))" ;;
esac
tests=$(grep -c "^Tests:" "$work/source/debian/tests/control")
[ "$(grep -c ' PASS' <<<"$summary")" -eq "$tests" ] || fail "not all $tests tests passed"
echo "PASS: autopkgtest in a fresh Debian $number root: $(awk '{print $1}' <<<"$summary" | xargs)"
