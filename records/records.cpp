#include "records/records.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryFile>

namespace records {

namespace {

const char* const encodingName = "GB18030";
const QChar quote = u'"';
const QChar fullWidthQuote = u'\uFF02';

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }
bool isLineEnd(QChar c) { return c == u'\r' || c == u'\n'; }

// Moves past the delimiter at pos: a comma, or a line end (CR LF, CR or LF).
void skipDelimiter(const QString& text, qsizetype& pos)
{
    if (pos >= text.size())
        return;
    if (text[pos] == u',') {
        ++pos;
        return;
    }
    if (text[pos] == u'\r')
        ++pos;
    if (pos < text.size() && text[pos] == u'\n')
        ++pos;
}

QString readField(const QString& text, qsizetype& pos)
{
    while (pos < text.size() && isBlank(text[pos]))
        ++pos;
    QString value;
    if (pos < text.size() && text[pos] == quote) {
        const qsizetype close = text.indexOf(quote, pos + 1);
        const qsizetype end = close < 0 ? text.size() : close;
        value = text.mid(pos + 1, end - pos - 1);
        pos = close < 0 ? end : end + 1;
        while (pos < text.size() && text[pos] != u',' && !isLineEnd(text[pos]))
            ++pos;  // anything between the closing quote and the delimiter is dropped
    } else {
        const qsizetype start = pos;
        while (pos < text.size() && text[pos] != u',' && !isLineEnd(text[pos]))
            ++pos;
        value = text.mid(start, pos - start);
        while (!value.isEmpty() && isBlank(value.back()))
            value.chop(1);
    }
    skipDelimiter(text, pos);
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
        if (pos >= text.size())
            break;
        field = readField(text, pos);
    }
    return fields;
}

QString recordsText(const QString& timeLimit, qint16 maxTries, const QString& holder, const QString& score)
{
    const QString line = writtenField(timeLimit) + u',' + vb::numberText(maxTries) + u',' + writtenField(holder)
        + u',' + writtenField(score);
    return line + QStringLiteral("\r\n\r\n");
}

QByteArray encode(const QString& text)
{
    QStringEncoder encoder(encodingName);
    return encoder.encode(text);
}

QString decode(const QByteArray& bytes)
{
    QStringDecoder decoder(encodingName);
    return decoder.decode(bytes);
}

RecordsFile::RecordsFile(QString programDirectory, QString userDirectory, WritableProbe probe)
    : programDirectory_(std::move(programDirectory)), userDirectory_(std::move(userDirectory)),
      probe_(std::move(probe))
{
}

RecordsFile RecordsFile::forThisProgram()
{
    return RecordsFile(QCoreApplication::applicationDirPath(),
                       QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

bool RecordsFile::canCreateFilesIn(const QString& directory)
{
    QTemporaryFile probe(QDir(directory).filePath(QStringLiteral(".varnoth-probe-XXXXXX")));
    return probe.open();
}

QString RecordsFile::programFile() const { return QDir(programDirectory_).filePath(QStringLiteral("dat.ini")); }

QString RecordsFile::userFile() const { return QDir(userDirectory_).filePath(QStringLiteral("dat.ini")); }

bool RecordsFile::programDirectoryWritable() const { return !probe_ || probe_(programDirectory_); }

QString RecordsFile::loadPath() const
{
    if (!programDirectoryWritable() && !userDirectory_.isEmpty() && QFileInfo(userFile()).isFile())
        return userFile();
    return programFile();
}

QString RecordsFile::savePath() const
{
    if (programDirectoryWritable() || userDirectory_.isEmpty())
        return programFile();
    return userFile();
}

void applyDefaults(Module1& module)
{
    module.TimeLimit = 300.0;
    module.MaxTries = 9;
    module.RecordName = QStringLiteral("Zadrevik");
    module.RecordScore = 1000.0;
}

void applyFields(Module1& module, const Fields& fields)
{
    applyDefaults(module);
    const auto& [timeLimit, tries, name, score] = fields;
    // Fields that spell a number are kept as their text, so "060" is written back as read.
    if (timeLimit && vb::strictNumber(*timeLimit))
        module.TimeLimit = *timeLimit;
    if (tries)
        module.MaxTries = vb::toInt16(*tries).value_or(0);  // empty or unusable: no tries, as before loading
    if (name && !name->isEmpty())
        module.RecordName = *name;
    if (score && vb::strictNumber(*score))
        module.RecordScore = *score;
}

void LoadRecords(Module1& module, const RecordsFile& file)
{
    const QString path = file.loadPath();
    QFile input(path);
    if (!QFileInfo(path).isFile() || !input.open(QIODevice::ReadOnly)) {
        applyDefaults(module);
        return;
    }
    applyFields(module, readFields(decode(input.read(maxReadBytes))));
}

SaveResult SaveRecords(const Module1& module, const QString& holderCaption, const QString& scoreCaption,
                       const RecordsFile& file)
{
    SaveResult result;
    result.path = file.savePath();
    QDir().mkpath(QFileInfo(result.path).absolutePath());
    QSaveFile output(result.path);
    const QByteArray bytes = encode(recordsText(module.TimeLimit.toText(), module.MaxTries, holderCaption, scoreCaption));
    // Unbuffered, so that a short write (a full disk) shows in write()'s count: a buffered
    // QSaveFile can miss it at flush time and commit the cut-off file over the old one.
    if (output.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && output.write(bytes) == bytes.size()
        && output.commit()) {
        result.ok = true;
        return result;
    }
    result.error = output.errorString();
    output.cancelWriting();
    return result;
}

}  // namespace records
