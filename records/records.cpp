#include "records/records.h"

#include "records/defaults.h"
#include "text/characters.h"
#include "text/gb18030.h"

#include <QStringDecoder>

namespace records {

namespace {

const QChar quote = u'"';
const QChar fullWidthQuote = u'\uFF02';

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }
bool isLineEnd(QChar c) { return c == u'\r' || c == u'\n'; }

QString readField(const QString& text, qsizetype& pos)
{
    while (pos < text.size() && isBlank(text[pos]))
        ++pos;
    const qsizetype start = pos;
    qsizetype quotedEnd = -1;  // a quoted field's text ends at its closing quote, or the text's end
    if (pos < text.size() && text[pos] == quote) {
        const qsizetype closing = text.indexOf(quote, pos + 1);
        pos = quotedEnd = closing < 0 ? text.size() : closing;
    }
    // After a quoted field, anything up to the delimiter is dropped.
    while (pos < text.size() && text[pos] != u',' && !isLineEnd(text[pos]))
        ++pos;
    QString value = quotedEnd < 0 ? text.mid(start, pos - start) : text.mid(start + 1, quotedEnd - start - 1);
    while (quotedEnd < 0 && !value.isEmpty() && isBlank(value.back()))
        value.chop(1);
    if (pos < text.size())  // past the delimiter: a comma, CR LF, CR or LF
        pos += QStringView(text).mid(pos, 2) == u"\r\n" ? 2 : 1;
    return value;
}

bool needsQuotes(const QString& field)
{
    return field.contains(u',') || field.contains(u'\r') || field.contains(u'\n') || field.startsWith(quote)
        || (!field.isEmpty() && (isBlank(field.front()) || isBlank(field.back())));
}

// A field as written: unchanged when it reads back as it stands; otherwise in double
// quotes, with any double quote inside (which no quoted field can carry) made full-width.
QString writtenField(QString field)
{
    if (!needsQuotes(field))
        return field;
    field.replace(quote, fullWidthQuote);
    return needsQuotes(field) ? quote + field + quote : field;
}

}  // namespace

Fields readFields(const QString& text)
{
    Fields fields;
    qsizetype pos = 0;
    for (auto& field : fields) {
        if (pos < text.size())
            field = readField(text, pos);
    }
    return fields;
}

QString cappedName(const QString& name)
{
    QString kept = text::firstCharacters(name, maxNameLength);
    // Blanks a cut leaves at the end would make the field need quotes it may not be able to
    // carry (a quote inside), and mean nothing in a name.
    if (text::characterCount(name) > maxNameLength)
        while (!kept.isEmpty() && isBlank(kept.back()))
            kept.chop(1);
    return kept;
}

QString recordsText(const Records& records)
{
    const QString line = writtenField(records.TimeLimit.toText()) + u',' + vb::numberText(records.MaxTries) + u','
        + writtenField(cappedName(records.RecordName.toText())) + u',' + writtenField(records.RecordScore.toText());
    return line + QStringLiteral("\r\n\r\n");
}

std::optional<QByteArray> encode(const QString& text)
{
    const gb18030::Encoded encoded = gb18030::encode(text);
    return encoded.unencodable > 0 ? std::nullopt : std::optional(encoded.bytes);
}

FileText fileText(const QByteArray& bytes, bool complete)
{
    const bool utf8 = bytes.startsWith("\xEF\xBB\xBF");
    const bool littleEndian = bytes.startsWith("\xFF\xFE");
    FileText text;
    if (!utf8 && !littleEndian && !bytes.startsWith("\xFE\xFF")) {  // no UTF-8 or UTF-16 mark
        const gb18030::Decoded decoded
            = gb18030::decode(bytes, complete ? gb18030::Ending::Complete : gb18030::Ending::MayBeCut);
        text.text = decoded.text;
        if (text.text.startsWith(QChar(0xFEFF))) {
            text.text.remove(0, 1);  // GB18030's own byte-order mark
            text.ownEncoding = false;
        }
        if (decoded.malformed > 0)
            text.damage = QStringLiteral("bytes that are not GB18030 text");
        return text;
    }
    text.ownEncoding = false;
    const QByteArray body = bytes.mid(utf8 ? 3 : 2);
    // A complete file must end on a whole character; one cut short may end inside one.
    const auto encoding = utf8 ? QStringDecoder::Utf8 : littleEndian ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE;
    QStringDecoder decoder(encoding, complete ? QStringDecoder::Flag::Stateless : QStringDecoder::Flag::Default);
    text.text = decoder.decode(body);
    // Qt's UTF-16 decoder lets halves of characters and an odd last byte through.
    QString whole = text.text;
    if (!complete && !whole.isEmpty() && whole.back().isHighSurrogate())
        whole.chop(1);
    if (decoder.hasError() || (!utf8 && (!whole.isValidUtf16() || (complete && body.size() % 2 != 0))))
        text.damage = QStringLiteral("bytes that are not %1 after its byte-order mark")
                          .arg(utf8 ? QStringLiteral("UTF-8") : QStringLiteral("UTF-16"));
    return text;
}

bool Records::operator==(const Records& other) const
{
    return TimeLimit.toText() == other.TimeLimit.toText() && MaxTries == other.MaxTries
        && RecordName.toText() == other.RecordName.toText() && RecordScore.toText() == other.RecordScore.toText();
}

Records defaultRecords()
{
    return {double{defaults::timeLimit}, defaults::maxTries, defaults::recordName, double{defaults::recordScore}};
}

Records recordsFrom(const Fields& fields)
{
    Records records = defaultRecords();
    const auto& [timeLimit, tries, name, score] = fields;
    auto isNumber = [](const QString& text) { return text.size() <= maxNumberLength && vb::strictNumber(text); };
    // Fields that spell a number are kept as their text, so "060" is written back as read.
    if (timeLimit && isNumber(*timeLimit))
        records.TimeLimit = *timeLimit;
    if (tries)
        records.MaxTries = vb::toInt16(*tries).value_or(0);  // empty or unusable: no tries, as before loading
    if (const QString holder = cappedName(name.value_or(QString())); !holder.isEmpty())
        records.RecordName = holder;
    if (score && isNumber(*score))
        records.RecordScore = *score;
    return records;
}

Records merged(const Records& loaded, const Records& ours, const std::optional<Records>& onDisk)
{
    if (!onDisk)
        return ours;
    Records kept = *onDisk;
    if (ours.TimeLimit.toText() != loaded.TimeLimit.toText())
        kept.TimeLimit = ours.TimeLimit;
    if (ours.MaxTries != loaded.MaxTries)
        kept.MaxTries = ours.MaxTries;
    const double ourScore = vb::leadingNumber(ours.RecordScore.toText());
    const double theirScore = vb::leadingNumber(onDisk->RecordScore.toText());
    const bool setRecord = ours.RecordName.toText() != loaded.RecordName.toText()
        || ours.RecordScore.toText() != loaded.RecordScore.toText();
    if (ourScore > theirScore || (ourScore == theirScore && setRecord)) {
        kept.RecordName = ours.RecordName;
        kept.RecordScore = ours.RecordScore;
    }
    return kept;
}

}  // namespace records
