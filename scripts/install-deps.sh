#!/usr/bin/env bash
# Installs the Debian 12 or 13 packages that one purpose needs, and nothing when all are there:
#   install-deps.sh play      build and run the game (compiler, CMake, Qt, the fonts)
#   install-deps.sh package   build the Debian source package and its .deb in a fresh root
#                             (play's, plus git, dpkg-dev, file, xz-utils, mmdebstrap)
#   install-deps.sh package-windows   build the Windows files (play's, plus MinGW-w64, NSIS)
#   install-deps.sh package-web       build the web page (play's, plus emscripten, fonttools)
#   install-deps.sh suite     the Linux test suite, the static checks and the package in a
#                             fresh root: everything of test's but the Windows build
#   install-deps.sh test      everything the test command uses (all of the above and more)
#   install-deps.sh --list PURPOSE [RELEASE]   prints the packages of that purpose on that
#                             Debian release (12, 13 or unstable; this system's by default),
#                             one a line
# Uses sudo when not run as root. The names are the same on Debian 12, 13 and unstable.
#
# The Windows files and the web page are built on Debian 13 alone, with its Qt 6.8, MinGW-w64
# and emscripten; Debian 12 builds them in a cached Debian 13 root (scripts/on-debian13.sh),
# so there those purposes install only what makes that root.
set -euo pipefail
list_only=false
if [ "${1:-}" = --list ]; then list_only=true; shift; fi
purpose=${1:-test}
# A Debian whose os-release names no version is unstable (or testing, which says the same).
release=${2:-$(. /etc/os-release 2>/dev/null && [ "${ID:-}" = debian ] && echo "${VERSION_ID:-unstable}")}

play=(
    build-essential cmake
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev libfontconfig-dev qt6-translations-l10n
    fonts-arphic-ukai fonts-arphic-uming fonts-wqy-zenhei
)
package=(
    "${play[@]}"
    dpkg-dev file
    # the source package from a commit, built in a fresh root of this release (mmdebstrap
    # mounts the root's /dev, /proc and /sys with mount, no longer essential in unstable)
    git xz-utils mmdebstrap mount debian-archive-keyring
)
# The static Qt for Windows is built from Debian's qt6-base source with these, and Wine
# runs what is built (scripts/build-qt-windows.sh, scripts/build-windows.sh); on Debian 12,
# in the Debian 13 root that mmdebstrap makes.
# The web page's static Qt and the page are built with emscripten (Debian 12's is too old
# for Qt 6.8), its fonts subset with fonttools from Debian's free CJK fonts and GNU Unifont
# (scripts/build-qt-web.sh, scripts/package-web.sh).
if [ "$release" = 12 ]; then
    package_windows=(mmdebstrap debian-archive-keyring)
    package_web=(mmdebstrap debian-archive-keyring)
    wine=()
else
    package_web=(
        "${play[@]}"
        emscripten ninja-build dpkg-dev debian-archive-keyring python3-fonttools fonts-unifont
    )
    package_windows=(
        "${play[@]}"
        g++-mingw-w64-x86-64-posix ninja-build dpkg-dev nsis debian-archive-keyring
    )
    wine=(wine wine64)
fi
suite=(
    "${package[@]}"
    # real windows, screenshots, whole games from outside the program
    xvfb x11-utils x11-xserver-utils x11-apps xdotool xclip openbox imagemagick libx11-dev libxdamage-dev dbus-daemon
    # the accessibility bus and a client for it; a compositor for the Wayland test
    at-spi2-core python3-gi gir1.2-atspi-2.0 weston qt6-wayland
    # a screen reader that speaks, to a silent sound device, in a locale built on the spot,
    # its log written through a terminal (script, of bsdutils, no longer essential in unstable)
    orca speech-dispatcher speech-dispatcher-espeak-ng espeak-ng locales bsdutils
    # the artwork tool (its fonts too: unstable's fontconfig no longer brings DejaVu), the
    # static checks, fresh Debian roots (of any release) for the package
    qt6-svg-dev fonts-dejavu-core clang-tidy cppcheck lintian desktop-file-utils appstream man-db mmdebstrap debian-archive-keyring
    # the Debian package's own tests in a fresh root, and two builds of it compared
    autopkgtest reprotest
    # the reference the GB18030 codec is generated from and tested against
    libicu-dev
    # the test builds' compiles kept from run to run (scripts/launcher.sh)
    ccache
)
test=(
    "${suite[@]}"
    "${package_windows[@]}" "${wine[@]}"
    # the Windows files built again, a year later by the clock faketime gives reprotest
    faketime
    "${package_web[@]}"
    # the web page played in Debian's Chromium, headless, through its DevTools protocol
    chromium chromium-driver python3-selenium
)
case $purpose in
    play) packages=("${play[@]}") ;;
    package) packages=("${package[@]}") ;;
    package-windows) packages=("${package_windows[@]}") ;;
    package-web) packages=("${package_web[@]}") ;;
    suite) packages=("${suite[@]}") ;;
    test) packages=("${test[@]}") ;;
    *) echo "usage: $0 [--list] play|package|package-windows|package-web|suite|test" >&2; exit 2 ;;
esac
if $list_only; then printf '%s\n' "${packages[@]}" | sort -u; exit 0; fi

system=$(. /etc/os-release 2>/dev/null && echo "${ID:-}${VERSION_ID:-}")
case $system in
    debian12 | debian13 | debian) ;;
    *) echo "install-deps: this system is '$system', not Debian 12, 13 or unstable; trying the same package names" >&2 ;;
esac

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing for $purpose: ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Not root and no sudo: install ${missing[*]} by hand." >&2; exit 1; }
    sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
