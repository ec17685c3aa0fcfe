#!/usr/bin/env bash
# Builds the Debian package for the Debian release this machine runs (12 or 13),
# build-deb/varnoth_<version>~deb<release>_<arch>.deb (or in $DEB_BUILD_DIR): the game
# compiled with Debian's own compiler and linker flags (dpkg-buildflags, with every
# hardening feature on), installed under /usr with the program in /usr/games, stripped,
# and packaged by CPack, its dependencies on Qt's libraries found by dpkg-shlibdeps for
# this release. Installs what it needs first (scripts/install-deps.sh package: the
# compiler, CMake, Qt, dpkg-dev and file). Prints the package's path last.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${DEB_BUILD_DIR:-$root/build-deb}
"$root/scripts/install-deps.sh" package
release=$(. /etc/os-release && echo "${VERSION_ID:-}")
[[ $release =~ ^[0-9]+$ ]] || { echo "package.sh: cannot tell this system's Debian release from /etc/os-release" >&2; exit 1; }
cd "$root"  # dpkg-buildflags maps this folder to "." in the debug paths

# bindnow (full RELRO with immediate binding) is not among the default features.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# CMake does not read CPPFLAGS (where _FORTIFY_SOURCE is): it goes with the compiler flags.
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
export CXXFLAGS LDFLAGS

# The flags are read when the build folder is first configured, so start it afresh.
rm -rf "$build"
# Build type None: the flags are exactly Debian's, with no -O or -g of CMake's own.
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
      -DCMAKE_INSTALL_BINDIR=games -DCMAKE_STRIP="$root/packaging/strip" -DVARNOTH_TESTS=OFF \
      -DVARNOTH_DEBIAN_RELEASE="$release" >/dev/null
cmake --build "$build" -j"$(nproc)"
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/varnoth_*.deb
