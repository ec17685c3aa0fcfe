#!/usr/bin/env bash
# Installs what building, running and testing Varnoth needs on Debian 12, and nothing
# when all of it is already there. Uses sudo when not run as root.
set -euo pipefail

packages=(
    build-essential cmake
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev libfontconfig-dev qt6-translations-l10n
    fonts-arphic-ukai fonts-arphic-uming fonts-wqy-zenhei
    xvfb x11-utils x11-xserver-utils xdotool openbox imagemagick libx11-dev
    at-spi2-core python3-gi gir1.2-atspi-2.0
    clang-tidy cppcheck desktop-file-utils appstream dpkg-dev dbus-daemon
    qt6-svg-dev man-db lintian mmdebstrap
    weston qt6-wayland
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Not root and no sudo: install ${missing[*]} by hand." >&2; exit 1; }
    sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
