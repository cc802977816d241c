#!/usr/bin/env bash
# Takes a screenshot of the window program on the simulated switch under a
# virtual X server, for the README and for looking at the screen as a user
# does. Usage: scripts/screenshot.sh OUTPUT.png [program arguments...]
#   SCREEN=1366x768x24  DPI=96  WAIT=2 (seconds before KEYS)
#   KEYS="alt+g"  (xdotool keys, then AFTER seconds before the shot)
#   XDO="mousemove 330 128 click 1"  (any xdotool command, before KEYS)
set -euo pipefail
cd "$(dirname "$0")/.."
out="$(realpath -m "${1:-docs/main-window.png}")"
shift || true
scripts/install-deps.sh --only xvfb xauth openbox imagemagick xdotool
[ -x build/gui/kavro-switch-config ] || { cmake -S . -B build >/dev/null; cmake --build build -j"$(nproc)" --target kavro-switch-config; }

display=":$((100 + RANDOM % 100))"
Xvfb "$display" -screen 0 "${SCREEN:-1400x1000x24}" -dpi "${DPI:-96}" >/dev/null 2>&1 &
xvfb=$!
home="$(mktemp -d)"
program_pid=""
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
  kill "${openbox:-}" "$xvfb" 2>/dev/null || true
  rm -rf "$home"
}
trap cleanup EXIT
sleep 1
DISPLAY="$display" openbox >/dev/null 2>&1 &
openbox=$!
sleep 0.5
args=("$@")
[ ${#args[@]} -eq 0 ] && args=(--simulator)
HOME="$home" DISPLAY="$display" build/gui/kavro-switch-config "${args[@]}" >/dev/null 2>&1 &
program_pid=$!
sleep "${WAIT:-2}"
if [ -n "${XDO:-}" ]; then DISPLAY="$display" xdotool $XDO; sleep 0.5; fi
if [ -n "${KEYS:-}" ]; then
  DISPLAY="$display" xdotool key --delay 150 $KEYS
  sleep "${AFTER:-1}"
fi
mkdir -p "$(dirname "$out")"
DISPLAY="$display" import -window root "$out"
echo "$out"
