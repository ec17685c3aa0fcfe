// The screen readers' bus (AT-SPI on Linux), where Qt's own bridge falls short of what a
// screen reader relies on. Elsewhere, and where Qt has no D-Bus, these do nothing.
#pragma once

class QAccessibleInterface;
class QString;

namespace atspi {

// Key events pass through the screen reader one at a time and in the order they were
// typed: each reaches the window only once the reader has let it through (or has not
// answered within a second), and the menu bar and shortcuts see each key once. Qt's own
// relay gives up on an answer after 0.1 s and then loses the order, so that Alt, Down
// could leave the menu closed (atspi_dbus.cpp says on which Qt versions). Call once the
// application exists.
void relayKeysInOrder();

// Tells the readers that the object now shows, or no longer shows, with both states a
// reader keeps in its cache, "showing" and "visible": also for a change Qt does not tell,
// as an empty label gaining a caption.
void reportShowing(QAccessibleInterface* object, bool showing);

// Tells the readers that the child joined (added) or left the parent's children, at that
// index, so that a reader's cached list of children follows; the child is not made or
// destroyed for it.
void reportChildrenChanged(QAccessibleInterface* parent, QAccessibleInterface* child, bool added, int index);

// Speaks news where Qt's bridge does not pass its announcements on: in a web page, Qt 6.8.2's
// bridge handles no announcement event (qwasmaccessibility.cpp; later Qts not seen), so the
// news goes to a live region of the page, which a reader speaks whatever Qt shows it.
// Elsewhere Qt's own announcement reaches the readers and this does nothing.
void announce(const QString& text);

}  // namespace atspi
