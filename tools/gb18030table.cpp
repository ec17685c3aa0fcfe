// Writes platform/gb18030_table.cpp, the GB18030 tables of platform/gb18030.cpp, from
// ICU's "gb18030" converter; run by hand when ICU's mapping changes, and commit its output:
//
//   cmake --build build --target gb18030table
//   build/gb18030table > platform/gb18030_table.cpp
//
// It refuses (exit 1) a mapping that the tables cannot carry: a two-byte code with no
// character, or a BMP character whose code is not the one its code decodes back from.
#include "platform/gb18030_table.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

#include <array>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using gb18030::table::bmpFourByteCount;
using gb18030::table::leadCount;
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

unsigned trailByte(int column) { return column < 0x3F ? 0x40 + column : 0x41 + column; }

std::string fourByteCode(std::uint32_t index)
{
    std::string code(4, '\0');
    code[3] = static_cast<char>(0x30 + index % 10);
    code[2] = static_cast<char>(0x81 + index / 10 % 126);
    code[1] = static_cast<char>(0x30 + index / 1260 % 10);
    code[0] = static_cast<char>(0x81 + index / 12600);
    return code;
}

bool fail(const char* what, unsigned value)
{
    std::fprintf(stderr, "gb18030table: %s %#x\n", what, value);
    return false;
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
        const std::string code = fourByteCode(index);
        const std::optional<char16_t> character = decoded(converter, code);
        if (!character || encoded(converter, *character) != code)
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
    std::printf("// Generated by tools/gb18030table.cpp from ICU %s's \"gb18030\" converter; do not edit.\n",
                U_ICU_VERSION);
    std::printf("// To regenerate: cmake --build build --target gb18030table &&\n"
                "//                build/gb18030table > platform/gb18030_table.cpp\n");
    std::printf("#include \"platform/gb18030_table.h\"\n\nnamespace gb18030::table {\n\n");
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
