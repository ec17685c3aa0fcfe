#include "text/gb18030.h"

#include "text/gb18030_table.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

namespace gb18030 {

namespace {

using table::bmpFourByteCount;
using table::fourByteRuns;
using table::FourByteRun;

constexpr char16_t replacement = u'\uFFFD';
constexpr char substitute = '\x1A';
// Four-byte codes from 0x90 0x30 0x81 0x30 on are U+10000, U+10001, ... in order.
constexpr std::uint32_t supplementaryFirstIndex = (0x90 - 0x81) * 12600;
constexpr char32_t lastCodePoint = 0x10FFFF;

bool isLead(std::uint8_t byte) { return byte >= 0x81 && byte <= 0xFE; }
bool isDigit(std::uint8_t byte) { return byte >= 0x30 && byte <= 0x39; }

// The column of a two-byte code's trail byte in table::twoByte, if it is one.
std::optional<int> trailColumn(std::uint8_t byte)
{
    if (byte >= 0x40 && byte <= 0x7E)
        return byte - 0x40;
    if (byte >= 0x80 && byte <= 0xFE)
        return byte - 0x41;
    return std::nullopt;
}

std::uint32_t fourByteIndex(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3, std::uint8_t b4)
{
    return ((b1 - 0x81U) * 10 + (b2 - 0x30U)) * 1260 + (b3 - 0x81U) * 10 + (b4 - 0x30U);
}

std::optional<char32_t> fourByteCharacter(std::uint32_t index)
{
    if (index < bmpFourByteCount) {
        const auto next = std::upper_bound(fourByteRuns.begin(), fourByteRuns.end(), index,
                                           [](std::uint32_t i, const FourByteRun& run) { return i < run.index; });
        const FourByteRun& run = *(next - 1);  // the first run starts at number 0
        return char32_t(run.codePoint + (index - run.index));
    }
    if (index >= supplementaryFirstIndex && index - supplementaryFirstIndex <= lastCodePoint - 0x10000)
        return char32_t(0x10000 + (index - supplementaryFirstIndex));
    return std::nullopt;
}

void appendFourByteCode(QByteArray& bytes, std::uint32_t index)
{
    const std::array<char, 4> code = table::fourByteCode(index);
    bytes.append(code.data(), code.size());
}

// The code of every BMP character past ASCII, the inverse of the tables: a two-byte code
// as lead << 8 | trail, a four-byte one as its number | fourByteFlag; 0 for surrogates.
constexpr std::uint32_t fourByteFlag = 0x80000000;

class BmpCodes {
public:
    BmpCodes()
    {
        for (int lead = 0; lead < table::leadCount; ++lead) {
            for (int column = 0; column < table::trailCount; ++column) {
                codes_[table::twoByte[lead][column]]
                    = std::uint32_t(0x81 + lead) << 8 | std::uint32_t(table::trailByte(column));
            }
        }
        for (std::size_t run = 0; run < fourByteRuns.size(); ++run) {
            const std::uint32_t end = run + 1 < fourByteRuns.size() ? fourByteRuns[run + 1].index : bmpFourByteCount;
            for (std::uint32_t index = fourByteRuns[run].index; index < end; ++index)
                codes_[fourByteRuns[run].codePoint + (index - fourByteRuns[run].index)] = index | fourByteFlag;
        }
    }
    std::uint32_t operator[](char32_t character) const { return codes_[character]; }

private:
    std::array<std::uint32_t, 0x10000> codes_{};
};

const BmpCodes& bmpCodes()
{
    static const BmpCodes codes;  // built on the first use, in place: 256 KB
    return codes;
}

void appendCharacter(QByteArray& bytes, char32_t character)
{
    if (character < 0x80) {
        bytes.append(char(character));
    } else if (character > 0xFFFF) {
        appendFourByteCode(bytes, supplementaryFirstIndex + (character - 0x10000));
    } else if (const std::uint32_t code = bmpCodes()[character]; code & fourByteFlag) {
        appendFourByteCode(bytes, code & ~fourByteFlag);
    } else {
        bytes.append(char(code >> 8));
        bytes.append(char(code & 0xFF));
    }
}

// How many bytes from the lead byte at the start of rest make one code, or one malformed
// sequence (as ICU reads it: see Decoded), and the character they make, if any; or that
// rest is the start of a code cut short.
struct Step {
    qsizetype length;
    std::optional<char32_t> character;
    bool unfinished = false;
};

Step readFromLead(QByteArrayView rest)
{
    const auto byte = [&](qsizetype i) { return std::uint8_t(rest[i]); };
    const Step unfinished{rest.size(), std::nullopt, true};
    const Step malformedLead{1, std::nullopt};
    if (!isLead(byte(0)))
        return malformedLead;  // the callers pass only leads; the table's rows start at one
    if (rest.size() < 2)
        return unfinished;
    if (const std::optional<int> column = trailColumn(byte(1)))
        return {2, table::twoByte[byte(0) - 0x81][*column]};
    if (byte(1) == 0xFF)
        return {2, std::nullopt};
    if (!isDigit(byte(1)))
        return malformedLead;
    if (rest.size() < 3)
        return unfinished;
    if (!isLead(byte(2)))
        return malformedLead;
    if (rest.size() < 4)
        return unfinished;
    if (!isDigit(byte(3)))
        return malformedLead;
    return {4, fourByteCharacter(fourByteIndex(byte(0), byte(1), byte(2), byte(3)))};
}

}  // namespace

Decoded decode(QByteArrayView bytes, Ending ending)
{
    Decoded result;
    result.text.reserve(bytes.size());
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        const auto byte = std::uint8_t(bytes[pos]);
        if (byte < 0x80) {
            result.text.append(QChar(char16_t(byte)));
            ++pos;
            continue;
        }
        const Step step = isLead(byte) ? readFromLead(bytes.sliced(pos, std::min<qsizetype>(4, bytes.size() - pos)))
                                       : Step{1, std::nullopt};
        if (step.unfinished && ending == Ending::MayBeCut) {
            result.unfinished = step.length;
            break;
        }
        if (step.character) {
            result.text.append(QStringView(QChar::fromUcs4(*step.character)));
        } else {
            result.text.append(QChar(replacement));
            ++result.malformed;
        }
        pos += step.length;
    }
    return result;
}

Encoded encode(QStringView text)
{
    Encoded result;
    result.bytes.reserve(text.size() * 2);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar unit = text[i];
        if (!unit.isSurrogate()) {
            appendCharacter(result.bytes, unit.unicode());
        } else if (unit.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            appendCharacter(result.bytes, QChar::surrogateToUcs4(unit, text[i + 1]));
            ++i;
        } else {
            result.bytes.append(substitute);
            ++result.unencodable;
        }
    }
    return result;
}

}  // namespace gb18030
