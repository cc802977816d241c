#!/usr/bin/python3
# Drives the window program through the accessibility bus only, as a
# screen reader or switch-access user would, and lets Send Config write the
# screen into a virtual switch:     atspi_send_check.py drive
# Then, given what the switch holds (kavro-switch show --json), checks that
# it is what the controls were set to:   atspi_send_check.py check FILE.json
# Ticks or clears one check box, as a user would (scripts/package.sh, for
# the place the settings go):   atspi_send_check.py toggle NAME
# After Get Config through the bus, hears every command list as Orca does,
# its name and its command (its text and the entry selected in it), and
# the "Show" options as radio buttons; the commands must be those the
# switch holds:   atspi_send_check.py hear FILE.json
# The same without Get Config, for the configuration file the window was
# started with (scripts/package.sh):   atspi_send_check.py shows FILE.json
import json
import sys
import time

import pyatspi


def find(node, name, role=None):
    """The first accessible below node with this name."""
    for child in node:
        if child is None:
            continue
        if child.name == name and (role is None or child.getRoleName() == role):
            return child
        found = find(child, name, role)
        if found is not None:
            return found
    return None


def act(node, action):
    actions = node.queryAction()
    for i in range(actions.nActions):
        if actions.getName(i) == action:
            actions.doAction(i)
            time.sleep(0.2)
            return
    raise AssertionError(f"{node.name!r} has no action {action!r}")


def set_text(node, text):
    node.queryEditableText().setTextContents(text)
    time.sleep(0.1)


def app():
    for _ in range(50):
        for a in pyatspi.Registry.getDesktop(0):
            if a is not None and a.name == "kavro-switch-config":
                return a
        time.sleep(0.2)
    raise AssertionError("the window program is not on the accessibility bus")


def control(name):
    """Buttons, boxes and lists by their accessible name; frames are skipped."""
    for role in ("check box", "radio button", "push button", "text", "combo box"):
        node = find(window, name, role)
        if node is not None:
            return node
    return None


# (control, what the screen reader does, what the switch must then hold)
STEPS = [
    ("Channel 1, Seq", lambda n: act(n, "Toggle"), lambda c: c[0]["seq"] is True),
    ("Channel 1, On Press command", lambda n: act(find(n, "Lock IP", "list item"), "Toggle"),
     lambda c: c[0]["events"]["press"]["command"] == "Lock IP"),
    ("Channel 1, On Press data", lambda n: set_text(n, "05"), lambda c: c[0]["events"]["press"]["data"] == "05"),
    ("Channel 1, Lock Priority", lambda n: set_text(n, "07"), lambda c: c[0]["lockPriority"] == "07"),
    ("Channel 2, Specific", lambda n: act(n, "Toggle"), lambda c: c[1]["destination"] == "Specific"),
    ("Channel 2, Motor Address", lambda n: set_text(n, "123456789"), lambda c: c[1]["motorAddress"] == "123456"),
    ("Channel 3, P-P", lambda n: act(n, "Toggle"), lambda c: c[2]["destination"] == "P-P"),
    ("P-P Motor Address", lambda n: set_text(n, "00ABCD"), lambda c: c[2]["address"] == "00ABCD"),
    ("Channel 5, Src Group", lambda n: act(n, "Toggle"), lambda c: c[4]["destination"] == "Src Group"),
    ("Channel 5, Source Group Address", lambda n: set_text(n, "0A0B0C"), lambda c: c[4]["address"] == "0A0B0C"),
    ("All", lambda n: act(n, "Toggle"), None),
    ("Channel 8, On Release command", lambda n: act(find(n, "STOP", "list item"), "Toggle"),
     lambda c: c[7]["events"]["release"]["command"] == "STOP"),
    ("Switch Address", lambda n: set_text(n, "000001"), None),
    ("Use Switch Address for Config", lambda n: act(n, "Toggle"), None),
    ("Send Config", lambda n: act(n, "Press"), None),
]


def drive():
    global window
    window = app()
    for name, step, _ in STEPS:
        node = control(name)
        if node is None:
            sys.exit(f"no control named {name!r}")
        step(node)
    time.sleep(3)  # ten frames at 4800 baud


def check(path):
    with open(path) as f:
        channels = json.load(f)["channels"]
    failed = [name for name, _, holds in STEPS if holds and not holds(channels)]
    for name in failed:
        print(f"the switch does not hold what {name!r} was set to")
    return 1 if failed else 0


def toggle(name):
    global window
    window = app()
    node = control(name)
    if node is None:
        sys.exit(f"no control named {name!r}")
    act(node, "Toggle")
    time.sleep(1)  # the settings are written from the event loop


EVENTS = (("On Press", "press"), ("On Hold", "hold"), ("On Release", "release"))


def heard_command(node):
    """What a screen reader hears of a command list: its text, and the entries selected in its list."""
    try:
        text = node.queryText().getText(0, -1)
    except NotImplementedError:
        text = None  # no text at all
    selected = [item.name for entries in node if entries is not None for item in entries
                if item is not None and item.getState().contains(pyatspi.STATE_SELECTED)]
    return text, selected


def hear(path, get=True):
    """Every command list heard with the command of FILE.json, after Get Config unless get is False."""
    global window
    window = app()
    if get:
        act(control("Get Config"), "Press")
        time.sleep(3)  # eleven queries and their replies
    act(control("All"), "Toggle")  # channels 7 and 8 in view as well
    with open(path) as f:
        channels = json.load(f)["channels"]
    wrong = []
    for c in range(8):
        for shown, held in EVENTS:
            name = f"Channel {c + 1}, {shown} command"
            node = find(window, name, "combo box")
            command = channels[c]["events"][held]["command"]
            if node is None:
                wrong.append(f"no command list named {name!r}")
            elif heard_command(node) != (command, [command]):
                wrong.append(f"{name!r} is heard as {heard_command(node)}, while the switch holds {command!r}")
    for option in ("1 - 3", "1- 6", "7 - 8", "All"):
        if find(window, option, "radio button") is None:
            wrong.append(f"no radio button named {option!r}")
    for line in wrong:
        print(line)
    return 1 if wrong else 0


if __name__ == "__main__":
    command = sys.argv[1]
    sys.exit(drive() if command == "drive" else toggle(sys.argv[2]) if command == "toggle"
             else hear(sys.argv[2], command == "hear") if command in ("hear", "shows") else check(sys.argv[2]))
