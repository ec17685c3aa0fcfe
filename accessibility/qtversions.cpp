#include "accessibility/qtversions.h"

#include <QtGlobal>

// The bound of the rule in qtversions.h.
static_assert(QT_VERSION < QT_VERSION_CHECK(newestQtCheckedMajor, (newestQtCheckedMinor + 1), 0),
              "This Qt is newer than any the workarounds in accessibility/ were checked on: check each "
              "on it as its comment says, then raise the series in accessibility/qtversions.h");
