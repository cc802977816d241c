#!/usr/bin/env bash
# Builds the two Debian packages as Debian builds its own: the programs
# alone (no tests) for /usr, with the compiler and linker flags of
# dpkg-buildflags, hardening included, then cpack -G DEB. Prints the
# packages' paths. With --install, installs both with apt-get (through
# sudo when not root).
#   kavro-switch         the command-line tool (Qt Core and Serial Port only)
#   kavro-switch-config  the window, depending on it
# Usage: scripts/build-deb.sh [--install]   (folder: build-deb; JOBS=n)
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-deb
scripts/install-deps.sh

# As debian/rules would: every hardening feature (bindnow as well), the
# preprocessor's flags (fortify) with the compiler's, and no build type of
# CMake's own on top.
export DEB_BUILD_MAINT_OPTIONS="hardening=+all"
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags="$(dpkg-buildflags --get LDFLAGS)"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=None -DKAVRO_BUILD_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$build" -j"${JOBS:-$(nproc)}" >/dev/null
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$PWD/$build"/kavro-switch_*.deb "$PWD/$build"/kavro-switch-config_*.deb)
printf '%s\n' "${debs[@]}"

if [ "${1:-}" = "--install" ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${debs[@]}" >/dev/null
  echo "build-deb: installed kavro-switch and kavro-switch-config"
fi
