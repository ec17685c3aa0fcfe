// Characters as a player counts them: a character outside the BMP (😀, 𠀀) is one, though
// it takes two UTF-16 units, and is never cut in two.
#pragma once

#include <QString>

namespace text {

// The text's first `count` characters; halves of characters, which no file or box can
// carry, are dropped.
QString firstCharacters(const QString& text, qsizetype count);

// How many characters the text holds, halves of characters not counted.
qsizetype characterCount(const QString& text);

}  // namespace text
