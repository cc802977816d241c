#!/usr/bin/env bash
# Cross-compiles the Qt-free core and its tests for 64-bit Windows with
# MinGW-w64, then runs the tests under Wine (headless, in a throwaway Wine
# prefix inside the build folder). windres compiles both programs'
# resource scripts (icon and version information), and cpack makes the
# Windows ZIP with its documents only, named so (the programs and Qt's DLLs
# need Qt for Windows, which is not here); the window's console code,
# which needs no Qt, is compiled too. Any failure, a failed test included,
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
  dpkg-dev tcl                # SQLite's sources unpacked, and its amalgamation made
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

# SQLite for the target: Debian's own source package, made into its
# amalgamation (sqlite3.c) once per build folder, which the journal builds
# in. apt-get reads the source list from the build folder, so the
# machine's own lists are left as they are.
sqlite="$out/sqlite"
if [ ! -f "$sqlite/amalgamation/sqlite3.c" ]; then
  rm -rf "$sqlite" && mkdir -p "$sqlite/lists/partial" "$sqlite/amalgamation"
  cat >"$sqlite/src.sources" <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  apt=(apt-get -q -o Dir::Etc::SourceList="$sqlite/src.sources" -o Dir::Etc::SourceParts=/dev/null
       -o Dir::State::Lists="$sqlite/lists" -o Debug::NoDropPrivs=true)
  step sqlite-lists "${apt[@]}" update
  (cd "$sqlite" && step sqlite-source "${apt[@]}" source --download-only sqlite3)
  tar -xJf "$sqlite"/sqlite3_*.orig.tar.xz -C "$sqlite"
  mkdir -p "$sqlite/make" && (cd "$sqlite/make" && step sqlite-configure "$(ls -d "$sqlite"/sqlite3-*/)configure" --disable-tcl &&
                              step sqlite-amalgamation make sqlite3.c)
  cp "$sqlite/make/sqlite3.c" "$sqlite/make/sqlite3.h" "$sqlite/amalgamation/"
fi

# The core and its tests (CMakePresets.json). Tests are listed when ctest
# runs, not at build time, so building needs no Wine.
step configure cmake --preset windows-cross -Wno-dev
step build cmake --build --preset windows-cross -j"$jobs"
echo "cross-windows: built $out/tests/kavro_core_tests.exe"
# The window program's console code (its --version and --help in cmd)
# needs no Qt, so it is compiled here.
find "$out/CMakeFiles/kavro_parent_console.dir" -name 'parent_console.cpp.obj' | grep -q . ||
  { echo "cross-windows: the window's console code was not compiled" >&2; exit 1; }
echo "cross-windows: compiled the window's console code (gui/parent_console.cpp)"

# Each program's resources: a resource section with its icon (PNG images)
# and its version information naming the program.
for name in kavro-switch-config kavro-switch; do
  object="$(find "$out/CMakeFiles/kavro_windows_resources.dir" -name "$name.rc.*" -print -quit)"
  if ! { x86_64-w64-mingw32-objdump -h "$object" | grep -q '\.rsrc' && grep -aq 'PNG' "$object" &&
         strings -el "$object" | grep -qx "$name.exe"; }; then
    echo "cross-windows: $name.rc compiled without its icon or version information" >&2
    exit 1
  fi
done
echo "cross-windows: windres compiled the icon and version information of both programs"

# The ZIP's documents, where the programs' folder puts them; without the
# programs, the ZIP is named as the documents it holds.
rm -rf "$out/package"
step package cpack -G ZIP --config "$out/CPackConfig.cmake" -B "$out/package"
zips=("$out"/package/*.zip)
[ "${#zips[@]}" -eq 1 ] && [[ "${zips[0]}" == */kavro-switch-config-*-windows-x64-documents.zip ]] ||
  { echo "cross-windows: the documents' ZIP is named ${zips[*]}, not ...-windows-x64-documents.zip" >&2; exit 1; }
listing="$(cmake -E tar tf "${zips[0]}")"
for file in LICENSE.txt NEWS.md README.md Qt-LICENSE-NOTICE.txt LGPL-3.txt GPL-3.txt; do
  grep -q "^kavro-switch-config-[0-9.]*-windows-x64-documents/$file\$" <<<"$listing" ||
    { echo "cross-windows: the ZIP lacks $file" >&2; exit 1; }
done
echo "cross-windows: cpack -G ZIP makes $(basename "${zips[0]}") with the licence, the users' changelog, README and Qt's licence notice"

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
