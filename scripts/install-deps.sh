#!/usr/bin/env bash
# Installs the Debian 12 packages that one purpose needs, and nothing when all are there:
#   install-deps.sh play      build and run the game (compiler, CMake, Qt, the fonts)
#   install-deps.sh package   build the Debian package (play's, plus dpkg-dev and CPack's needs)
#   install-deps.sh package-windows   build the Windows files (play's, plus MinGW-w64, NSIS)
#   install-deps.sh test      everything the test command uses (all of the above and more)
# Uses sudo when not run as root.
set -euo pipefail
purpose=${1:-test}

play=(
    build-essential cmake
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev libfontconfig-dev qt6-translations-l10n
    fonts-arphic-ukai fonts-arphic-uming fonts-wqy-zenhei
)
package=(
    "${play[@]}"
    dpkg-dev file
)
# The static Qt for Windows is built from Debian's qt6-base source with these, and Wine
# runs what is built (scripts/build-qt-windows.sh, scripts/build-windows.sh).
package_windows=(
    "${play[@]}"
    g++-mingw-w64-x86-64-posix ninja-build dpkg-dev nsis debian-archive-keyring
)
test=(
    "${package[@]}"
    "${package_windows[@]}" wine wine64
    # real windows, screenshots, whole games from outside the program
    xvfb x11-utils x11-xserver-utils x11-apps xdotool xclip openbox imagemagick libx11-dev dbus-daemon
    # the accessibility bus and a client for it; a compositor for the Wayland test
    at-spi2-core python3-gi gir1.2-atspi-2.0 weston qt6-wayland
    # a screen reader that speaks, to a silent sound device, in a locale built on the spot
    orca speech-dispatcher speech-dispatcher-espeak-ng espeak-ng locales
    # the artwork tool, the static checks, a fresh Debian root for the package
    qt6-svg-dev clang-tidy cppcheck lintian desktop-file-utils appstream man-db mmdebstrap
    # the reference the GB18030 codec is generated from and tested against
    libicu-dev
)
case $purpose in
    play) packages=("${play[@]}") ;;
    package) packages=("${package[@]}") ;;
    package-windows) packages=("${package_windows[@]}") ;;
    test) packages=("${test[@]}") ;;
    *) echo "usage: $0 play|package|package-windows|test" >&2; exit 2 ;;
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
