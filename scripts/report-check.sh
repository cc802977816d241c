#!/usr/bin/env bash
# The commissioning report in a real browser. A site of three switches
# (a demo site's manifest and planned files) on a virtual bus that holds
# two of them: site get reads them, a verified send then changes three
# fields of the second, and the third is never reached. The HTML
# report of it is printed by headless Chromium to PDF on Letter and on A4
# and shot as a PNG; pdftotext of each PDF must hold every switch's
# address and label (escaped characters shown as typed), the three states,
# and a page for the summary plus one per switch.
# Usage: scripts/report-check.sh [--picture FILE.png]
#   --picture: also keeps a picture of the first sheet (the README's).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --only chromium poppler-utils
build="$PWD/${BUILD:-build}"
tool="$build/cli/kavro-switch"
[ -x "$tool" ] && [ -x "$build/bench/kavro_report_bench" ] || {
  echo "report-check: build the programs first ($build)" >&2; exit 2; }
picture=""
[ "${1:-}" = "--picture" ] && picture="$(realpath -m "$2")"

work="${KEEP:-$(mktemp -d)}"; mkdir -p "$work"
trap 'kill $(jobs -p) 2>/dev/null || true; [ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
export HOME="$work"  # the journal the tool keeps goes here
cd "$work"
"$build/bench/kavro_report_bench" --make-site . 3
"$tool" simulate --address 00AB01,00AB02 --load "switch 1.set,switch 2.set" >sim 2>&1 &
for _ in $(seq 50); do [ -s sim ] && break; sleep 0.1; done
line="$(head -n 1 sim)"
"$tool" site get site.csv --port "$line" >/dev/null 2>&1 || true  # the third is not on the line
"$tool" send --verify --port "$line" --switch-address 00AB02 changed.set >/dev/null
status=0
"$tool" report --manifest site.csv -o report.html || status=$?
[ "$status" = 1 ] || { echo "report-check: report exited $status, not 1 (a switch not as planned)" >&2; exit 1; }

chrome=(chromium --headless --no-sandbox --disable-gpu --disable-background-networking --disable-component-update
        --disable-sync --no-first-run --user-data-dir="$work/profile")
sed 's|<style>|<style>\n@page { size: A4; }|' report.html >report-a4.html
"${chrome[@]}" --no-pdf-header-footer --print-to-pdf="$work/letter.pdf" "file://$work/report.html" 2>/dev/null
"${chrome[@]}" --no-pdf-header-footer --print-to-pdf="$work/a4.pdf" "file://$work/report-a4.html" 2>/dev/null
"${chrome[@]}" --hide-scrollbars --window-size=900,1300 --screenshot="$work/report.png" "file://$work/report.html" 2>/dev/null
[ "$(head -c 8 report.png | od -An -tx1 | tr -d ' ')" = 89504e470d0a1a0a ] || { echo "report-check: no PNG" >&2; exit 1; }

failed=0
for paper in letter a4; do
  pdftotext "$paper.pdf" "$paper.txt"
  pages="$(pdfinfo "$paper.pdf" | sed -n 's/^Pages: *//p')"
  [ "$pages" = 4 ] || { echo "report-check: $paper: $pages pages, not a summary and three sheets" >&2; failed=1; }
  for want in 00AB01 00AB02 00AB03 'Hall <east> & "main"' 'Office 2 & 3' "Stairs 'north'" \
              "as planned" "differs from plan: " "never read"; do
    grep -qF -- "$want" "$paper.txt" || { echo "report-check: $paper.pdf lacks $want" >&2; failed=1; }
  done
done
[ "$failed" = 0 ] || exit 1
if [ -n "$picture" ]; then
  # The second sheet alone, as a screen shows it: the switch that differs.
  sed 's|<style>|<style>\nbody > :not(#sheet-2) { display: none; }|' report.html >sheet.html
  "${chrome[@]}" --hide-scrollbars --window-size=820,1180 --screenshot="$picture" "file://$work/sheet.html" 2>/dev/null
fi
echo "report-check: Chromium printed the report on Letter and A4, a page a sheet, every switch's address and label in it"
