// GB18030, the encoding of dat.ini, converted by the game itself, so that every system
// writes and reads the same bytes whether or not its Qt has a GB18030 codec (Qt built
// without ICU has none, and neither has Wine). The conversion is exactly that of ICU's
// "gb18030" converter (the GB18030-2005 mapping, which Debian's Qt uses through ICU),
// including what it substitutes for what it cannot convert; tests/test_gb18030.cpp checks
// this against ICU on every character and every kind of malformed input.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <cstdint>

namespace gb18030 {

// Whether the bytes are all there is (a whole file), or may stop inside a code (the part
// of a file that was read).
enum class Ending : std::uint8_t { Complete, MayBeCut };

struct Decoded {
    QString text;
    // How many U+FFFD in text stand for bytes that are not GB18030. As in ICU, one U+FFFD
    // replaces: a byte 0x80 or 0xFF; a lead byte 0x81..0xFE whose next bytes do not make a
    // code (the bytes after it are read afresh, except that a lead followed by 0xFF is
    // replaced together with the 0xFF); and a four-byte code with no character (between
    // the BMP's codes and the supplementary planes', or past U+10FFFF).
    qsizetype malformed = 0;
    // The start of a code at the end of bytes that may be cut, left out of text: its length
    // (1 to 3 bytes), as ICU keeps it back for more bytes. Where the bytes are Complete,
    // such a start is malformed: one U+FFFD, as ICU does at the end of its input. (Qt's
    // decoder leaves it out of its text either way, and counts it as an error only when
    // Stateless.)
    qsizetype unfinished = 0;
};

struct Encoded {
    QByteArray bytes;
    // How many lone surrogates (a half of a UTF-16 pair without its other half) text held;
    // each is written as 0x1A, ICU's substitute byte, as Qt's encoder does. A lone high
    // surrogate at the very end is written like that too, where Qt's encoder drops it.
    qsizetype unencodable = 0;
};

Decoded decode(QByteArrayView bytes, Ending ending = Ending::Complete);
Encoded encode(QStringView text);

}  // namespace gb18030
