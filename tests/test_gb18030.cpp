// The game's own GB18030 against ICU's "gb18030" converter: every character, every code,
// and every kind of malformed input give the same result, substitutions included, except
// for the rows where GB18030-2022 differs from the 2005 mapping the game keeps (which ICU
// follows from ICU 73 on): there the game keeps 2005's bytes, whichever ICU this is. And
// records lines that an earlier build wrote through Qt's codec read back the same.
#include "text/gb18030.h"
#include "text/gb18030_table.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <algorithm>
#include <functional>
#include <vector>

namespace {

// ICU's converter with its default substitution, counting what it substitutes.
class Icu {
public:
    Icu()
    {
        UErrorCode status = U_ZERO_ERROR;
        converter_ = ucnv_open("gb18030", &status);
        ucnv_setToUCallBack(converter_, countToUnicode, &substitutions_, nullptr, nullptr, &status);
        ucnv_setFromUCallBack(converter_, countFromUnicode, &substitutions_, nullptr, nullptr, &status);
        Q_ASSERT(U_SUCCESS(status));
    }
    ~Icu() { ucnv_close(converter_); }
    Icu(const Icu&) = delete;
    Icu& operator=(const Icu&) = delete;

    gb18030::Decoded decode(QByteArrayView bytes, gb18030::Ending ending)
    {
        substitutions_ = 0;
        std::vector<UChar> text(bytes.size() + 1);
        UChar* end = text.data();
        const char* source = bytes.data();
        UErrorCode status = U_ZERO_ERROR;
        ucnv_toUnicode(converter_, &end, text.data() + text.size(), &source, bytes.data() + bytes.size(), nullptr,
                       ending == gb18030::Ending::Complete, &status);
        const int32_t pending = ucnv_toUCountPending(converter_, &status);
        Q_ASSERT(U_SUCCESS(status));
        ucnv_reset(converter_);
        return {QString(reinterpret_cast<const QChar*>(text.data()), end - text.data()), substitutions_, pending};
    }

    gb18030::Encoded encode(QStringView text)
    {
        substitutions_ = 0;
        QByteArray bytes(text.size() * 4 + 1, '\0');
        UErrorCode status = U_ZERO_ERROR;
        const int32_t length = ucnv_fromUChars(converter_, bytes.data(), int32_t(bytes.size()),
                                               reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()),
                                               &status);
        Q_ASSERT(U_SUCCESS(status));
        bytes.truncate(length);
        return {bytes, substitutions_};
    }

private:
    static bool isSubstitution(UConverterCallbackReason reason) { return reason <= UCNV_IRREGULAR; }
    static void countToUnicode(const void* context, UConverterToUnicodeArgs* args, const char* bytes,
                               int32_t length, UConverterCallbackReason reason, UErrorCode* status)
    {
        if (isSubstitution(reason))
            ++*static_cast<qsizetype*>(const_cast<void*>(context));
        UCNV_TO_U_CALLBACK_SUBSTITUTE(nullptr, args, bytes, length, reason, status);
    }
    static void countFromUnicode(const void* context, UConverterFromUnicodeArgs* args, const UChar* units,
                                 int32_t length, UChar32 character, UConverterCallbackReason reason,
                                 UErrorCode* status)
    {
        if (isSubstitution(reason))
            ++*static_cast<qsizetype*>(const_cast<void*>(context));
        UCNV_FROM_U_CALLBACK_SUBSTITUTE(nullptr, args, units, length, character, reason, status);
    }

    UConverter* converter_ = nullptr;
    qsizetype substitutions_ = 0;
};

QByteArray bytesOf(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int value : values)
        bytes.append(char(value));
    return bytes;
}

QString hex(QByteArrayView bytes) { return QString::fromLatin1(bytes.toByteArray().toHex(' ')); }

template <std::size_t n>
QByteArray bytesOf(const std::array<std::uint8_t, n>& code)
{
    return QByteArray(reinterpret_cast<const char*>(code.data()), n);
}

bool isRevisedCharacter(char32_t character)
{
    using namespace gb18030::table;
    return std::any_of(revisions2022.begin(), revisions2022.end(),
                       [&](const Revision& row) { return character == row.character; });
}

QString hex(QStringView text)
{
    QStringList units;
    for (QChar unit : text)
        units << QString::number(unit.unicode(), 16).toUpper();
    return units.join(u' ');
}

// Whether the game and ICU read the bytes alike but for what ICU 73 and later read as 2022
// does: a code of revisions2022 (or the ideographic space's alias) as 2022's character where
// the game has 2005's; and a byte 0x80 on its own as €, as Windows' code page 936 does, where
// 2005 has no such code and the game reads it as malformed.
bool onlyRevisionsDiffer(const gb18030::Decoded& ours, const gb18030::Decoded& theirs)
{
    using namespace gb18030::table;
    if (ours.text.size() != theirs.text.size() || ours.unfinished != theirs.unfinished)
        return false;
    qsizetype euros = 0;
    for (qsizetype i = 0; i < ours.text.size(); ++i) {
        const char16_t game = ours.text[i].unicode();
        const char16_t icu = theirs.text[i].unicode();
        const auto revised = [&](const Revision& row) { return game == row.privateUse && icu == row.character; };
        if (game == QChar::ReplacementCharacter && icu == 0x20AC)
            ++euros;
        else if (game != icu && !(game == ideographicSpaceAlias2005 && icu == ideographicSpace)
                 && std::none_of(revisions2022.begin(), revisions2022.end(), revised))
            return false;
    }
    return ours.malformed - theirs.malformed == euros;
}

// Both endings, as ICU decodes the bytes with and without the end of its input.
void compareDecoded(Icu& icu, QByteArrayView bytes)
{
    for (const gb18030::Ending ending : {gb18030::Ending::Complete, gb18030::Ending::MayBeCut}) {
        const gb18030::Decoded ours = gb18030::decode(bytes, ending);
        const gb18030::Decoded theirs = icu.decode(bytes, ending);
        if (onlyRevisionsDiffer(ours, theirs))
            continue;
        if (ours.text != theirs.text || ours.malformed != theirs.malformed || ours.unfinished != theirs.unfinished)
            QFAIL(qPrintable(QStringLiteral("%1 decodes to %2 (%3 malformed, %4 unfinished), "
                                            "ICU " U_ICU_VERSION " gives %5 (%6, %7)")
                                 .arg(hex(bytes), hex(ours.text))
                                 .arg(ours.malformed)
                                 .arg(ours.unfinished)
                                 .arg(hex(theirs.text))
                                 .arg(theirs.malformed)
                                 .arg(theirs.unfinished)));
    }
}

void compareEncoded(Icu& icu, QStringView text)
{
    const gb18030::Encoded ours = gb18030::encode(text);
    const gb18030::Encoded theirs = icu.encode(text);
    if (ours.bytes != theirs.bytes || ours.unencodable != theirs.unencodable)
        QFAIL(qPrintable(QStringLiteral("%1 encodes to %2 (%3 unencodable), ICU " U_ICU_VERSION " gives %4 (%5)")
                             .arg(hex(text), hex(ours.bytes))
                             .arg(ours.unencodable)
                             .arg(hex(theirs.bytes))
                             .arg(theirs.unencodable)));
}

// Every string of 1 to maxLength units drawn from units, in turn, up to the first failure.
template <typename String, typename Unit>
void forEveryString(const std::vector<Unit>& units, int maxLength, const std::function<void(const String&)>& check)
{
    String string;
    std::vector<std::size_t> digits;
    while (int(digits.size()) <= maxLength) {
        string.resize(qsizetype(digits.size()));
        for (std::size_t i = 0; i < digits.size(); ++i)
            string[qsizetype(i)] = units[digits[i]];
        if (!digits.empty())
            check(string);
        if (QTest::currentTestFailed())
            return;
        std::size_t i = 0;  // the next string: count up in base units.size()
        while (i < digits.size() && ++digits[i] == units.size())
            digits[i++] = 0;
        if (i == digits.size())
            digits.push_back(0);
    }
}

}  // namespace

class TestGb18030 : public QObject {
    Q_OBJECT
private slots:
    void everyCharacterAsIcu();
    void everyCodeAsIcu();
    void malformedBytesAsIcu();
    void loneSurrogatesAsIcu();
    void revisionsOf2022Keep2005sBytes();
    void recordsLinesAsQt_data();
    void recordsLinesAsQt();

private:
    Icu icu_;
};

void TestGb18030::everyCharacterAsIcu()
{
    for (char32_t character = 0; character <= 0x10FFFF; ++character) {
        if ((character >= 0xD800 && character <= 0xDFFF) || isRevisedCharacter(character))
            continue;
        const QString text = QString::fromUcs4(&character, 1);
        compareEncoded(icu_, text);
        if (QTest::currentTestFailed())
            return;
        const gb18030::Decoded back = gb18030::decode(gb18030::encode(text).bytes);
        if (back.text != text || back.malformed != 0)
            QFAIL(qPrintable(QStringLiteral("%1 does not read back").arg(hex(text))));
    }
}

// Any two bytes, and every four-byte code (those past the BMP's and past U+10FFFF too).
void TestGb18030::everyCodeAsIcu()
{
    for (int first = 0; first < 0x100; ++first) {
        for (int second = 0; second < 0x100 && !QTest::currentTestFailed(); ++second)
            compareDecoded(icu_, bytesOf({first, second}));
    }
    for (int b1 = 0x81; b1 <= 0xFE; ++b1) {
        for (int b2 = 0x30; b2 <= 0x39; ++b2) {
            for (int b3 = 0x81; b3 <= 0xFE; ++b3) {
                for (int b4 = 0x30; b4 <= 0x39 && !QTest::currentTestFailed(); ++b4)
                    compareDecoded(icu_, bytesOf({b1, b2, b3, b4}));
            }
        }
    }
}

// Every sequence of up to five bytes from each class a byte can fall in: what it can be
// the first, second, third or fourth byte of, or none. That covers a lead byte without its
// trail, a bad trail, a four-byte code cut short or broken at each byte, four-byte codes
// with no character, and what follows each of them.
void TestGb18030::malformedBytesAsIcu()
{
    const std::vector<char> classes{
        '\x00', '\x2F', '\x7F',  // ASCII, and nothing else after a lead byte
        '\x30', '\x39',          // ASCII, or the second or fourth byte of a four-byte code
        '\x40', '\x7E',          // ASCII, or a trail byte
        '\x80',                  // a trail byte, else nothing
        '\x81', '\x84', '\x90', '\xFE',  // a lead, trail or third byte, and the first byte of
                                       // four-byte codes in the BMP, between the BMP and
                                       // the supplementary planes, in those planes, and past
                                       // U+10FFFF
        '\xFF',                        // nothing
    };
    forEveryString<QByteArray>(classes, 5, [&](const QByteArray& bytes) { compareDecoded(icu_, bytes); });
}

void TestGb18030::loneSurrogatesAsIcu()
{
    const std::vector<QChar> units{u'A', u'\xD800', u'\xDBFF', u'\xDC00', u'\xDFFF', u'\x4E2D'};
    forEveryString<QString>(units, 4, [&](const QString& text) { compareEncoded(icu_, text); });
}

// Each row: the game writes the character as 2005 does and reads both codes as 2005 does;
// ICU writes and reads it as one of the two standards. So too the ideographic space's alias
// and a lone byte 0x80 (see onlyRevisionsDiffer).
void TestGb18030::revisionsOf2022Keep2005sBytes()
{
    using namespace gb18030::table;
    for (const Revision& row : revisions2022) {
        const QString character(QChar(row.character));
        const QString privateUse(QChar(row.privateUse));
        QCOMPARE(gb18030::encode(character).bytes, bytesOf(row.code2005));
        QCOMPARE(gb18030::decode(bytesOf(row.code2005)).text, character);
        QCOMPARE(gb18030::encode(privateUse).bytes, bytesOf(row.code2022));
        QCOMPARE(gb18030::decode(bytesOf(row.code2022)).text, privateUse);
        const QByteArray icuWrites = icu_.encode(character).bytes;
        QVERIFY2(icuWrites == bytesOf(row.code2005) || icuWrites == bytesOf(row.code2022), qPrintable(hex(icuWrites)));
        const QString icuReads = icu_.decode(bytesOf(row.code2022), gb18030::Ending::Complete).text;
        QVERIFY2(icuReads == privateUse || icuReads == character, qPrintable(hex(icuReads)));
    }
    const QString alias = icu_.decode(bytesOf(ideographicSpaceAlias), gb18030::Ending::Complete).text;
    QCOMPARE(gb18030::decode(bytesOf(ideographicSpaceAlias)).text, QString(QChar(ideographicSpaceAlias2005)));
    QVERIFY2(alias == QChar(ideographicSpaceAlias2005) || alias == QChar(ideographicSpace), qPrintable(hex(alias)));
    const QString loneEuro = icu_.decode("\x80", gb18030::Ending::Complete).text;
    QCOMPARE(gb18030::decode("\x80").malformed, 1);
    QVERIFY2(loneEuro == QChar::ReplacementCharacter || loneEuro == QChar(0x20AC), qPrintable(hex(loneEuro)));
}

void TestGb18030::recordsLinesAsQt_data()
{
    QTest::addColumn<QString>("line");
    QTest::newRow("two-byte name") << QStringLiteral("300,9,张三,4444\r\n\r\n");
    QTest::newRow("quoted, with a middle dot") << QStringLiteral("120,5,\"李四·王五,赵六\",1111\r\n\r\n");
    QTest::newRow("four-byte BMP, supplementary, two-byte ḿ and €")
        << QStringLiteral("60,3,Jäger𠀀😀ḿ€,2222\r\n\r\n");
}

void TestGb18030::recordsLinesAsQt()
{
    QFETCH(QString, line);
    QStringEncoder encoder("GB18030");
    QStringDecoder decoder("GB18030");
    if (!encoder.isValid())
        QSKIP("This Qt has no GB18030 codec");
    const QByteArray qtBytes = encoder.encode(line);
    QVERIFY(!encoder.hasError());
    const gb18030::Encoded ours = gb18030::encode(line);
    QCOMPARE(ours.bytes, qtBytes);
    QCOMPARE(ours.unencodable, 0);
    QCOMPARE(QString(decoder.decode(ours.bytes)), line);
    QCOMPARE(gb18030::decode(qtBytes).text, line);
}

QTEST_APPLESS_MAIN(TestGb18030)
#include "test_gb18030.moc"
