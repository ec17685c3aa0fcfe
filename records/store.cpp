#include "records/store.h"

#include "system/console.h"
#include "system/folders.h"

#include <QRandomGenerator>

#include <algorithm>

namespace records {

using safefile::Access;
using safefile::Failure;
using safefile::Files;
using safefile::Lock;

namespace {

constexpr int sayWaitingAfterMs = 2000;
// Writes that found the file changed since they read it, before giving up.
constexpr int mergeAttempts = 5;

const QString fileName = QStringLiteral("dat.ini");
const QString lockFileSuffix = QStringLiteral(".lock");
const QString newFileInfix = QStringLiteral(".new-");

// Joins a folder and a name as the platform's path service does: one separator between
// them, none added after a folder that already ends in one (the root).
QString joined(const QString& folder, const QString& name)
{
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

// The file as a fresh start would see it now.
struct OnDisk {
    safefile::Contents contents;
    FileText text{};
    std::optional<Records> records{};  // when it could be read and decoded
    bool unusable() const { return contents.kind == safefile::Kind::RegularFile && !records; }
};

OnDisk readOnDisk(Files& files, const QString& path)
{
    OnDisk disk{files.read(path, maxReadBytes)};
    if (disk.contents.kind == safefile::Kind::RegularFile && disk.contents.readable) {
        disk.text = fileText(disk.contents.bytes, disk.contents.complete);
        if (disk.text.damage.isEmpty())
            disk.records = recordsFrom(readFields(disk.text.text));
    }
    return disk;
}

// A file this save holds open and locked; let go (and a lock file removed, unless another
// copy has taken it meanwhile) when the object goes.
class HeldFile {
public:
    HeldFile(Files& files, QString path, Access access) : files_(files), path_(std::move(path)), access_(access) {}
    ~HeldFile()
    {
        if (file_ == safefile::noFile)
            return;
        files_.close(file_);
        if (access_ == Access::LockFile)
            files_.removeIfUnlocked(path_);
    }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    Lock take()
    {
        safefile::Opened opened = files_.open(path_, access_);
        if (opened.failure == Failure::Denied && access_ == Access::Read)  // its owner may write but not read it
            opened = files_.open(path_, Access::Write);
        // A lock file that is there and that this user may not open was made by another user's
        // copy, which may hold it now: it is waited for as a lock that is held.
        unopenable_ = opened.failure == Failure::Denied && access_ == Access::LockFile
            && files_.entry(path_).kind == safefile::Kind::RegularFile;
        if (!opened.ok()) {
            error_ = opened.error;
            return opened.failure == Failure::InUse || unopenable_ ? Lock::Busy : Lock::Unavailable;
        }
        Lock lock = files_.lock(opened.file, error_);
        // Its holder may have removed or replaced it as it let go: it is tried again.
        if (lock == Lock::Held && !files_.isAt(opened.file, path_))
            lock = Lock::Busy;
        if (lock == Lock::Held)
            file_ = opened.file;
        else
            files_.close(opened.file);
        return lock;
    }
    QString error() const { return error_; }
    bool unopenable() const { return unopenable_; }

private:
    Files& files_;
    QString path_;
    Access access_;
    safefile::Handle file_ = safefile::noFile;
    QString error_;
    bool unopenable_ = false;
};

// Takes the lock of a save, which every copy of the game respects: the lock file beside
// dat.ini, or, where the folder takes no new file and there is none, dat.ini's own, under
// which a copy there writes it in place. One lock on every system: Windows moves nothing
// over a file that is open, so dat.ini itself cannot stay locked while it is replaced. Only
// where the file system has no locks at all, for any copy, is the file saved without one.
// Busy or LockUnopenable when another copy may have held it all the while.
SaveProblem takeSaveLock(Files& files, HeldFile& lockFile, HeldFile& onFile, const QString& shown)
{
    const qint64 start = files.now();
    for (bool told = false;;) {
        Lock lock = lockFile.take();
        if (lock == Lock::Unavailable)
            lock = onFile.take();
        if (lock == Lock::Unavailable)
            logLine(QStringLiteral("saving without a lock: %1").arg(lockFile.error()));
        if (lock != Lock::Busy)
            return SaveProblem::None;
        const qint64 waited = files.now() - start;
        if (waited >= lockWaitMs)
            return lockFile.unopenable() ? SaveProblem::LockUnopenable : SaveProblem::Busy;
        if (!told && waited >= sayWaitingAfterMs) {
            told = true;
            logLine(QStringLiteral("waiting for another copy of the game, which holds the lock on %1").arg(shown));
        }
        files.pause(static_cast<int>(std::min<qint64>(lockPollMs, lockWaitMs - waited)));
    }
}

// A lock file or a new file (".new-") that no copy holds any more is what a copy that was
// killed, or lost its power, while it saved left behind: it goes. One that is held belongs to
// a copy still saving, however long that takes, whatever its name says.
void removeLeftovers(Files& files, const QString& folder)
{
    for (const QString& found : files.names(folder, fileName + u'.')) {
        if (found == fileName + lockFileSuffix || found.startsWith(fileName + newFileInfix))
            files.removeIfUnlocked(joined(folder, found));
    }
}

// Writes the bytes over the file, for a folder that takes no new file. The file is never
// shorter than a whole record: while the old text is longer, the bytes are padded with line
// ends and flushed, and only then is the file cut to their length.
safefile::Outcome writeInPlace(Files& files, const QString& path, const QByteArray& bytes)
{
    safefile::Opened opened = files.open(path, Access::Write);
    if (!opened.ok())
        return opened;
    const QByteArray padded = bytes + QByteArray(std::max<qint64>(opened.size - bytes.size(), 0), '\n');
    safefile::Outcome outcome = files.write(opened.file, padded);
    if (outcome.ok() && padded.size() > bytes.size())
        outcome = files.truncate(opened.file, bytes.size());
    files.close(opened.file);
    return outcome;
}

}  // namespace

QString recordsFolder(const QString& programDirectory, const QString& userDataDirectory)
{
    if (folders::isFolder(joined(programDirectory, QStringLiteral("../share/varnoth"))))
        return userDataDirectory.isEmpty() ? QString() : joined(userDataDirectory, QStringLiteral("varnoth"));
    return programDirectory;
}

RecordsFile RecordsFile::forThisProgram()
{
    return RecordsFile{recordsFolder(folders::programFolder(), folders::userDataFolder())};
}

QString RecordsFile::path() const { return folder.isEmpty() ? QString() : joined(folder, fileName); }

QString RecordsFile::displayPath() const
{
    return folder.isEmpty() ? QStringLiteral("dat.ini (no home folder)") : folders::displayPath(path());
}

LoadResult LoadRecords(const RecordsFile& file, Files& files)
{
    LoadResult result{.records = defaultRecords()};
    if (file.path().isEmpty())
        return result;
    const OnDisk disk = readOnDisk(files, file.path());
    if (disk.records)
        return {.outcome = LoadOutcome::Loaded, .records = *disk.records};
    if (disk.unusable()) {
        result.outcome = disk.contents.readable ? LoadOutcome::Damaged : LoadOutcome::Unreadable;
        result.error = disk.contents.readable ? disk.text.damage : disk.contents.error;
    }
    return result;
}

namespace {

SaveResult failed(SaveProblem problem, const QString& error) { return {.problem = problem, .error = error}; }
const SaveResult nothingToWrite{};

// What to write over the file as it is now: the bytes of ours merged with it, or the end of
// the save when there is nothing to write or it may not be written.
struct Decision {
    std::optional<QByteArray> bytes{};
    SaveResult otherwise{};
};

Decision decide(const Records& loaded, const Records& ours, const OnDisk& disk)
{
    if (disk.contents.kind == safefile::Kind::Other)
        return {.otherwise = disk.contents.error.isEmpty()
                    ? failed(SaveProblem::NotARegularFile, QStringLiteral("not a regular file"))
                    : failed(SaveProblem::WriteFailed, disk.contents.error)};
    const Records values = merged(loaded, ours, disk.records);
    const std::optional<QByteArray> bytes = encode(recordsText(values));
    if (!bytes)
        return {.otherwise = failed(SaveProblem::Unencodable, QStringLiteral("the text is not all characters"))};
    // The file holds the text already, or (in an encoding of its own) the same values.
    const bool same = disk.records
        && (disk.text.ownEncoding ? disk.contents.complete && disk.contents.bytes == *bytes : *disk.records == values);
    // A file that could not be read, or is damaged, is replaced only by something worth keeping.
    if (same || (disk.unusable() && ours == loaded))
        return {.otherwise = nothingToWrite};
    if (disk.contents.kind == safefile::Kind::RegularFile && disk.contents.writeProtected)
        return {.otherwise = ours == loaded
                    ? nothingToWrite
                    : failed(SaveProblem::WriteProtected, QStringLiteral("the file is write-protected"))};
    return {.bytes = bytes};
}

// The new text, written into a new file beside dat.ini and flushed, and held open until it
// has taken dat.ini's place, so that no other copy ever takes it for a leftover (removed when
// it has not); or, where the folder takes no new file and dat.ini is there, nothing yet:
// dat.ini is to be written in place.
class Staged {
public:
    Staged(Files& files, const RecordsFile& file, const QByteArray& bytes, bool exists) : files_(files)
    {
        const QString temp
            = file.path() + newFileInfix + QString::number(QRandomGenerator::global()->generate(), 36);
        const safefile::Opened created = files.create(temp, file.path());
        if (created.failure == Failure::Denied && exists) {
            logLine(QStringLiteral("the folder of %1 takes no new file (%2); writing the file in place")
                        .arg(file.displayPath(), created.error));
            return;
        }
        outcome_ = static_cast<const safefile::Outcome&>(created);
        if (!created.ok())
            return;
        newFile_ = temp;
        file_ = created.file;
        outcome_ = files.write(file_, bytes);
    }
    ~Staged()
    {
        if (file_ == safefile::noFile)
            return;
        files_.close(file_);
        if (!placed_)
            files_.removeIfUnlocked(newFile_);
    }
    Staged(const Staged&) = delete;
    Staged& operator=(const Staged&) = delete;

    const safefile::Outcome& outcome() const { return outcome_; }
    // Puts the new text at dat.ini's place: the new file over it, or the bytes into it.
    safefile::Outcome place(const QString& path, const QByteArray& bytes)
    {
        if (newFile_.isEmpty())
            return writeInPlace(files_, path, bytes);
        safefile::Outcome done = files_.replace(newFile_, path);
        placed_ = done.ok();
        return done;
    }

private:
    Files& files_;
    safefile::Outcome outcome_;
    QString newFile_;  // "" to write in place
    safefile::Handle file_ = safefile::noFile;
    bool placed_ = false;
};

// One attempt under the lock: its result, or nothing when the file changed meanwhile and the
// merge is to be made again. The lock keeps other copies of the game out; anything else
// that wrote the file meanwhile (an editor) is merged with again.
std::optional<SaveResult> saveUnderLock(const Records& loaded, const Records& ours, const RecordsFile& file,
                                        Files& files)
{
    const QString path = file.path();
    const OnDisk disk = readOnDisk(files, path);
    const Decision decision = decide(loaded, ours, disk);
    if (!decision.bytes)
        return decision.otherwise;
    Staged staged(files, file, *decision.bytes, disk.contents.kind == safefile::Kind::RegularFile);
    if (!staged.outcome().ok())
        return failed(SaveProblem::WriteFailed, staged.outcome().error);
    if (!(files.read(path, maxReadBytes) == disk.contents)) {
        logLine(QStringLiteral("%1 changed while it was being saved; merging again").arg(file.displayPath()));
        return std::nullopt;
    }
    if (const safefile::Outcome done = staged.place(path, *decision.bytes); !done.ok())
        return failed(SaveProblem::WriteFailed, done.error);
    return SaveResult{.written = true, .replacedUnusable = disk.unusable()};
}

// Merges and writes under the lock, again while the file keeps changing meanwhile.
SaveResult saveMerged(const Records& loaded, const Records& ours, const RecordsFile& file, Files& files)
{
    const QString path = file.path();
    for (int attempt = 0; attempt < mergeAttempts; ++attempt) {
        // Another copy of the game saving at the same moment waits for this one, and then
        // merges what this one wrote.
        HeldFile lockFile(files, path + lockFileSuffix, Access::LockFile);
        HeldFile onFile(files, path, Access::Read);
        if (const SaveProblem locked = takeSaveLock(files, lockFile, onFile, file.displayPath());
            locked != SaveProblem::None)
            return failed(locked, locked == SaveProblem::Busy
                                      ? QStringLiteral("another copy held the lock for %1 s").arg(lockWaitMs / 1000)
                                      : QStringLiteral("for %1 s, a lock file stood there that this user may not "
                                                       "open: %2").arg(lockWaitMs / 1000).arg(lockFile.error()));
        removeLeftovers(files, file.folder);
        if (const std::optional<SaveResult> done = saveUnderLock(loaded, ours, file, files))
            return *done;
    }
    return failed(SaveProblem::KeptChanging, QStringLiteral("the file changed under every attempt to save it"));
}

}  // namespace

SaveResult SaveRecords(const Records& loaded, const Records& ours, const RecordsFile& file, Files& files)
{
    const QString path = file.path();
    if (path.isEmpty())
        return failed(SaveProblem::WriteFailed,
                      QStringLiteral("no folder for the records: the user has no home folder"));
    if (const QString error = files.makeFolders(file.folder); !error.isEmpty())
        return failed(SaveProblem::WriteFailed,
                      QStringLiteral("cannot create the folder %1: %2")
                          .arg(folders::displayPath(file.folder), error));
    // What a failed save tells its player of the file is so: whether it is as it was before.
    const safefile::Contents before = files.read(path, maxReadBytes);
    SaveResult result = saveMerged(loaded, ours, file, files);
    if (!result.ok())
        result.unchanged = files.read(path, maxReadBytes) == before;
    return result;
}

}  // namespace records
