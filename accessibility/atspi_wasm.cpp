// In a web page the readers' tree is the one Qt's web bridge keeps in the page: an object
// that shows or no longer shows is told to it as Qt's own ObjectShow or ObjectHide, which it
// follows; it keeps no list of children to update, and keys reach the page directly. News
// goes to the page's live region (index.html's "news").
#include "accessibility/atspi.h"

#include <QAccessible>
#include <QString>

#include <emscripten/val.h>

namespace atspi {

void relayKeysInOrder() {}

void reportShowing(QAccessibleInterface* object, bool showing)
{
    QAccessibleEvent shown(object, showing ? QAccessible::ObjectShow : QAccessible::ObjectHide);
    QAccessible::updateAccessibility(&shown);
}

void reportChildrenChanged(QAccessibleInterface*, QAccessibleInterface*, bool, int) {}

// A new paragraph each time: a live region speaks what is added to it, the same news twice too.
void announce(const QString& text)
{
    using emscripten::val;
    const val document = val::global("document");
    val region = document.call<val>("getElementById", std::string("news"));
    if (region.isNull())
        return;
    val news = document.call<val>("createElement", std::string("p"));
    news.set("textContent", text.toStdString());
    region.call<void>("replaceChildren", news);
}

}  // namespace atspi
