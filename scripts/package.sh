#!/usr/bin/env bash
# Builds Varnoth's Debian packages from one commit, the way Debian's build machines do:
#   the source package (format 3.0 (quilt), debian/ in the repository):
#       varnoth_UPSTREAM.orig.tar.xz   the commit's files but debian/
#       varnoth_VERSION.debian.tar.xz  its debian/
#       varnoth_VERSION.dsc
#   the binary packages, built from the source package by dpkg-buildpackage in a fresh
#   root of this machine's Debian release (12, 13 or unstable) that holds mmdebstrap's buildd
#   variant and the declared build dependencies and nothing else, without network, by a
#   user other than root:
#       varnoth_VERSION_ARCH.deb, varnoth-dbgsym_VERSION_ARCH.deb (the debug symbols),
#       varnoth_VERSION_ARCH.buildinfo, .changes, and the build's log, .build
# into build-deb/ (or $DEB_BUILD_DIR). Prints the .deb's path last.
#
#   package.sh [COMMIT]      HEAD by default: what is not committed is not in the package
#
# The packages that roots download are kept in build-deb/apt-cache (or $VARNOTH_APT_CACHE).
# Installs what it needs first (scripts/install-deps.sh package: git, dpkg-dev,
# mmdebstrap). Runs as root, or as a user with user namespaces.
set -euo pipefail

# package.sh __build DSC, inside the root, in /build: builds DSC's binary packages into
# /build/out as Debian's build machines do, as a user with no home of its own and no
# network (a network namespace of its own has none).
if [ "${1:-}" = __build ]; then
    # Written as useradd would, which Debian 13's buildd variant does not have.
    echo 'builder:x:2000:2000::/nonexistent:/usr/sbin/nologin' >>/etc/passwd
    echo 'builder:x:2000:' >>/etc/group
    chown -R 2000:2000 /build
    cd /build
    exec unshare --net setpriv --reuid=2000 --regid=2000 --clear-groups \
        env -i PATH=/usr/bin:/bin HOME=/nonexistent LANG=C.UTF-8 bash -c '
        set -e
        dpkg-source --extract "$1" varnoth >/dev/null
        cd varnoth
        log=../out/$(basename "$1" .dsc)_$(dpkg --print-architecture).build
        dpkg-buildpackage --build=binary --no-sign --jobs-try=auto >"$log" 2>&1 || { tail -n 50 "$log"; exit 1; }
        mv ../*.deb ../*.buildinfo ../*.changes ../out/' sh "$2"
fi

root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${DEB_BUILD_DIR:-$root/build-deb}")
commit=${1:-HEAD}
"$root/scripts/install-deps.sh" package
. "$root/packaging/debian/roots.sh"
fail() { echo "package.sh: $*" >&2; exit 1; }

this_release_root "${VARNOTH_APT_CACHE:-$out/apt-cache}" ||
    fail "this system is not Debian 12, 13 or unstable ('$(this_debian_release)'): no root to build in"
release=$NUMBER
can_make_roots || fail "a normal user without user namespaces cannot make a root: run as root or with sudo"
# The repository may belong to another user than the one building (sudo, a Debian root).
git=(git -c safe.directory="$root" -C "$root")
commit=$("${git[@]}" rev-parse --verify "$commit^{commit}") || fail "no commit $1"
[ -z "$("${git[@]}" status --porcelain --untracked-files=no)" ] ||
    echo "package.sh: uncommitted changes are not in the package: it is built from $commit" >&2

# --- The source package ------------------------------------------------------------------
version=$("${git[@]}" show "$commit:debian/changelog" | sed -n '1s/^varnoth (\(.*\)) .*/\1/p')
upstream=${version%-*}
mkdir -p "$out"
rm -rf "$out"/varnoth[_-]* "$out/source"
mkdir "$out/source"
# git archive gives every file the commit's time and root as owner, whoever and whenever
# it runs; xz on one thread compresses the same bytes the same way on every release.
"${git[@]}" archive --format=tar --prefix="varnoth-$upstream/" "$commit" -- . ':(exclude)debian' |
    xz -6 -T1 >"$out/source/varnoth_$upstream.orig.tar.xz"
tar -C "$out/source" -xf "$out/source/varnoth_$upstream.orig.tar.xz"
"${git[@]}" archive --format=tar "$commit" debian | tar -C "$out/source/varnoth-$upstream" -xf -
(cd "$out/source" && dpkg-source --build "varnoth-$upstream" >/dev/null)
mv "$out/source"/varnoth_*.* "$out/"
rm -rf "$out/source"
dsc=varnoth_$version.dsc
echo "source package: $out/$dsc"

# --- The binary packages, in a fresh root ------------------------------------------------
echo "building it in a fresh Debian $release root (mmdebstrap, the buildd variant, the build dependencies)"
log=$out/mmdebstrap.log
# fakeroot, as Debian's build machines hold it: dpkg before 1.22.13 (Debian 12's) builds the
# binary packages under it unless the source says they need no root.
if ! mmdebstrap --variant=buildd --mode=auto --include=fakeroot "${ROOT_OPTIONS[@]}" "${CACHE_SEED[@]}" \
    --customize-hook='mkdir -p "$1"/build/out' \
    --customize-hook="copy-in $root/scripts/package.sh $out/$dsc $out/varnoth_$upstream.orig.tar.xz $out/varnoth_$version.debian.tar.xz /build" \
    --customize-hook="chroot \"\$1\" apt-get build-dep --yes --quiet --no-install-recommends /build/$dsc" \
    "${CACHE_KEEP[@]}" \
    --customize-hook="chroot \"\$1\" bash /build/package.sh __build $dsc" \
    --customize-hook='chown -R 0:0 "$1"/build/out' \
    --customize-hook="sync-out /build/out $out" \
    "$CODENAME" /dev/null "${ROOT_SOURCES[@]}" >"$log" 2>&1; then
    tail -n 60 "$log" >&2
    mirror_unreachable "$log" && { echo "package.sh: the Debian mirror cannot be reached" >&2; exit 3; }
    fail "the build in a fresh root failed; see $log"
fi
ls "$out"/varnoth_"$version"_*.deb
