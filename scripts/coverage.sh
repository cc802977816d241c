#!/usr/bin/env bash
# Measures which of the program's own lines and branches the test suite
# runs, with gcovr: builds build-coverage (--coverage -O0), runs the whole
# suite, then prints line and branch coverage per layer and writes an HTML
# report with every source line (build-coverage/coverage/index.html). Fails
# when a core layer's line coverage falls below its minimum in
# tests/coverage-thresholds.txt. Code a test runs is not code a test checks
# (scripts/mutants.sh measures that); an uncovered branch is a missing test
# or dead code.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/install-deps.sh --only gcovr python3
jobs="$(nproc)"
out=build-coverage

# Debug: no optimiser to merge lines, and source paths left absolute.
cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="--coverage -O0" \
  -DCMAKE_EXE_LINKER_FLAGS=--coverage >/dev/null
cmake --build "$out" -j"$jobs"
find "$out" -name '*.gcda' -delete  # counts of this run only
# A test runs the tool as an unprivileged user too and counts the lines it
# writes on standard error: that user may save its counts (files and
# folders anyone may write), and any it cannot are lost quietly.
chmod -R a+rwX "$out"
(umask 000 && GCOV_ERROR_FILE=/dev/null ctest --test-dir "$out" --output-on-failure -j"$jobs")

layers='platform|buslink|editor|transfer|configfile|history|report|shell|simulator|platform_qt|gui|cli'
mkdir -p "$out/coverage"
# Branches a throw adds, and those the compiler proves never taken, are no
# decision of the program's.
gcovr --root . --object-directory "$out" -j "$jobs" --filter "($layers)/[^/]+\.(cpp|h)$" \
  --exclude-throw-branches --exclude-unreachable-branches \
  --json-summary "$out/coverage/summary.json" \
  --html-details "$out/coverage/index.html" --html-title "Kavro Smart Switch Configuration: coverage" >/dev/null

python3 - "$out/coverage/summary.json" tests/coverage-thresholds.txt <<'EOF'
import json, re, sys
summary, thresholds = sys.argv[1], sys.argv[2]
layers = ["platform", "buslink", "editor", "transfer", "configfile", "history", "report", "shell", "simulator",
          "platform_qt", "gui", "cli"]
minimum = {}
for line in open(thresholds, encoding="utf-8"):
    words = line.split("#")[0].split()
    if words:
        minimum[words[0]] = float(words[1])
# A header reached through a layer's include root is the same file: one
# count per layer/file, the highest.
files = {}
for f in json.load(open(summary, encoding="utf-8"))["files"]:
    m = re.search(r"(?:^|/)(%s)/([^/]+)$" % "|".join(layers), f["filename"])
    if m:
        key = m.group(1) + "/" + m.group(2)
        if key not in files or f["line_covered"] > files[key]["line_covered"]:
            files[key] = f
rows, failed = [], []
for layer in layers:
    mine = [f for key, f in files.items() if key.split("/")[0] == layer]
    lt, lc = sum(f["line_total"] for f in mine), sum(f["line_covered"] for f in mine)
    bt, bc = sum(f["branch_total"] for f in mine), sum(f["branch_covered"] for f in mine)
    lp, bp = (100.0 * lc / lt if lt else 100.0), (100.0 * bc / bt if bt else 100.0)
    floor = minimum.get(layer)
    verdict = "" if floor is None else ("ok" if lp >= floor else "BELOW")
    if verdict == "BELOW":
        failed.append(f"{layer} {lp:.1f} % < {floor:g} %")
    rows.append((layer, f"{lc}/{lt}", f"{lp:.1f} %", f"{bc}/{bt}", f"{bp:.1f} %",
                 "" if floor is None else f"{floor:g} %", verdict))
head = ("layer", "lines", "line", "branches", "branch", "minimum", "")
widths = [max(len(r[i]) for r in [head] + rows) for i in range(len(head))]
for r in [head] + rows:
    print("  ".join(c.ljust(w) if i == 0 else c.rjust(w) for i, (c, w) in enumerate(zip(r, widths))).rstrip())
print("HTML report: build-coverage/coverage/index.html")
if failed:
    print("coverage: below the minimum of tests/coverage-thresholds.txt: " + "; ".join(failed), file=sys.stderr)
    sys.exit(1)
EOF
