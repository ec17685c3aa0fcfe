"""Drives the game under Wayland through the accessibility bus (AT-SPI), the way a
screen reader or a voice-control tool does, and reads the Wayland protocol that the
compositor logged. Exits non-zero, saying what differed, when the game does not behave.

    drive.py change-settings            see change_settings()
    drive.py check-windows LOG ENTRY    see check_windows()
"""
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from atspi_client import (Atspi, Role, application, children, fail, find, press, text_of,  # noqa: E402
                          wait_for, window_of)

TITLE = "Varnoth"
NO_TRIES_MESSAGE = '次数至少为1,请在"设置"中修改!'


def change_settings():
    """With no tries left in dat.ini: 开始解锁 must bring the box that says so, whose OK
    closes it; then 设置 opens the settings dialog, showing the time limit and the tries,
    and both boxes take new values (120 seconds, 5 tries). The dialog is left open."""
    app = application("varnoth")
    frame = wait_for("window '%s'" % TITLE, lambda: window_of(app, Role.FRAME, TITLE), 30)

    press(find(frame, Role.MENU_ITEM, "开始解锁"))
    box = wait_for("box titled 提示", lambda: window_of(app, Role.ALERT, "提示"), 30)
    message = find(box, Role.LABEL, NO_TRIES_MESSAGE)
    if not message:
        fail("the box does not say %s: %s" % (NO_TRIES_MESSAGE, [c.get_name() for c in children(box)]))
    press(find(box, Role.PUSH_BUTTON))
    wait_for("box 提示 to close", lambda: not window_of(app, Role.ALERT, "提示"), 30)

    press(find(frame, Role.MENU_ITEM, "设置"))
    dialog = wait_for("dialog titled 设置", lambda: window_of(app, Role.DIALOG, "设置"), 30)
    boxes = [c for c in children(dialog) if c.get_role() == Role.TEXT]
    if [text_of(b) for b in boxes] != ["300", "0"]:
        fail("the settings dialog shows %s, not the time limit 300 and the tries 0" % [text_of(b) for b in boxes])
    for box, value in zip(boxes, ["120", "5"]):
        Atspi.EditableText.set_text_contents(box, value)
    if [text_of(b) for b in boxes] != ["120", "5"]:
        fail("the boxes hold %s after typing 120 and 5" % [text_of(b) for b in boxes])
    print("settings dialog open with 120 and 5")


def check_windows(log_file, entry):
    """From the protocol that the compositor logged: the game's main window has the title
    and app id of the desktop entry (its Name and its file name, which is how a Wayland
    desktop finds a window's entry), and the box and the settings dialog are children of
    that window (xdg_toplevel.set_parent), which is what lets the compositor place them
    with it."""
    app_id = re.sub(r"\.desktop$", "", entry.split("/")[-1])
    with open(entry, encoding="utf-8") as f:
        name = re.search(r"^Name=(.*)$", f.read(), re.M).group(1)
    windows = []   # every toplevel of every client: title, app id and its parent's title
    current = {}   # (client, object id) -> its window; an id is reused once its window is gone
    # weston 10 logs "client 0x55d0 rq xdg_toplevel@15.set_title(...)"; weston 14 puts the
    # client's process id after its address: "client 0x55d0 (PID 53) rq ...".
    request = re.compile(r"client (\w+)(?: \(PID \d+\))? rq xdg_(?:surface|toplevel)@(\d+)\.(\w+)\((.*)\)$")
    with open(log_file, encoding="utf-8", errors="replace") as log:
        for line in log:
            m = request.search(line.rstrip())
            if not m:
                continue
            client, target, what, argument = m.groups()
            referred = re.search(r"xdg_toplevel@(\d+)", argument)
            if what == "get_toplevel":
                windows.append({"title": None, "app id": None, "parent": None})
                current[(client, referred.group(1))] = windows[-1]
            elif (client, target) not in current:
                continue
            elif what == "set_parent":
                window = current[(client, target)]
                window["parent"] = current[(client, referred.group(1))]["title"] if referred else None
            elif what in ("set_title", "set_app_id"):
                current[(client, target)]["title" if what == "set_title" else "app id"] = argument.strip('"')
    found = [(w["title"], w["app id"], w["parent"]) for w in windows]
    print("toplevels (title, app id, parent):", found)
    if name != TITLE:
        fail("the desktop entry is named %s, not %s" % (name, TITLE))
    if (TITLE, app_id, None) not in found:
        fail("no main window titled %s with the app id %s" % (TITLE, app_id))
    for title in ("提示", "设置"):
        if (title, app_id, TITLE) not in found:
            fail("the window %s is not a child of the main window" % title)


if __name__ == "__main__":
    command = sys.argv[1] if len(sys.argv) > 1 else ""
    if command == "change-settings":
        change_settings()
    elif command == "check-windows" and len(sys.argv) == 4:
        check_windows(sys.argv[2], sys.argv[3])
    else:
        print(__doc__)
        sys.exit(2)
