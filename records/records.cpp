#include "records/records.h"

#include "game/defaults.h"
#include "system/gb18030.h"
#include "records/safefile.h"

#include <QElapsedTimer>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QThread>

#include <cstdio>

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


// Joins a folder and a name as the platform's path service does: one separator between
// them, none added after a folder that already ends in one (the root).
QString joined(const QString& folder, const QString& name)
{
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

// Saves take milliseconds, a slow disk a few seconds. A copy that holds the lock longer
// (it hangs, or it is stopped) is waited for this long; then the save gives up, and says so,
// rather than replace what that copy may be about to write.
constexpr int lockWaitMs = 30000;
constexpr int lockPollMs = 20;
// Writes that found the file changed since they read it, before giving up.
constexpr int mergeAttempts = 5;

bool hasHalfCharacter(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            return true;
    }
    return false;
}

// The file as a fresh start would see it now.
struct OnDisk {
    safefile::Contents contents;
    std::optional<Values> values;  // when it could be read and decoded
    bool ownEncoding = true;
    bool unusable = false;  // a regular file that could not be read, or damaged
};

OnDisk readOnDisk(const QString& path)
{
    OnDisk disk;
    disk.contents = safefile::read(path, maxReadBytes);
    if (disk.contents.kind != safefile::Kind::RegularFile)
        return disk;
    disk.unusable = true;
    if (!disk.contents.readable)
        return disk;
    const FileText text = fileText(disk.contents.bytes, disk.contents.complete);
    if (text.status != FileText::Status::Ok)
        return disk;
    disk.unusable = false;
    disk.ownEncoding = text.ownEncoding;
    disk.values = valuesOf(variablesFrom(readFields(text.text)));
    return disk;
}

void logLine(const QString& line) { std::fprintf(stderr, "varnoth: %s\n", qUtf8Printable(line)); }

// Holds the lock beside dat.ini and the lock on dat.ini itself (taken by a copy whose folder
// takes no lock file, which writes in place), waiting for another copy that holds either.
class SaveLock {
public:
    // Whether both are held, or cannot be had here; false when another copy held one
    // all the while.
    bool take(const QString& path, const QString& shown)
    {
        QElapsedTimer clock;
        clock.start();
        bool saidWaiting = false;
        bool lockFileUsable = true;
        bool fileLockUsable = true;
        for (;;) {
            if (lockFileUsable && !lockFile_.isHeld()
                && lockFile_.tryLockFile(path + QStringLiteral(".lock")) == safefile::Lock::Result::Unavailable) {
                lockFileUsable = false;
                logLine(QStringLiteral("no lock file beside %1 (%2); locking the file itself").arg(shown, lockFile_.error()));
            }
            if ((lockFile_.isHeld() || !lockFileUsable) && fileLockUsable && !fileLock_.isHeld()
                && fileLock_.tryLockExisting(path) == safefile::Lock::Result::Unavailable)
                fileLockUsable = false;  // no file yet, or none this user may open
            const bool done = (lockFile_.isHeld() || !lockFileUsable) && (fileLock_.isHeld() || !fileLockUsable);
            if (done) {
                if (!lockFile_.isHeld() && !fileLock_.isHeld())
                    logLine(QStringLiteral("saving %1 without a lock: %2").arg(shown, lockFile_.error()));
                return true;
            }
            if (!saidWaiting && clock.elapsed() > 2000) {
                saidWaiting = true;
                logLine(QStringLiteral("waiting for the copy (process %1) that holds the lock on %2")
                            .arg(safefile::Lock::holder(path + QStringLiteral(".lock")))
                            .arg(shown));
            }
            if (clock.elapsed() > lockWaitMs)
                return false;
            QThread::msleep(lockPollMs);
        }
    }

private:
    safefile::Lock lockFile_;
    safefile::Lock fileLock_;
};

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

QString cappedName(const QString& name)
{
    QString kept;
    kept.reserve(name.size());
    int characters = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const bool pair = name[i].isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate();
        if (name[i].isSurrogate() && !pair)
            continue;  // half a character
        if (characters == maxNameLength) {
            // Blanks the cut leaves at the end would make the field need quotes it may not be
            // able to carry (a quote inside), and mean nothing in a name.
            while (!kept.isEmpty() && isBlank(kept.back()))
                kept.chop(1);
            break;
        }
        kept += name[i];
        if (pair)
            kept += name[++i];
        ++characters;
    }
    return kept;
}

QString recordsText(const QString& timeLimit, qint16 maxTries, const QString& holder, const QString& score)
{
    const QString line = writtenField(timeLimit) + u',' + vb::numberText(maxTries) + u','
        + writtenField(cappedName(holder)) + u',' + writtenField(score);
    return line + QStringLiteral("\r\n\r\n");
}

// GB18030 goes through Qt's codec where Qt has one (built with ICU, as Debian's is), and
// otherwise through the game's own (system/gb18030.h: a Qt built without ICU, as the
// static Qt for Windows is), which converts exactly as ICU does: the same bytes either way.
std::optional<QByteArray> encode(const QString& text)
{
    if (hasHalfCharacter(text))
        return std::nullopt;
    QStringEncoder encoder(encodingName);
    if (!encoder.isValid())
        return gb18030::encode(text).bytes;
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return std::nullopt;
    return bytes;
}

std::optional<QString> decode(const QByteArray& bytes)
{
    QStringDecoder decoder(encodingName);
    if (!decoder.isValid())
        return gb18030::decode(bytes).text;
    return QString(decoder.decode(bytes));  // undecodable bytes become U+FFFD
}

bool haveCodec() { return true; }

namespace {

// The game's own GB18030 decoder, as fileText() uses Qt's: bytes cut short at the end of a
// file read only in part are held back, as Qt's stateful decoder holds them.
FileText decodedByOwnCodec(const QByteArray& body, bool complete)
{
    FileText text;
    gb18030::Decoded decoded = gb18030::decode(body);
    for (qsizetype cut = 1; !complete && decoded.malformed > 0 && cut <= 3 && cut < body.size(); ++cut) {
        gb18030::Decoded shorter = gb18030::decode(QByteArrayView(body).chopped(cut));
        if (shorter.malformed == 0)
            decoded = shorter;
    }
    text.text = decoded.text;
    if (text.text.startsWith(QChar(0xFEFF))) {
        text.text.remove(0, 1);  // GB18030's own byte-order mark
        text.ownEncoding = false;
    }
    if (decoded.malformed > 0) {
        text.status = FileText::Status::Damaged;
        text.error = QStringLiteral("bytes that are not GB18030 text");
    }
    return text;
}

}  // namespace

FileText fileText(const QByteArray& bytes, bool complete)
{
    FileText text;
    const QByteArray utf8Mark("\xEF\xBB\xBF");
    const QByteArray utf16LittleEndianMark("\xFF\xFE");
    const QByteArray utf16BigEndianMark("\xFE\xFF");
    QByteArray body = bytes;
    QStringDecoder::Encoding unicode = QStringDecoder::Utf8;
    bool isUnicode = true;
    if (bytes.startsWith(utf8Mark)) {
        body = bytes.mid(utf8Mark.size());
    } else if (bytes.startsWith(utf16LittleEndianMark)) {
        unicode = QStringDecoder::Utf16LE;
        body = bytes.mid(utf16LittleEndianMark.size());
    } else if (bytes.startsWith(utf16BigEndianMark)) {
        unicode = QStringDecoder::Utf16BE;
        body = bytes.mid(utf16BigEndianMark.size());
    } else {
        isUnicode = false;
    }
    // A complete file must end on a whole character; one cut short may end inside one.
    const auto flags = complete ? QStringDecoder::Flag::Stateless : QStringDecoder::Flag::Default;
    QStringDecoder decoder = isUnicode ? QStringDecoder(unicode, flags) : QStringDecoder(encodingName, flags);
    if (!decoder.isValid())
        return decodedByOwnCodec(body, complete);
    text.text = decoder.decode(body);
    text.ownEncoding = !isUnicode;
    const bool utf16 = isUnicode && unicode != QStringDecoder::Utf8;
    // Qt's UTF-16 decoder lets halves of characters and an odd last byte through.
    QString whole = text.text;
    if (!complete && !whole.isEmpty() && whole.back().isHighSurrogate())
        whole.chop(1);
    const bool damaged = decoder.hasError() || (utf16 && hasHalfCharacter(whole))
        || (utf16 && complete && body.size() % 2 != 0);
    if (!isUnicode && text.text.startsWith(QChar(0xFEFF))) {
        text.text.remove(0, 1);  // GB18030's own byte-order mark
        text.ownEncoding = false;
    }
    if (damaged) {
        text.status = FileText::Status::Damaged;
        text.error = isUnicode ? QStringLiteral("bytes that are not %1 after its byte-order mark")
                                     .arg(utf16 ? QStringLiteral("UTF-16") : QStringLiteral("UTF-8"))
                               : QStringLiteral("bytes that are not GB18030 text");
    }
    return text;
}

Values valuesOf(const Variables& variables)
{
    return {variables.TimeLimit.toText(), variables.MaxTries, variables.RecordName.toText(),
            variables.RecordScore.toText()};
}

Values merged(const Values& loaded, const Values& ours, const std::optional<Values>& onDisk)
{
    if (!onDisk)
        return ours;
    Values kept = *onDisk;
    if (ours.timeLimit != loaded.timeLimit)
        kept.timeLimit = ours.timeLimit;
    if (ours.maxTries != loaded.maxTries)
        kept.maxTries = ours.maxTries;
    const double ourScore = vb::leadingNumber(ours.score);
    const double theirScore = vb::leadingNumber(onDisk->score);
    const bool setRecord = ours.holder != loaded.holder || ours.score != loaded.score;
    if (ourScore > theirScore || (ourScore == theirScore && setRecord)) {
        kept.holder = ours.holder;
        kept.score = ours.score;
    }
    return kept;
}

QString recordsFolder(const QString& programDirectory, const QString& userDataDirectory)
{
    if (safefile::isFolder(joined(programDirectory, QStringLiteral("../share/varnoth"))))
        return userDataDirectory.isEmpty() ? QString() : joined(userDataDirectory, QStringLiteral("varnoth"));
    return programDirectory;
}

RecordsFile::RecordsFile(QString folder) : folder_(std::move(folder)) {}

RecordsFile RecordsFile::forThisProgram()
{
    return RecordsFile(recordsFolder(safefile::programFolder(), safefile::userDataFolder()));
}

QString RecordsFile::path() const { return folder_.isEmpty() ? QString() : joined(folder_, QStringLiteral("dat.ini")); }

QString RecordsFile::displayPath() const
{
    return folder_.isEmpty() ? QStringLiteral("dat.ini (no home folder)") : safefile::displayPath(path());
}

Variables defaults()
{
    return {double{::defaults::timeLimit}, ::defaults::maxTries, ::defaults::recordName,
            double{::defaults::recordScore}};
}

Variables variablesFrom(const Fields& fields)
{
    Variables variables = defaults();
    const auto& [timeLimit, tries, name, score] = fields;
    auto isNumber = [](const QString& text) { return text.size() <= maxNumberLength && vb::strictNumber(text); };
    // Fields that spell a number are kept as their text, so "060" is written back as read.
    if (timeLimit && isNumber(*timeLimit))
        variables.TimeLimit = *timeLimit;
    if (tries)
        variables.MaxTries = vb::toInt16(*tries).value_or(0);  // empty or unusable: no tries, as before loading
    if (const QString holder = cappedName(name.value_or(QString())); !holder.isEmpty())
        variables.RecordName = holder;
    if (score && isNumber(*score))
        variables.RecordScore = *score;
    return variables;
}

LoadResult LoadRecords(const RecordsFile& file)
{
    LoadResult result;
    result.path = file.displayPath();
    result.variables = defaults();
    if (file.path().isEmpty())
        return result;
    const safefile::Contents contents = safefile::read(file.path(), maxReadBytes);
    if (contents.kind != safefile::Kind::RegularFile)
        return result;
    if (!contents.readable) {
        result.outcome = LoadOutcome::Unreadable;
        result.error = contents.error;
        return result;
    }
    const FileText text = fileText(contents.bytes, contents.complete);
    switch (text.status) {
    case FileText::Status::NoCodec:
        result.outcome = LoadOutcome::Unreadable;
        result.error = text.error;
        return result;
    case FileText::Status::Damaged:
        result.outcome = LoadOutcome::Damaged;
        result.error = text.error;
        return result;
    case FileText::Status::Ok:
        break;
    }
    result.outcome = LoadOutcome::Loaded;
    result.variables = variablesFrom(readFields(text.text));
    return result;
}

SaveResult SaveRecords(const Values& loaded, const Values& ours, const RecordsFile& file)
{
    SaveResult result;
    result.path = file.displayPath();
    const QString path = file.path();
    auto fail = [&](SaveProblem problem, const QString& error) {
        result.problem = problem;
        result.error = error;
        return result;
    };
    auto succeed = [&](bool written) {
        result.ok = true;
        result.written = written;
        return result;
    };
    if (path.isEmpty())
        return fail(SaveProblem::WriteFailed, QStringLiteral("no folder for the records: the user has no home folder"));
    if (const QString error = safefile::makeFolders(file.folder()); !error.isEmpty())
        return fail(SaveProblem::WriteFailed,
                    QStringLiteral("cannot create the folder %1: %2").arg(safefile::displayPath(file.folder()), error));

    // Another copy of the game saving at the same moment waits for this one, and then
    // merges what this one wrote.
    SaveLock lock;
    if (!lock.take(path, result.path))
        return fail(SaveProblem::Busy, QStringLiteral("another copy (process %1) held the lock for %2 s")
                                           .arg(safefile::Lock::holder(path + QStringLiteral(".lock")))
                                           .arg(lockWaitMs / 1000));
    safefile::removeLeftovers(path);

    for (int attempt = 0; attempt < mergeAttempts; ++attempt) {
        const OnDisk disk = readOnDisk(path);
        if (disk.contents.kind == safefile::Kind::Other)
            return disk.contents.error.isEmpty() ? fail(SaveProblem::NotARegularFile, QStringLiteral("not a regular file"))
                                                 : fail(SaveProblem::WriteFailed, disk.contents.error);
        const bool exists = disk.contents.kind == safefile::Kind::RegularFile;
        const Values values = merged(loaded, ours, disk.values);
        const std::optional<QByteArray> bytes
            = encode(recordsText(values.timeLimit, values.maxTries, values.holder, values.score));
        if (!bytes)
            return haveCodec() ? fail(SaveProblem::Unencodable, QStringLiteral("the text is not all characters"))
                               : fail(SaveProblem::NoCodec, QStringLiteral("no GB18030 codec"));
        // Nothing to write: the file holds the text already, or (in an encoding of its own)
        // the same values.
        if (exists && disk.values
            && (disk.ownEncoding ? disk.contents.complete && disk.contents.bytes == *bytes : *disk.values == values))
            return succeed(false);
        // A file that could not be read, or is damaged, is replaced only by something worth keeping.
        if (disk.unusable && ours == loaded)
            return succeed(false);
        if (exists && disk.contents.writeProtected)
            return ours == loaded ? succeed(false)
                                  : fail(SaveProblem::WriteProtected, QStringLiteral("the file is write-protected"));
        result.replacedUnusable = disk.unusable;

        safefile::Replacement replacement(path);
        const safefile::Outcome written = replacement.write(*bytes);
        if (written.failure == safefile::Failure::FolderRefuses && exists) {
            logLine(QStringLiteral("the folder of %1 takes no new file (%2); writing the file in place")
                        .arg(result.path, written.error));
            if (!(readOnDisk(path).contents == disk.contents))
                continue;
            const safefile::Outcome inPlace = safefile::writeInPlace(path, *bytes);
            if (!inPlace.ok())
                return fail(SaveProblem::WriteFailed, inPlace.error);
            result.inPlace = true;
            return succeed(true);
        }
        if (!written.ok())
            return fail(SaveProblem::WriteFailed, written.error);
        // The lock keeps other copies of the game out; anything else that wrote the file
        // meanwhile (an older copy, an editor) is merged with again.
        if (!(readOnDisk(path).contents == disk.contents)) {
            logLine(QStringLiteral("%1 changed while it was being saved; merging again").arg(result.path));
            continue;
        }
        if (const safefile::Outcome committed = replacement.commit(); !committed.ok())
            return fail(SaveProblem::WriteFailed, committed.error);
        return succeed(true);
    }
    return fail(SaveProblem::KeptChanging, QStringLiteral("the file changed under every attempt to save it"));
}

}  // namespace records
