#!/usr/bin/env bash
# The source configures as Debian and its derivatives rebuild it: with a binNMU, an NMU, a
# backport, a stable update or a derivative's entry at the top of debian/changelog, CMake
# configures the tree as debian/rules does, and the game keeps its upstream version. (The
# build reads nothing of debian/; a build that read the changelog again would stop here.)
#
#   rebuild_versions.sh
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/tests/support/testlib.sh"
command -v git >/dev/null || skip "git is not installed"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The source as it is (committed or not, but not what git ignores, such as build folders).
git -c safe.directory="$root" -C "$root" ls-files -z --cached --others --exclude-standard |
    (cd "$root" && tar --null --ignore-failed-read --files-from=- -cf - 2>/dev/null) |
    (mkdir -p "$work/tree" && tar -C "$work/tree" -xf -) || fail "cannot copy the source"
upstream=$(sed -n 's/^project(varnoth VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")

# configure VERSION: a copy of the tree whose changelog starts with an entry for VERSION,
# configured as debian/rules configures it.
configure() {
    local tree=$work/$1
    cp -a "$work/tree" "$tree"
    { printf 'varnoth (%s) unstable; urgency=medium\n\n  * Rebuilt.\n\n' "$1"
      printf ' -- Rebuilder <rebuilder@example.org>  Tue, 08 Dec 2026 12:00:00 +0000\n\n'
      cat "$work/tree/debian/changelog"; } >"$tree/debian/changelog"
    cmake -S "$tree" -B "$tree/build" -DCMAKE_INSTALL_BINDIR=games -DVARNOTH_WERROR=OFF >"$work/$1.log" 2>&1 ||
        { echo "FAIL: $1: $(tail -n 5 "$work/$1.log")"; return 1; }
    grep -q "<release version=\"$upstream\"" "$tree/build/io.github.varnoth.Varnoth.metainfo.xml" ||
        { echo "FAIL: $1: the AppStream release is not $upstream"; return 1; }
    echo "$1: configured, version $upstream"
}
export -f configure fail
export work upstream
printf '%s\n' 1.0.0-1+b1 1.0.0-1.1 1.0.0-1~bpo13+1 1.0.0-1+deb13u1 1.0.0-1ubuntu1 |
    xargs -P "$(nproc)" -I{} bash -c 'configure "$1"' _ {} || fail "a rebuild's version stops the build"
echo "PASS: configured with a binNMU's, an NMU's, a backport's, a stable update's and a derivative's version"
