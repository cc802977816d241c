#!/usr/bin/env bash
# Builds and runs the benchmarks: kavro-switch against the virtual switch
# paced like a 4800 baud line, as ratios to the line's limit and shares of
# processor time; and what the journal costs each write.
# Usage: scripts/bench.sh [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target kavro_line_bench kavro_journal_bench kavro-switch >/dev/null
build/bench/kavro_journal_bench
build/bench/kavro_line_bench "${1:-5}"
