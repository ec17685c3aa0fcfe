// Writes text/gb18030_table.cpp, the GB18030 tables of text/gb18030.cpp, from
// ICU's "gb18030" converter; run by hand when ICU's mapping changes, and commit its output:
//
//   cmake --build build --target gb18030table
//   build/gb18030table > text/gb18030_table.cpp
//
// The tables hold GB18030-2005's mapping, which every dat.ini written so far holds. ICU 73
// moved to GB18030-2022's, which reads and writes 18 rare characters otherwise: where ICU
// follows either standard on the rows of revisions2022 (text/gb18030_table.h), the tables
// take 2005's, so that any ICU gives the same tables. It refuses (exit 1) a mapping that the
// tables cannot carry or that follows neither standard on those rows: a two-byte code with
// no character, or a BMP character whose code is not the one its code decodes back from.
#include "text/gb18030_table.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

#include <array>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using gb18030::table::bmpFourByteCount;
using gb18030::table::revisions2022;
using gb18030::table::fourByteCode;
using gb18030::table::leadCount;
using gb18030::table::trailByte;
using gb18030::table::trailCount;

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// ICU's converter, stopping at the first byte or character it cannot convert instead of
// substituting, so that a gap in its mapping cannot pass for a character.
Converter strictConverter()
{
    UErrorCode status = U_ZERO_ERROR;
    Converter converter(ucnv_open("gb18030", &status));
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    if (U_FAILURE(status)) {
        std::fprintf(stderr, "gb18030table: ICU has no gb18030 converter: %s\n", u_errorName(status));
        return nullptr;
    }
    return converter;
}

// The one BMP character the bytes decode to.
std::optional<char16_t> decoded(UConverter* converter, const std::string& bytes)
{
    std::array<UChar, 4> text{};
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_toUChars(converter, text.data(), text.size(), bytes.data(),
                                         static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status) || length != 1)
        return std::nullopt;
    return text[0];
}

std::string encoded(UConverter* converter, char16_t character)
{
    std::array<char, 8> bytes{};
    UErrorCode status = U_ZERO_ERROR;
    const UChar text = character;
    const int32_t length = ucnv_fromUChars(converter, bytes.data(), bytes.size(), &text, 1, &status);
    if (U_FAILURE(status))
        return {};
    return std::string(bytes.data(), length);
}

bool fail(const char* what, unsigned value)
{
    std::fprintf(stderr, "gb18030table: %s %#x\n", what, value);
    return false;
}

template <std::size_t n>
std::string bytesOf(const std::array<std::uint8_t, n>& code)
{
    return std::string(code.begin(), code.end());
}

// The two-byte codes that 2022 reads otherwise: 2005's character and 2022's.
std::optional<std::pair<char16_t, char16_t>> revisedReading(const std::string& code)
{
    for (const auto& revision : revisions2022) {
        if (code == bytesOf(revision.code2022))
            return std::pair(revision.privateUse, revision.character);
    }
    if (code == bytesOf(gb18030::table::ideographicSpaceAlias))
        return std::pair(gb18030::table::ideographicSpaceAlias2005, gb18030::table::ideographicSpace);
    return std::nullopt;
}

// The characters that 2022 writes otherwise: 2005's code and 2022's.
std::optional<std::pair<std::string, std::string>> revisedWriting(char16_t character)
{
    for (const auto& revision : revisions2022) {
        if (character == revision.character)
            return std::pair(bytesOf(revision.code2005), bytesOf(revision.code2022));
    }
    return std::nullopt;
}

struct Tables {
    std::array<std::array<char16_t, trailCount>, leadCount> twoByte{};
    std::vector<gb18030::table::FourByteRun> runs;
};

bool readTwoByte(UConverter* converter, Tables& tables)
{
    for (int lead = 0; lead < leadCount; ++lead) {
        for (int column = 0; column < trailCount; ++column) {
            const std::string code{static_cast<char>(0x81 + lead), static_cast<char>(trailByte(column))};
            const std::optional<char16_t> character = decoded(converter, code);
            if (const auto revised = revisedReading(code)) {
                if (character != revised->first && character != revised->second)
                    return fail("ICU reads a code of revisions2022 as neither standard does:",
                                (0x81 + lead) << 8 | trailByte(column));
                tables.twoByte[lead][column] = revised->first;
                continue;
            }
            if (!character || encoded(converter, *character) != code)
                return fail("two-byte code does not map both ways:", (0x81 + lead) << 8 | trailByte(column));
            tables.twoByte[lead][column] = *character;
        }
    }
    return true;
}

bool readFourByte(UConverter* converter, Tables& tables)
{
    std::optional<char16_t> previous;
    for (std::uint32_t index = 0; index < bmpFourByteCount; ++index) {
        const std::array<char, 4> bytes = fourByteCode(index);
        const std::string code(bytes.data(), bytes.size());
        const std::optional<char16_t> character = decoded(converter, code);
        const auto revised = character ? revisedWriting(*character) : std::nullopt;
        const std::string back = character ? encoded(converter, *character) : std::string();
        if (revised && (code != revised->first || (back != revised->first && back != revised->second)))
            return fail("ICU writes a character of revisions2022 as neither standard does: number", index);
        if (!character || (!revised && back != code))
            return fail("four-byte code does not map both ways: number", index);
        if (!previous || *character != *previous + 1)
            tables.runs.push_back({static_cast<std::uint16_t>(index), *character});
        previous = character;
    }
    return true;
}

// Every BMP character but the surrogates has exactly one of the codes read above.
bool checkEveryCharacterHasACode(UConverter* converter)
{
    for (unsigned character = 0x80; character <= 0xFFFF; ++character) {
        if (character >= 0xD800 && character <= 0xDFFF)
            continue;
        const std::string code = encoded(converter, static_cast<char16_t>(character));
        if (code.size() != 2 && code.size() != 4)
            return fail("BMP character without a two- or four-byte code: U+", character);
    }
    return true;
}

void write(const Tables& tables)
{
    std::printf("// Generated by tools/gb18030table.cpp from ICU's \"gb18030\" converter, held to the\n"
                "// GB18030-2005 mapping (see revisions2022 in text/gb18030_table.h); do not edit.\n");
    std::printf("// To regenerate: cmake --build build --target gb18030table &&\n"
                "//                build/gb18030table > text/gb18030_table.cpp\n"
                "//\n"
                "// The mapping data is ICU's, under ICU's licence, the Expat (MIT) licence:\n"
                "//\n"
                "// Copyright (C) 1991-2022 Unicode, Inc.\n"
                "//\n"
                "// Permission is hereby granted, free of charge, to any person obtaining a copy of this\n"
                "// software and associated documentation files (the \"Software\"), to deal in the Software\n"
                "// without restriction, including without limitation the rights to use, copy, modify,\n"
                "// merge, publish, distribute, sublicense, and/or sell copies of the Software, and to\n"
                "// permit persons to whom the Software is furnished to do so, subject to the following\n"
                "// conditions:\n"
                "//\n"
                "// The above copyright notice and this permission notice shall be included in all copies\n"
                "// or substantial portions of the Software.\n"
                "//\n"
                "// THE SOFTWARE IS PROVIDED \"AS IS\", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR IMPLIED,\n"
                "// INCLUDING BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY, FITNESS FOR A\n"
                "// PARTICULAR PURPOSE AND NONINFRINGEMENT. IN NO EVENT SHALL THE AUTHORS OR COPYRIGHT\n"
                "// HOLDERS BE LIABLE FOR ANY CLAIM, DAMAGES OR OTHER LIABILITY, WHETHER IN AN ACTION OF\n"
                "// CONTRACT, TORT OR OTHERWISE, ARISING FROM, OUT OF OR IN CONNECTION WITH THE SOFTWARE OR\n"
                "// THE USE OR OTHER DEALINGS IN THE SOFTWARE.\n");
    std::printf("#include \"text/gb18030_table.h\"\n\nnamespace gb18030::table {\n\n");
    std::printf("const char16_t twoByte[leadCount][trailCount] = {\n");
    for (int lead = 0; lead < leadCount; ++lead) {
        std::printf("    {  // lead byte 0x%02X\n", 0x81 + lead);
        for (int column = 0; column < trailCount; ++column)
            std::printf("%s0x%04X,%s", column % 12 == 0 ? "        " : " ", tables.twoByte[lead][column],
                        column % 12 == 11 || column == trailCount - 1 ? "\n" : "");
        std::printf("    },\n");
    }
    std::printf("};\n\nnamespace {\nconst FourByteRun runs[] = {\n");
    for (std::size_t run = 0; run < tables.runs.size(); ++run)
        std::printf("%s{%u, 0x%04X},%s", run % 6 == 0 ? "    " : " ", tables.runs[run].index,
                    tables.runs[run].codePoint, run % 6 == 5 || run + 1 == tables.runs.size() ? "\n" : "");
    std::printf("};\n}  // namespace\n\nconst std::span<const FourByteRun> fourByteRuns(runs);\n\n"
                "}  // namespace gb18030::table\n");
}

}  // namespace

int main()
{
    const Converter converter = strictConverter();
    Tables tables;
    if (!converter || !readTwoByte(converter.get(), tables) || !readFourByte(converter.get(), tables)
        || !checkEveryCharacterHasACode(converter.get()))
        return 1;
    write(tables);
    return 0;
}
