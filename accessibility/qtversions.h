// Which Qt a workaround of this room applies to. Each works around a behaviour of Qt's own
// accessibility, named beside it with the versions it was seen on.
#pragma once

#include <QVersionNumber>

// Whether the Qt running the game is one the workaround applies to: from the version its
// behaviour was first seen on, up to the release that fixed it (none known: every Qt
// checked, up to 6.8.2, behaves so, and a newer one keeps the workaround until it has been
// checked without it).
bool runningQtBehavesAsSeen(const QVersionNumber& firstSeen, const QVersionNumber& fixedIn = {});
