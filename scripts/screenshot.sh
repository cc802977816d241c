#!/usr/bin/env bash
# Takes a screenshot of the window program on the simulated switch under a
# virtual X server, for the README and for looking at the screen as a user
# does. Usage: scripts/screenshot.sh OUTPUT.png [program arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
out="$(realpath -m "${1:-docs/main-window.png}")"
shift || true
need=()
for p in xvfb xauth openbox imagemagick; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}"
fi
[ -x build/gui/kavro-switch-config ] || { cmake -S . -B build >/dev/null; cmake --build build -j"$(nproc)" --target kavro-switch-config; }

display=":$((100 + RANDOM % 100))"
Xvfb "$display" -screen 0 "${SCREEN:-1400x1000x24}" -dpi "${DPI:-96}" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $(jobs -p) 2>/dev/null || true' EXIT
sleep 1
DISPLAY="$display" openbox >/dev/null 2>&1 &
sleep 0.5
home="$(mktemp -d)"
program="$PWD/build/gui/kavro-switch-config"
(cd "$home" && HOME="$home" DISPLAY="$display" "$program" --simulator "$@" >/dev/null 2>&1 &)
sleep "${WAIT:-2}"
if [ -n "${KEYS:-}" ]; then DISPLAY="$display" xdotool key $KEYS; sleep 1; fi
mkdir -p "$(dirname "$out")"
DISPLAY="$display" import -window root "$out"
pkill -f "kavro-switch-config --simulator" || true
echo "$out"
