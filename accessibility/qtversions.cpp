#include "accessibility/qtversions.h"

#include <QtGlobal>

bool runningQtBehavesAsSeen(const QVersionNumber& firstSeen, const QVersionNumber& fixedIn)
{
    const QVersionNumber running = QVersionNumber::fromString(QString::fromLatin1(qVersion()));
    return running >= firstSeen && (fixedIn.isNull() || running < fixedIn);
}
