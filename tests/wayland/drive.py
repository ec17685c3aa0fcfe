"""Drives the game under Wayland through the accessibility bus (AT-SPI), the way a
screen reader or a voice-control tool does, and reads the Wayland protocol that the
compositor logged. Exits non-zero, saying what differed, when the game does not behave.

    drive.py change-settings            see change_settings()
    drive.py check-windows LOG ENTRY    see check_windows()
"""
import re
import sys
import time
import warnings

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, Gio, GLib  # noqa: E402

A11Y_BUS = ("org.a11y.Bus", "/org/a11y/bus")
TITLE = "Varnoth"
NO_TRIES_MESSAGE = '次数至少为1,请在"设置"中修改!'


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def wait_for(what, find, seconds=30):
    """Calls find until it returns something, for at most that many seconds."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = find()
        if found:
            return found
        time.sleep(0.2)
    fail("no " + what + " within %d s" % seconds)


def children(accessible):
    return [accessible.get_child_at_index(i) for i in range(accessible.get_child_count())]


def find(accessible, role, name=None):
    """The first accessible below this one (or itself) with that role and name."""
    if accessible.get_role_name() == role and (name is None or accessible.get_name() == name):
        return accessible
    for child in children(accessible):
        found = find(child, role, name)
        if found:
            return found
    return None


class Presser:
    """Sends AT-SPI's DoAction without waiting for the answer. An action that opens a
    modal box answers only once the box has closed, so waiting would stall the driver
    while it has the box to deal with."""

    def __init__(self):
        session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        address = session.call_sync(A11Y_BUS[0], A11Y_BUS[1], "org.a11y.Bus", "GetAddress", None,
                                    GLib.VariantType("(s)"), Gio.DBusCallFlags.NONE, -1, None).unpack()[0]
        flags = Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION
        self.bus = Gio.DBusConnection.new_for_address_sync(address, flags, None, None)

    def press(self, accessible):
        with warnings.catch_warnings():
            # Deprecated for get_name, which these bindings shadow with the accessible's own.
            warnings.simplefilter("ignore", DeprecationWarning)
            names = [Atspi.Action.get_action_name(accessible, i) for i in range(Atspi.Action.get_n_actions(accessible))]
        if "Press" not in names:
            fail("%s '%s' has no Press action (it has %s)" % (accessible.get_role_name(), accessible.get_name(), names))
        self.bus.call(accessible.app.bus_name, accessible.path, "org.a11y.atspi.Action", "DoAction",
                      GLib.Variant("(i)", (names.index("Press"),)), None, Gio.DBusCallFlags.NONE, -1, None, None)
        self.bus.flush_sync(None)


def window_of(app, role, name):
    return next((w for w in children(app) if w.get_role_name() == role and w.get_name() == name), None)


def text_of(box):
    return Atspi.Text.get_text(box, 0, -1)


def change_settings():
    """With no tries left in dat.ini: 开始解锁 must bring the box that says so, whose OK
    closes it; then 设置 opens the settings dialog, showing the time limit and the tries,
    and both boxes take new values (120 seconds, 5 tries). The dialog is left open."""
    desktop = Atspi.get_desktop(0)
    app = wait_for("application 'varnoth' on the accessibility bus",
                   lambda: next((a for a in children(desktop) if a.get_name() == "varnoth"), None))
    frame = wait_for("window '%s'" % TITLE, lambda: window_of(app, "frame", TITLE))
    presser = Presser()

    presser.press(find(frame, "menu item", "开始解锁"))
    box = wait_for("box titled 提示", lambda: window_of(app, "alert", "提示"))
    message = find(box, "label", NO_TRIES_MESSAGE)
    if not message:
        fail("the box does not say %s: %s" % (NO_TRIES_MESSAGE, [c.get_name() for c in children(box)]))
    presser.press(find(box, "push button"))
    wait_for("box 提示 to close", lambda: not window_of(app, "alert", "提示"))

    presser.press(find(frame, "menu item", "设置"))
    dialog = wait_for("dialog titled 设置", lambda: window_of(app, "dialog", "设置"))
    boxes = [c for c in children(dialog) if c.get_role_name() == "text"]
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
    request = re.compile(r"client (\w+) rq xdg_(?:surface|toplevel)@(\d+)\.(\w+)\((.*)\)$")
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
