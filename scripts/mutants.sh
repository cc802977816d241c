#!/usr/bin/env bash
# Measures what the test suite catches. Copies the tree (uncommitted changes
# included) to build-mutants/src, builds it, then makes faults by rule over
# every layer's own code (scripts/mutants.py: operators, constants,
# conditions, statements, arguments), takes a fixed random sample per
# layer, and tries each one: patch one file, rebuild, run the core tests,
# then the rest of the suite (the programs the rebuild left unchanged can
# only give what they gave in the clean run, so they are not run again),
# restore. Prints per layer what was generated, not
# viable (does not build), killed, survived, listed as equivalent, listed as
# needing a device this machine lacks (tests/mutants/needs-device.txt), the
# score, and every survivor with its diff; writes build-mutants/results.txt
# and results.tsv. Exit 1 when a layer scores below --goal (default 90 %).
#   --patches [PATCH...]   the hand-written faults of tests/mutants/ instead,
#                          each of which must be caught (exit 1 otherwise)
# Hours for the whole sample on two cores: not in CI. Everything else
# (--list, --only ID, --layers, --per-layer, --seed, --resume, --lock FILE):
# scripts/mutants.py --help.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
work="${MUTANTS_DIR:-$root/build-mutants}"
jobs="${JOBS:-$(nproc)}"
# --lock FILE: each build and test run waits for the machine's shared lock.
lock=()
args=("$@")
for i in "${!args[@]}"; do [ "${args[$i]}" = "--lock" ] && lock=(flock "${args[$((i + 1))]:?--lock needs a file}"); done

patches=()
if [ "${1:-}" = "--patches" ]; then
  shift
  patches=("$@")
  [ ${#patches[@]} -gt 0 ] || patches=(tests/mutants/*.patch)
else
  # Listing, counting and help read the tree as it is: nothing to build.
  for a in "$@"; do
    case "$a" in --list|--count|-h|--help) exec python3 scripts/mutants.py "$@";; esac
  done
fi

scripts/install-deps.sh
# ccache makes the rebuild after each restore nearly free.
scripts/install-deps.sh --only python3 ccache
export CCACHE_DIR="$work/ccache"
# The tree as it stands, uncommitted changes included, without build folders.
rm -rf "$work/src" && mkdir -p "$work/src"
# Times of extraction, not of the tree: a file older than its object from an
# earlier copy must still be rebuilt (ccache keeps that cheap).
git ls-files -co --exclude-standard -z | tar --null -T - -cf - | tar -xmf - -C "$work/src"
cmake -S "$work/src" -B "$work/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
"${lock[@]}" cmake --build "$work/build" -j"$jobs" >/dev/null

if [ ${#patches[@]} -eq 0 ]; then
  exec python3 scripts/mutants.py --root "$work/src" --build "$work/build" --out "$work" --jobs "$jobs" \
    --equivalent "$root/tests/mutants/equivalent.txt" "$@"
fi

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
