#!/usr/bin/env bash
# Anyone who builds release files again from the same source gets the same bytes. reprotest
# builds them a second time with the package script, from a copy of this repository's files
# in another folder, a year and more later by its clock (faketime), with another umask,
# locale, time zone, environment, home, PATH, kernel personality and address-space layout,
# and compares the files that ARTIFACTS (a pattern under dist/) names with those of the
# first build (DIST_DIR). When they differ, the first differing file is named, with its
# first differing byte. Runs where the files are built (Debian 13).
#
# Not varied: the user, the host name (both need a second user or sudo), the order in
# which the file system lists a folder (disorderfs needs FUSE) and the number of CPUs (on
# two, reprotest would pin one build to one).
#
#   tests/package/reproducible_release.sh WHAT SCRIPT DIST_DIR ARTIFACTS_DIR PATTERN
#   (reproducible_release.sh "the Windows files" scripts/package-windows.sh dist artifacts '*.exe')
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$root/tests/support/testlib.sh"
what=$1 script=$2 pattern=$5
for tool in reprotest faketime git; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/install-deps.sh test installs it)"
done
dist=$(realpath "$3")
artifacts=$(mkdir -p "$4" && realpath "$4")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
files=$(cd "$dist" && compgen -G "$pattern") || fail "no $pattern in $dist"

# The first build, laid out as reprotest keeps a build; the source, as the first build had
# it: the repository's files (committed or not, but not those git ignores, such as build
# folders).
mkdir -p "$work/first/source-root/dist" "$work/source"
(cd "$dist" && cp -r $files "$work/first/source-root/dist/")
git -c safe.directory="$root" -C "$root" ls-files -z --cached --others --exclude-standard |
    (cd "$root" && tar --null --files-from=- -cf -) | tar -C "$work/source" -xf -

echo "$what built again by reprotest, varied, and compared with $dist"
# The second build makes its own build folders inside its copy: a BUILD_DIR handed down to
# this script names a folder of the first tree, which it must not touch.
(cd "$work/source" && env -u BUILD_DIR -u DEB_BUILD_DIR reprotest --verbosity=1 --no-diffoscope --store-dir="$work/store" --control-build="$work/first" \
    --vary=-fileordering,-user_group,-domain_host,-num_cpus --min-cpus="$(nproc)" \
    --build-command="bash $script dist >build.log 2>&1 || { tail -n 40 build.log; exit 1; }" \
    . "dist/$pattern") >"$work/reprotest.log" 2>&1
"$here/reprotest_verdict.sh" $? "$work/reprotest.log" "$work/store" "$work/first/source-root" "$artifacts" || exit 1
echo "PASS: built twice, varied: $(cd "$dist" && find $files -type f | sort | xargs sha256sum | sha256sum | cut -c1-16) (sha-256 of the files' sums)"
