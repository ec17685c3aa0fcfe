#include "text/characters.h"

namespace text {

namespace {

// How many units the character at i takes: 2 for a whole pair, 1 for a character of the
// BMP, 0 for half of one.
qsizetype unitsAt(const QString& text, qsizetype i)
{
    if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
        return 2;
    return text[i].isSurrogate() ? 0 : 1;
}

}  // namespace

QString firstCharacters(const QString& text, qsizetype count)
{
    QString kept;
    kept.reserve(text.size());
    for (qsizetype i = 0; i < text.size() && count > 0;) {
        const qsizetype units = unitsAt(text, i);
        if (units > 0) {
            kept += QStringView(text).mid(i, units);
            --count;
        }
        i += units > 0 ? units : 1;
    }
    return kept;
}

qsizetype characterCount(const QString& text)
{
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype units = unitsAt(text, i);
        count += units > 0 ? 1 : 0;
        i += units > 0 ? units : 1;
    }
    return count;
}

}  // namespace text
