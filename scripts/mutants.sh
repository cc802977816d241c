#!/usr/bin/env bash
# Applies each deliberate fault in tests/mutants/ (one realistic mistake per
# patch), one at a time, to a copy of the tree; rebuilds, runs the test
# suite, and prints which were caught and by which test. Every fault listed
# must be caught: exit 1 when one survives. Not in CI (it takes long); run it
# before closing a change to a layer.
# Usage: scripts/mutants.sh [PATCH...]   (default: every tests/mutants/*.patch)
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
work="${MUTANTS_DIR:-$root/build-mutants}"
jobs="${JOBS:-$(nproc)}"
patches=("$@")
[ ${#patches[@]} -gt 0 ] || patches=(tests/mutants/*.patch)

scripts/install-deps.sh
# The tree as it stands, uncommitted changes included, without build folders.
rm -rf "$work/src" && mkdir -p "$work/src"
git ls-files -co --exclude-standard -z | tar --null -T - -cf - | tar -xf - -C "$work/src"
cmake -S "$work/src" -B "$work/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$work/build" -j"$jobs" >/dev/null
ctest --test-dir "$work/build" -j"$jobs" >/dev/null || { echo "mutants: the suite fails without any fault" >&2; exit 2; }

# The tests a faulty build fails: the core's first (a second), then the rest.
failing() {
  local core="$work/build/tests/kavro_core_tests" out
  if ! out="$("$core" --gtest_brief=1 2>&1)"; then
    grep -Eo '^\[  FAILED  \] [A-Za-z0-9_.]+' <<<"$out" | awk '{print $4}' | sort -u | paste -sd' '
    return
  fi
  out="$(ctest --test-dir "$work/build" -j"$jobs" 2>&1)" && return
  grep -Eo '[0-9]+ - [A-Za-z0-9_./]+ \(Failed|Timeout\)' <<<"$out" | awk '{print $3}' | sort -u | paste -sd' '
}

survived=0
for patch in "${patches[@]}"; do
  name="$(basename "$patch" .patch)"
  if ! patch -d "$work/src" -p1 --forward --quiet <"$patch" >/dev/null; then
    echo "mutants: $name does not apply; renew it" >&2
    survived=1
    continue
  fi
  if ! cmake --build "$work/build" -j"$jobs" >"$work/$name.build.log" 2>&1; then
    echo "mutants: $name does not build ($work/$name.build.log); a fault must compile" >&2
    survived=1
  else
    caughtBy="$(failing)"
    if [ -n "$caughtBy" ]; then echo "caught     $name  by $caughtBy"; else echo "SURVIVED   $name"; survived=1; fi
  fi
  patch -d "$work/src" -p1 -R --quiet <"$patch" >/dev/null
done
cmake --build "$work/build" -j"$jobs" >/dev/null
exit "$survived"
