#!/usr/bin/env bash
# Installs the Debian 12 packages Kelpo needs to build, run and test, but only
# those that are missing. Usage: install-deps.sh [build|test]
set -euo pipefail
what=${1:-build}
# xdg-utils: xdg-open opens web pages and the help page. libwayland-dev: the
# Wayland client library and wayland-scanner; qt6-wayland: Qt's Wayland
# platform, to run as a native Wayland client.
pkgs=(cmake ninja-build g++ qt6-base-dev libx11-dev libxtst-dev libxkbcommon-dev libglib2.0-dev
      libwayland-dev qt6-wayland fonts-dejavu-core xdg-utils)
if [ "$what" = test ]; then
  # sway: a headless Wayland compositor with the virtual keyboard protocol;
  # grim: pictures of its screen; dbus-daemon: private session buses for a
  # scripted desktop portal. mutter, the GNOME desktop portal with pipewire
  # and wireplumber, and AT-SPI from Python: a headless GNOME whose
  # permission dialog a test answers.
  pkgs+=(xvfb xauth x11-utils x11-xkb-utils xdotool wmctrl openbox imagemagick sway grim
        clang-14 libclang-rt-14-dev libasan8 libubsan1
        desktop-file-utils appstream dpkg-dev file dbus-daemon
        mutter xdg-desktop-portal xdg-desktop-portal-gnome pipewire wireplumber at-spi2-core
        python3-gi python3-pyatspi)
fi
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
