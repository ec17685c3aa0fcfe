#!/usr/bin/env bash
# Anyone who builds the Windows release files again from the same source gets the same
# bytes. reprotest builds them a second time with scripts/package-windows.sh, from a copy
# of this repository's files in another folder, a year and more later by its clock
# (faketime), with another umask, locale, time zone, environment, home, PATH, kernel
# personality and address-space layout, and compares varnoth.exe and the installer with
# those of the first build (DIST_DIR). When they differ, the first differing file is named,
# with its first differing byte. Runs where the Windows files are built (Debian 13).
#
# Not varied: the user, the host name (both need a second user or sudo), the order in
# which the file system lists a folder (disorderfs needs FUSE) and the number of CPUs (on
# two, reprotest would pin one build to one).
#
#   tests/package/reproducible_windows.sh DIST_DIR ARTIFACTS_DIR
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$root/tests/support/testlib.sh"
for tool in reprotest faketime git; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/install-deps.sh test installs it)"
done
dist=$(realpath "$1")
artifacts=$(mkdir -p "$2" && realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
files=("$dist"/varnoth.exe "$dist"/varnoth-*-setup.exe)
[ -f "${files[0]}" ] && [ -f "${files[1]}" ] || fail "no varnoth.exe and installer in $dist"

# The first build, laid out as reprotest keeps a build; the source, as the first build had
# it: the repository's files (committed or not, but not those git ignores, such as build
# folders).
mkdir -p "$work/first/source-root/dist" "$work/source"
cp "${files[@]}" "$work/first/source-root/dist/"
git -c safe.directory="$root" -C "$root" ls-files -z --cached --others --exclude-standard |
    (cd "$root" && tar --null --files-from=- -cf -) | tar -C "$work/source" -xf -

echo "the Windows files built again by reprotest, varied, and compared with $dist"
# The second build makes its own build folders inside its copy: a BUILD_DIR handed down to
# this script names a folder of the first tree, which it must not touch.
(cd "$work/source" && env -u BUILD_DIR -u DEB_BUILD_DIR reprotest --verbosity=1 --no-diffoscope --store-dir="$work/store" --control-build="$work/first" \
    --vary=-fileordering,-user_group,-domain_host,-num_cpus --min-cpus="$(nproc)" \
    --build-command='bash scripts/package-windows.sh dist >build.log 2>&1 || { tail -n 40 build.log; exit 1; }' \
    . 'dist/*.exe') >"$work/reprotest.log" 2>&1
"$here/reprotest_verdict.sh" $? "$work/reprotest.log" "$work/store" "$work/first/source-root" "$artifacts" || exit 1
echo "PASS: built twice, varied: $(cd "$dist" && sha256sum varnoth.exe varnoth-*-setup.exe | paste -sd ';')"
