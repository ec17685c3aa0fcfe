#include "records/records.h"

#include "game/defaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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


QString systemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

bool isRegularFile(const QByteArray& path)
{
    struct stat entry {};
    return ::lstat(path.constData(), &entry) == 0 && S_ISREG(entry.st_mode);
}

bool isAbsentOrRegularFile(const QByteArray& path)
{
    struct stat entry {};
    if (::lstat(path.constData(), &entry) != 0)
        return errno == ENOENT;
    return S_ISREG(entry.st_mode);
}

struct FileRead {
    LoadOutcome outcome = LoadOutcome::Absent;
    QByteArray bytes;
    QString error;
};

// The first maxReadBytes of the file, if it is a regular file. Only a regular file is
// opened, and never through a link; a FIFO swapped in at the last moment cannot block.
FileRead readRecordsFile(const QString& path)
{
    FileRead read;
    const QByteArray name = QFile::encodeName(path);
    if (!isRegularFile(name))
        return read;
    const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        read.outcome = LoadOutcome::Unreadable;
        read.error = systemError(errno);
        return read;
    }
    struct stat entry {};
    if (::fstat(fd, &entry) != 0 || !S_ISREG(entry.st_mode)) {
        ::close(fd);
        return read;
    }
    read.outcome = LoadOutcome::Loaded;
    read.bytes.resize(maxReadBytes);
    qsizetype got = 0;
    while (got < read.bytes.size()) {
        const ssize_t n = ::read(fd, read.bytes.data() + got, static_cast<size_t>(read.bytes.size() - got));
        if (n == 0)
            break;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            read.outcome = LoadOutcome::Unreadable;
            read.error = systemError(errno);
            break;
        }
        got += n;
    }
    read.bytes.truncate(got);
    ::close(fd);
    return read;
}

// The values a fresh start would load from the file now, if it can be read.
std::optional<Values> valuesOnDisk(const QString& path)
{
    const FileRead read = readRecordsFile(path);
    if (read.outcome != LoadOutcome::Loaded)
        return std::nullopt;
    const std::optional<QString> text = decode(read.bytes);
    if (!text)
        return std::nullopt;
    Module1 module;
    applyFields(module, readFields(*text));
    return valuesOf(module);
}

bool writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// Writes the bytes to a new file in the same folder, flushes it to the disk, renames it
// over path and flushes the folder, so that a crash or a power cut at any moment leaves
// either the whole old file or the whole new one. rename() replaces whatever entry is at
// path and never follows a link there. Returns the system's error, or "" on success.
QString replaceFile(const QString& folder, const QString& path, const QByteArray& bytes)
{
    const QByteArray target = QFile::encodeName(path);
    QByteArray temp;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temp = target + ".new-" + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return systemError(errno);
    }
    if (fd < 0)
        return systemError(EEXIST);
    // The old file's permissions stay, except that its owner can always read the new one.
    struct stat old {};
    if (::lstat(target.constData(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(fd, (old.st_mode & 07777) | S_IRUSR | S_IWUSR);
    const bool written = writeAll(fd, bytes) && ::fdatasync(fd) == 0;
    const int writeError = errno;
    if (::close(fd) != 0 || !written || ::rename(temp.constData(), target.constData()) != 0) {
        const int error = written ? errno : writeError;
        ::unlink(temp.constData());
        return systemError(error);
    }
    const int dir = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0 || ::fsync(dir) != 0)
        std::fprintf(stderr, "varnoth: could not flush the folder %s: %s\n", qUtf8Printable(folder),
                     std::strerror(errno));
    if (dir >= 0)
        ::close(dir);
    return {};
}

// Saves take milliseconds, so a lock older than this was left by a copy that hangs; a lock
// whose copy has ended is taken over at once.
constexpr int staleLockMs = 10000;
constexpr int lockWaitMs = 3000;

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
    if (name.size() <= maxNameLength)
        return name;  // within the cap however it is counted
    const QList<uint> characters = name.toUcs4();
    if (characters.size() <= maxNameLength)
        return name;
    QString cut = QString::fromUcs4(reinterpret_cast<const char32_t*>(characters.constData()), maxNameLength);
    // Blanks the cut leaves at the end would make the field need quotes it may not be able
    // to carry (a quote inside), and mean nothing in a name.
    while (!cut.isEmpty() && isBlank(cut.back()))
        cut.chop(1);
    return cut;
}

QString recordsText(const QString& timeLimit, qint16 maxTries, const QString& holder, const QString& score)
{
    const QString line = writtenField(timeLimit) + u',' + vb::numberText(maxTries) + u','
        + writtenField(cappedName(holder)) + u',' + writtenField(score);
    return line + QStringLiteral("\r\n\r\n");
}

std::optional<QByteArray> encode(const QString& text)
{
    QStringEncoder encoder(encodingName);
    if (!encoder.isValid())
        return std::nullopt;
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return std::nullopt;
    return bytes;
}

std::optional<QString> decode(const QByteArray& bytes)
{
    QStringDecoder decoder(encodingName);
    if (!decoder.isValid())
        return std::nullopt;
    return QString(decoder.decode(bytes));  // undecodable bytes become U+FFFD
}

Values valuesOf(const Module1& module)
{
    return {module.TimeLimit.toText(), module.MaxTries, module.RecordName.toText(), module.RecordScore.toText()};
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
    const QDir program(programDirectory);
    if (QFileInfo(program.filePath(QStringLiteral("../share/varnoth"))).isDir())
        return QDir(userDataDirectory).filePath(QStringLiteral("varnoth"));
    return programDirectory;
}

RecordsFile::RecordsFile(QString folder) : folder_(std::move(folder)) {}

RecordsFile RecordsFile::forThisProgram()
{
    return RecordsFile(recordsFolder(QCoreApplication::applicationDirPath(),
                                     QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)));
}

QString RecordsFile::path() const { return QDir(folder_).filePath(QStringLiteral("dat.ini")); }

void applyDefaults(Module1& module)
{
    module.TimeLimit = double{defaults::timeLimit};
    module.MaxTries = defaults::maxTries;
    module.RecordName = defaults::recordName;
    module.RecordScore = double{defaults::recordScore};
}

void applyFields(Module1& module, const Fields& fields)
{
    applyDefaults(module);
    const auto& [timeLimit, tries, name, score] = fields;
    auto isNumber = [](const QString& text) { return text.size() <= maxNumberLength && vb::strictNumber(text); };
    // Fields that spell a number are kept as their text, so "060" is written back as read.
    if (timeLimit && isNumber(*timeLimit))
        module.TimeLimit = *timeLimit;
    if (tries)
        module.MaxTries = vb::toInt16(*tries).value_or(0);  // empty or unusable: no tries, as before loading
    if (const QString holder = cappedName(name.value_or(QString())); !holder.isEmpty())
        module.RecordName = holder;
    if (score && isNumber(*score))
        module.RecordScore = *score;
}

LoadResult LoadRecords(Module1& module, const RecordsFile& file)
{
    LoadResult result;
    result.path = file.path();
    const FileRead read = readRecordsFile(result.path);
    result.outcome = read.outcome;
    result.error = read.error;
    std::optional<QString> text;
    if (read.outcome == LoadOutcome::Loaded) {
        text = decode(read.bytes);
        if (!text) {
            result.outcome = LoadOutcome::Unreadable;
            result.error = QStringLiteral("no GB18030 codec");
        }
    }
    if (text)
        applyFields(module, readFields(*text));
    else
        applyDefaults(module);
    return result;
}

SaveResult SaveRecords(const Values& loaded, const Values& ours, const RecordsFile& file)
{
    SaveResult result;
    result.path = file.path();
    auto fail = [&](SaveProblem problem, const QString& error) {
        result.problem = problem;
        result.error = error;
        return result;
    };
    if (!QDir().mkpath(file.folder()))
        return fail(SaveProblem::WriteFailed, QStringLiteral("cannot create the folder ") + file.folder());

    // Another copy of the game saving at the same moment waits for this one, and then
    // merges what this one wrote.
    QLockFile lock(result.path + QStringLiteral(".lock"));
    lock.setStaleLockTime(staleLockMs);
    if (!lock.tryLock(lockWaitMs))
        std::fprintf(stderr, "varnoth: %s.lock is held; saving without it\n", qUtf8Printable(result.path));

    if (!isAbsentOrRegularFile(QFile::encodeName(result.path)))
        return fail(SaveProblem::NotARegularFile, QStringLiteral("not a regular file"));
    const Values values = merged(loaded, ours, valuesOnDisk(result.path));
    const std::optional<QByteArray> bytes
        = encode(recordsText(values.timeLimit, values.maxTries, values.holder, values.score));
    if (!bytes)
        return fail(SaveProblem::NoCodec, QStringLiteral("no GB18030 codec"));
    if (const QString error = replaceFile(file.folder(), result.path, *bytes); !error.isEmpty())
        return fail(SaveProblem::WriteFailed, error);
    result.ok = true;
    return result;
}

}  // namespace records
