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
  libsqlite3-dev                   # the journal of writes (SQLite)
  qt6-qpa-plugins                  # the window system plug-ins (xcb, offscreen)
  fonts-dejavu-core                # a font for the window, also in offscreen tests
  libgtest-dev googletest          # unit tests
  poppler-utils                    # pdftotext: the tests read printed sheets back
  dpkg-dev file                    # the Debian packages: flags, dependencies (cpack)
  python3                          # the fault generator's tests (scripts/mutants.py)
)
# --fuzz (scripts/fuzz.sh): the Qt-free core under clang's libFuzzer; Qt Core
# only parses the JSON the file target prints.
[ "${1:-}" = "--fuzz" ] && packages=(build-essential cmake clang-14 libclang-rt-14-dev qt6-base-dev libsqlite3-dev)
[ "${1:-}" = "--only" ] && packages=("${@:2}")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

# As root apt-get runs as it is (a fresh container has no sudo); otherwise
# through sudo.
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "install-deps: run as root, or install sudo, to install: ${missing[*]}" >&2; exit 1; }
  sudo="sudo"
fi
echo "Installing: ${missing[*]}"
# Waits for another apt-get or dpkg rather than failing at once.
apt=(apt-get -o DPkg::Lock::Timeout=600)
$sudo "${apt[@]}" update -qq
$sudo env DEBIAN_FRONTEND=noninteractive "${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
