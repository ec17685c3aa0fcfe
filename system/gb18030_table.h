// The mapping tables behind system/gb18030.cpp. Their data, system/gb18030_table.cpp,
// is generated from ICU by tools/gb18030table.cpp; the layout is described here.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace gb18030::table {

// Two-byte codes: a lead byte 0x81..0xFE and a trail byte 0x40..0x7E or 0x80..0xFE. Every
// one of the 126 x 190 codes maps to one BMP character.
constexpr int leadCount = 0xFE - 0x81 + 1;
constexpr int trailCount = (0x7E - 0x40 + 1) + (0xFE - 0x80 + 1);
extern const char16_t twoByte[leadCount][trailCount];

// The trail byte of a column of twoByte.
constexpr int trailByte(int column) { return column < 0x7F - 0x40 ? 0x40 + column : 0x41 + column; }

// Four-byte codes for the BMP, numbered in order: the code b1 b2 b3 b4 is number
// ((b1 - 0x81) * 10 + b2 - 0x30) * 1260 + (b3 - 0x81) * 10 + b4 - 0x30. They are the BMP
// characters that have no one- or two-byte code, nearly all in code point order, so the
// numbering falls into runs of consecutive characters: a run starts at its number and
// character and lasts until the next run starts. The last run ends at bmpFourByteCount.
struct FourByteRun {
    std::uint16_t index;
    char16_t codePoint;
};
constexpr std::uint32_t bmpFourByteCount = 39420;
extern const std::span<const FourByteRun> fourByteRuns;

// The four-byte code numbered index (numbers from bmpFourByteCount on are the gap before
// and then the supplementary planes, which gb18030.cpp numbers from U+10000 linearly).
constexpr std::array<char, 4> fourByteCode(std::uint32_t index)
{
    return {char(0x81 + index / 12600), char(0x30 + index / 1260 % 10), char(0x81 + index / 10 % 126),
            char(0x30 + index % 10)};
}

}  // namespace gb18030::table
