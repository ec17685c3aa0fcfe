"""What every test that reads or drives the game through the accessibility bus (AT-SPI)
shares, whatever the desktop (X, Wayland, Wine): waiting, walking the tree, finding an
object by its role and name, pressing, reading and typing.

Roles are compared as Atspi.Role values, never by their names, which change between
at-spi2-core releases (2.46 says "push button", 2.56 "button")."""

import sys
import time
import warnings

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, Gio, GLib  # noqa: E402

Role = Atspi.Role
State = Atspi.StateType
_context = GLib.MainContext.default()


def fail(message):
    print("FAIL: " + message, flush=True)
    sys.exit(1)


def step(message):
    print("-- " + message, flush=True)


def pump(seconds=0.0):
    """Lets the bus deliver what it has (events included) for at least that long."""
    end = time.monotonic() + seconds
    while True:
        while _context.iteration(False):
            pass
        if time.monotonic() >= end:
            return
        time.sleep(0.02)


def wait_for(what, probe, seconds=10):
    """Calls probe until it returns something true, for at most that many seconds; an
    object that goes away while it is read counts as not there yet."""
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        pump()
        try:
            result = probe()
        except GLib.Error:
            result = None
        if result:
            return result
        time.sleep(0.05)
    fail("waited in vain for %s (%d s)" % (what, seconds))


def children(node):
    return [c for c in (node.get_child_at_index(i) for i in range(node.get_child_count())) if c]


def descendants(node):
    for child in children(node):
        yield child
        yield from descendants(child)


def has(node, state):
    return node.get_state_set().contains(state)


def find(root, role, name=None):
    """The first object below root with that role (and name, if given)."""
    for node in descendants(root):
        if node.get_role() == role and (name is None or node.get_name() == name):
            return node
    return None


def window_of(app, role, name):
    """The application's top-level window with that role and title."""
    return next((w for w in children(app) if w.get_role() == role and w.get_name() == name), None)


def application(name, seconds=30):
    desktop = Atspi.get_desktop(0)
    return wait_for("the application %r on the accessibility bus" % name,
                    lambda: next((a for a in children(desktop) if a.get_name() == name), None), seconds)


def text_of(node):
    return Atspi.Text.get_text(node, 0, -1)


def type_keys(text):
    for ch in text:
        Atspi.generate_keyboard_event(ord(ch), None, Atspi.KeySynthType.SYM)
        pump(0.05)


_bus = None


def _a11y_bus():
    global _bus
    if _bus is None:
        session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        address = session.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None,
                                    GLib.VariantType("(s)"), Gio.DBusCallFlags.NONE, -1, None).unpack()[0]
        flags = Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION
        _bus = Gio.DBusConnection.new_for_address_sync(address, flags, None, None)
    return _bus


def press(node):
    """Does the object's press action, without waiting for the answer: an action that opens
    a modal box answers only once the box has closed, and the test has the box to deal with."""
    with warnings.catch_warnings():
        # get_action_name is marked deprecated for a C name that the bindings do not offer;
        # the localized name would depend on the game's translation.
        warnings.simplefilter("ignore", DeprecationWarning)
        names = [Atspi.Action.get_action_name(node, i).lower() for i in range(Atspi.Action.get_n_actions(node))]
    if "press" not in names:
        fail("%s %r has no press action, only %s" % (node.get_role_name(), node.get_name(), names))
    bus = _a11y_bus()
    bus.call(node.app.bus_name, node.path, "org.a11y.atspi.Action", "DoAction",
             GLib.Variant("(i)", (names.index("press"),)), None, Gio.DBusCallFlags.NONE, -1, None, None)
    bus.flush_sync(None)
