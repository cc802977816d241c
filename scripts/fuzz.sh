#!/usr/bin/env bash
# Builds the fuzz targets (fuzz/) with clang-14, libFuzzer, AddressSanitizer
# and UndefinedBehaviorSanitizer, and runs each for SECONDS (default 60)
# from a fresh copy of its seed corpus: the committed corpus is never
# written. Prints each target's runs and coverage. A crash, leak, time-out
# or sanitizer report fails the run and names the input that caused it.
# Usage: scripts/fuzz.sh [SECONDS]     (JOBS=n limits the build's jobs)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
build=build-fuzz

scripts/install-deps.sh --fuzz
cmake -S . -B "$build" -DKAVRO_FUZZ=ON -DKAVRO_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build "$build" -j"${JOBS:-$(nproc)}"

failed=0
for dir in fuzz/corpus/*/; do
  name="$(basename "$dir")"
  run="$build/runs/$name"
  rm -rf "$run" && mkdir -p "$run/corpus" && cp "$dir"* "$run/corpus/"
  status=0
  "$build/fuzz/${name}_fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$run/" "$run/corpus" >"$run/log" 2>&1 || status=$?
  # A report that did not end the run still fails it.
  if [ "$status" -ne 0 ] || grep -qE "ERROR: [A-Za-z]+Sanitizer|runtime error:" "$run/log"; then
    failed=1
    echo "== $name: FAILED (exit $status), log in $run/log"
    grep -E -A25 "^\*\*\* broken|ERROR: |runtime error:" "$run/log" | head -60 || true
    for input in "$run"/crash-* "$run"/leak-* "$run"/timeout-* "$run"/oom-*; do
      [ -e "$input" ] && echo "   input: $input  (again: $build/fuzz/${name}_fuzzer $input)"
    done
  else
    echo "== $name: $(grep -E '^Done [0-9]+ runs' "$run/log" | tail -1)," \
      "$(grep -Eo 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+' "$run/log" | tail -1)"
  fi
done
exit "$failed"
