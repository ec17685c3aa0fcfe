// The mapping tables behind text/gb18030.cpp. Their data, text/gb18030_table.cpp,
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

// Where GB18030-2022 differs from GB18030-2005, whose mapping the tables hold, as every
// dat.ini written so far does: 18 characters that 2022 gives the two-byte codes which 2005
// gave to private-use characters (2005 writes the characters in four bytes). ICU follows
// 2022 from ICU 73 on; tools/gb18030table.cpp and tests/test_gb18030.cpp hold it to these
// rows, so that the game writes the same bytes whatever ICU a machine has.
struct Revision {
    char16_t character = 0;
    std::array<std::uint8_t, 4> code2005;  // the character's code in 2005
    std::array<std::uint8_t, 2> code2022;  // its code in 2022
    char16_t privateUse = 0;               // the character code2022 is in 2005
};
constexpr std::array<Revision, 18> revisions2022{{
    {0x9FB4, {0x82, 0x35, 0x90, 0x37}, {0xFE, 0x59}, 0xE81E},
    {0x9FB5, {0x82, 0x35, 0x90, 0x38}, {0xFE, 0x61}, 0xE826},
    {0x9FB6, {0x82, 0x35, 0x90, 0x39}, {0xFE, 0x66}, 0xE82B},
    {0x9FB7, {0x82, 0x35, 0x91, 0x30}, {0xFE, 0x67}, 0xE82C},
    {0x9FB8, {0x82, 0x35, 0x91, 0x31}, {0xFE, 0x6D}, 0xE832},
    {0x9FB9, {0x82, 0x35, 0x91, 0x32}, {0xFE, 0x7E}, 0xE843},
    {0x9FBA, {0x82, 0x35, 0x91, 0x33}, {0xFE, 0x90}, 0xE854},
    {0x9FBB, {0x82, 0x35, 0x91, 0x34}, {0xFE, 0xA0}, 0xE864},
    {0xFE10, {0x84, 0x31, 0x82, 0x36}, {0xA6, 0xD9}, 0xE78D},
    {0xFE11, {0x84, 0x31, 0x82, 0x37}, {0xA6, 0xDB}, 0xE78F},
    {0xFE12, {0x84, 0x31, 0x82, 0x38}, {0xA6, 0xDA}, 0xE78E},
    {0xFE13, {0x84, 0x31, 0x82, 0x39}, {0xA6, 0xDC}, 0xE790},
    {0xFE14, {0x84, 0x31, 0x83, 0x30}, {0xA6, 0xDD}, 0xE791},
    {0xFE15, {0x84, 0x31, 0x83, 0x31}, {0xA6, 0xDE}, 0xE792},
    {0xFE16, {0x84, 0x31, 0x83, 0x32}, {0xA6, 0xDF}, 0xE793},
    {0xFE17, {0x84, 0x31, 0x83, 0x33}, {0xA6, 0xEC}, 0xE794},
    {0xFE18, {0x84, 0x31, 0x83, 0x34}, {0xA6, 0xED}, 0xE795},
    {0xFE19, {0x84, 0x31, 0x83, 0x35}, {0xA6, 0xF3}, 0xE796},
}};
// One more code reads otherwise from ICU 73 on, though 2022 writes that character as 2005
// does: A3 A0, 2005's U+E5E5, reads as U+3000, the ideographic space (A1 A1 in both).
constexpr std::array<std::uint8_t, 2> ideographicSpaceAlias{0xA3, 0xA0};
constexpr char16_t ideographicSpaceAlias2005 = 0xE5E5;
constexpr char16_t ideographicSpace = 0x3000;

}  // namespace gb18030::table
