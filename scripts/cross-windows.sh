#!/usr/bin/env bash
# Cross-compiles the Qt-free core and its tests for 64-bit Windows with
# MinGW-w64, then runs the tests under Wine (headless, in a throwaway Wine
# prefix inside the build folder). Any failure, a failed test included,
# fails the script. Installs what is missing with apt-get (through sudo
# when not root).
# Build folder: build-windows. JOBS=n limits parallel compiles.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
out="$root/build-windows"
jobs="${JOBS:-$(nproc)}"

packages=(
  cmake
  g++-mingw-w64-x86-64-posix  # the compiler, posix threads (std::thread, std::mutex)
  googletest                  # GoogleTest sources, built here for Windows
  wine64                      # runs the tests
)
scripts/install-deps.sh --only "${packages[@]}"

# Runs a step with its output in a log, shown only when the step fails.
step() {
  local log="$out/$1.log"
  shift
  "$@" >"$log" 2>&1 || { cat "$log"; echo "cross-windows: failed, see $log" >&2; exit 1; }
}

mkdir -p "$out"

# GoogleTest for the target, once per build folder, where the preset
# windows-cross looks for it.
gtest="$out/googletest"
if [ ! -f "$gtest/install/lib/cmake/GTest/GTestConfig.cmake" ]; then
  step gtest-configure cmake -S /usr/src/googletest -B "$gtest/build" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$gtest/install" -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON
  step gtest-build cmake --build "$gtest/build" -j"$jobs" --target install
fi

# The core and its tests (CMakePresets.json). Tests are listed when ctest
# runs, not at build time, so building needs no Wine.
step configure cmake --preset windows-cross -Wno-dev
step build cmake --build --preset windows-cross -j"$jobs"
echo "cross-windows: built $out/tests/kavro_core_tests.exe"

# Headless Wine: no display, no Mono or Gecko installers, no debug chatter.
# Debian's wine64 package puts the 64-bit loader here.
wine=/usr/lib/wine/wine64
export WINEPREFIX="$out/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
[ -d "$WINEPREFIX" ] || step wineboot "$wine" wineboot --init
status=0
"$wine" "$out/tests/kavro_core_tests.exe" --gtest_brief=1 >"$out/tests.log" 2>&1 || status=$?
/usr/lib/wine/wineserver -k 2>/dev/null || true  # no Wine server left behind
if [ "$status" -ne 0 ]; then
  cat "$out/tests.log"
  echo "cross-windows: the core tests failed under Wine" >&2
  exit 1
fi
grep -E '^\[  (PASSED|SKIPPED) ' "$out/tests.log" | sed 's/^/cross-windows: /'
