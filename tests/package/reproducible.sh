#!/usr/bin/env bash
# Anyone who builds the source package again gets the same bytes. reprotest builds it a
# second time in a fresh root of this machine's Debian release (mmdebstrap's buildd
# variant, to which reprotest adds the build dependencies and the tools it varies the
# build with) and compares the binary packages with those scripts/package.sh built in a
# root of nothing but the build dependencies. The second build runs in another folder, a
# year and more later by its clock (faketime), with another umask, locale, time zone,
# environment, home, PATH, kernel personality and address-space layout. When the packages differ, the first differing file is named (inside a package,
# the member that differs), and reprotest's diff is kept in ARTIFACTS_DIR.
#
# Not varied: the user (the second build runs as root, reprotest's testbed user); the
# host and domain name (reprotest 0.7.23 sets them through "sudo -h localhost", which sudo
# 1.9 refuses: it takes -h HOST only with -l); the order in which the file system lists a
# folder (disorderfs needs FUSE, which a root made here has not); the number of CPUs (on
# two, reprotest would pin one build to one).
#
#   tests/package/reproducible.sh PACKAGES_DIR CACHE_DIR ARTIFACTS_DIR
#
# Exit 77 (skip) only where reprotest or mmdebstrap is not installed, or no root can be
# made here (no user namespaces, or the Debian mirror cannot be reached).
set -u
self=$(cd "$(dirname "$0")" && pwd)/$(basename "$0")

# reprotest-in WORK DSC ROOT: run by mmdebstrap's hook; keeps reprotest's status.
if [ "${1:-}" = reprotest-in ]; then
    cd "$(dirname "$3")"
    reprotest --verbosity=1 --no-diffoscope --store-dir="$2/store" --control-build="$2/control" \
        --vary=-fileordering,-user_group,-num_cpus,-domain_host --min-cpus="$(nproc)" \
        "$(basename "$3")" '*.deb' -- chroot "$4" >"$2/reprotest.log" 2>&1
    echo $? >"$2/status"
    exit 0
fi

. "$(dirname "$self")/../support/testlib.sh"
packages_built "$1"
. "$(dirname "$self")/../../packaging/debian/roots.sh"
for tool in reprotest mmdebstrap; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/install-deps.sh suite installs it)"
done
can_make_roots || skip "a normal user without user namespaces (as in a container or a chroot) cannot make a root; run as root or with sudo"
dscs=("$1"/varnoth_*.dsc)
[ -f "${dscs[0]}" ] || fail "no source package in $1"
dsc=$(realpath "${dscs[0]}")
version=$(sed -n 's/^Version: //p' "$dsc")
this_release_root "$2" || fail "this machine runs no Debian release this test knows"
number=$NUMBER release=$CODENAME
artifacts=$(mkdir -p "$3" && realpath "$3")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The first build: the packages scripts/package.sh built, laid out as reprotest keeps a build.
mkdir -p "$work/control/source-root"
cp "$1"/varnoth*_"${version}"_*.deb "$work/control/source-root/" || fail "no binary packages of $version in $1"

echo "the source package built again by reprotest in a fresh Debian $number root, varied, and compared"
timeout 1800 mmdebstrap --variant=buildd --mode=auto "${CACHE_SEED[@]}" \
    --customize-hook="$(printf '%q ' "$self" reprotest-in "$work" "$dsc")"'"$1"' \
    "${CACHE_KEEP[@]}" "$release" /dev/null "${ROOT_SOURCES[@]}" >"$work/mmdebstrap.log" 2>&1
status=$?
if [ ! -f "$work/status" ]; then
    mirror_unreachable "$work/mmdebstrap.log" && skip "no fresh Debian $number root: the mirror cannot be reached"
    fail "mmdebstrap could not make a fresh Debian $number root (status $status): $(tail -n 20 "$work/mmdebstrap.log")"
fi
"$(dirname "$self")/reprotest_verdict.sh" "$(cat "$work/status")" "$work/reprotest.log" "$work/store" \
    "$work/control/source-root" "$artifacts" || exit 1
echo "PASS: built twice, varied: $(cd "$work/control/source-root" && sha256sum ./*.deb | sed 's| \./| |' | paste -sd ';')"
