#!/usr/bin/env bash
# Sets every kind of control of the window program through the
# accessibility bus (AT-SPI, as a screen reader does) under a virtual X
# server, lets Send Config write the screen into a virtual switch, reads
# the switch back with kavro-switch and checks that it holds what was set.
# Then starts the window again, lets Get Config read that switch and hears
# every command list as Orca does: its name and the command the switch
# holds, and the "Show" options as radio buttons.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --only xvfb xauth dbus-x11 at-spi2-core python3-pyatspi gir1.2-atspi-2.0
build="${BUILD:-build}"
[ -x "$build/gui/kavro-switch-config" ] && [ -x "$build/cli/kavro-switch" ] || {
  echo "a11y-check: build the programs first ($build)" >&2; exit 2; }

if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] || [ "${1:-}" != "--inside" ]; then
  exec dbus-run-session -- "$0" --inside
fi

work="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
export DISPLAY=":$((200 + RANDOM % 100))"
Xvfb "$DISPLAY" -screen 0 1400x1000x24 >/dev/null 2>&1 &
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
"$build/cli/kavro-switch" simulate >"$work/switch" 2>&1 &
sleep 1
line="$(head -n 1 "$work/switch")"
HOME="$work" QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$build/gui/kavro-switch-config" --port "$line" >/dev/null 2>&1 &
window=$!
sleep 2
/usr/bin/python3 tests/a11y/atspi_send_check.py drive
kill "$window"; wait "$window" 2>/dev/null || true
"$build/cli/kavro-switch" get --port "$line" --switch-address 000001 -o "$work/switch.set" >/dev/null
"$build/cli/kavro-switch" show --json "$work/switch.set" >"$work/switch.json"
/usr/bin/python3 tests/a11y/atspi_send_check.py check "$work/switch.json"
echo "a11y-check: every control set through the accessibility bus is what Send Config wrote"
HOME="$work" QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$build/gui/kavro-switch-config" --port "$line" >/dev/null 2>&1 &
window=$!
sleep 2
/usr/bin/python3 tests/a11y/atspi_send_check.py hear "$work/switch.json"
kill "$window"; wait "$window" 2>/dev/null || true
echo "a11y-check: after Get Config every command list is heard with its command, the Show options as radio buttons"
