#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12, and only
# what is missing. Runs apt-get through sudo when not already root.
# Usage: scripts/install-deps.sh [--fuzz | --only PACKAGE...]
# (--only: those packages, for the scripts that need more than the build)
set -euo pipefail

packages=(
  build-essential cmake            # compiler and build
  qt6-base-dev qt6-serialport-dev  # Qt 6 widgets and serial port
  qt6-svg-dev                      # the program's icon, drawn from SVG
  qt6-qpa-plugins                  # the window system plug-ins (xcb, offscreen)
  fonts-dejavu-core                # a font for the window, also in offscreen tests
  libgtest-dev googletest          # unit tests
)
# --fuzz (scripts/fuzz.sh): the Qt-free core under clang's libFuzzer; Qt Core
# only parses the JSON the file target prints.
[ "${1:-}" = "--fuzz" ] && packages=(build-essential cmake clang-14 libclang-rt-14-dev qt6-base-dev)
[ "${1:-}" = "--only" ] && packages=("${@:2}")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
