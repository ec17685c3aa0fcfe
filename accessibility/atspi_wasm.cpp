// In a web page the readers' tree is the one Qt's web bridge keeps in the page: an object
// that shows or no longer shows is told to it as Qt's own ObjectShow or ObjectHide, which it
// follows; it keeps no list of children to update, and keys reach the page directly.
#include "accessibility/atspi.h"

#include <QAccessible>

namespace atspi {

void relayKeysInOrder() {}

void reportShowing(QAccessibleInterface* object, bool showing)
{
    QAccessibleEvent shown(object, showing ? QAccessible::ObjectShow : QAccessible::ObjectHide);
    QAccessible::updateAccessibility(&shown);
}

void reportChildrenChanged(QAccessibleInterface*, QAccessibleInterface*, bool, int) {}

}  // namespace atspi
