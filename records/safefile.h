// What the records file asks of the operating system, behind one small interface: the
// POSIX version is safefile_unix.cpp; another system gets a sibling file (safefile_win.cpp)
// and CMakeLists.txt picks the one for the system it builds on. Nothing here knows the
// format of dat.ini; records.cpp decides what is read, merged and written.
//
// Paths are QStrings. On a system whose paths are bytes (POSIX), a byte that is not part of
// UTF-8 is held as one character U+DC80 + byte (as Python's "surrogateescape" does), so
// that every name the system can give comes back byte for byte. Only the functions below
// understand such a path; QFile and QDir do not (they would turn those bytes into U+FFFD).
#pragma once

#include <QByteArray>
#include <QString>

namespace safefile {

// A path as the system spells it, and back (see above). On a system whose paths are
// UTF-16, pathFromSystem reads UTF-8 and pathToSystem writes it.
QString pathFromSystem(const QByteArray& bytes);
QByteArray pathToSystem(const QString& path);
// The path for a message to the player: the characters the bytes spell in UTF-8 or, failing
// that, in GB18030 (a Chinese archive unpacked by a tool that kept its names' bytes).
QString displayPath(const QString& path);

// The folder that holds the running program, found by the system's spelling of it.
QString programFolder();
// The user's data folder (on POSIX the XDG rules: $XDG_DATA_HOME if it is an absolute path,
// otherwise $HOME/.local/share, the home coming from the password database when $HOME is
// unset, empty or relative). "" when there is no home to be found.
QString userDataFolder();

bool isFolder(const QString& path);
// Creates the folder and any missing parents; "" on success, otherwise the system's words.
QString makeFolders(const QString& path);

// What stands at a path; a link there is reported as Other, never followed.
enum class Kind { Absent, RegularFile, Other };

// The first maxBytes of the regular file at path. It is opened without following a link
// and without waiting on a FIFO swapped in at the last moment.
struct Contents {
    Kind kind = Kind::Absent;
    QByteArray bytes;
    bool complete = true;   // bytes are the whole file
    bool readable = true;   // false: a regular file that could not be read (error says why)
    bool writeProtected = false;  // a regular file nobody may write, or this user may not
    QString error;
    bool operator==(const Contents&) const = default;
};
Contents read(const QString& path, qint64 maxBytes);

// How an operation that writes ended.
enum class Failure {
    None,
    FolderRefuses,  // the folder takes no new file (permissions, read-only file system)
    Other,
};
struct Outcome {
    Failure failure = Failure::None;
    QString error;  // the system's words
    bool ok() const { return failure == Failure::None; }
};

// A new file beside target that replaces it in one step: write() creates it exclusively
// (its name holds this process's id, so that leftovers of copies that ended can be told
// and removed), writes the bytes and flushes them to the disk; commit() renames it over
// target (which never follows a link there) and flushes the folder. A crash or power cut
// at any moment leaves either the whole old file or the whole new one. A new file not
// committed is removed when the object goes.
class Replacement {
public:
    explicit Replacement(QString target);
    ~Replacement();
    Replacement(const Replacement&) = delete;
    Replacement& operator=(const Replacement&) = delete;

    // The new file keeps the permissions of the file at target, if any, except that its
    // owner can always read and write it.
    Outcome write(const QByteArray& bytes);
    Outcome commit();
    void discard();

private:
    QString target_;
    QString temp_;  // the new file, while it exists
    qintptr handle_ = -1;
};

// Writes the bytes over the regular file at path, in place, for a folder that takes no new
// file. The file is never shorter than a whole record: the bytes are written from the start
// of the file, padded with line ends while the old text is longer, flushed, and only then
// is the file cut to their length and flushed again.
Outcome writeInPlace(const QString& path, const QByteArray& bytes);

// An exclusive lock between processes, held until unlock() or the object goes; a process
// that ends for any reason, even killed, gives its locks up at once. A lock file left by a
// process that ended (empty, or naming a process that no longer runs) is taken over at once.
class Lock {
public:
    enum class Result {
        Held,
        Busy,         // another running process holds it
        Unavailable,  // it cannot be had here (error says why): no file, no permission, ...
    };
    Lock() = default;
    ~Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    // The lock file at path, created if missing, removed when unlocked. It names this
    // process as QLockFile does (pid, program, host), and waits for a QLockFile held there.
    Result tryLockFile(const QString& path);
    // A lock on the existing file at path itself (never created, never removed): for a
    // folder that takes no lock file.
    Result tryLockExisting(const QString& path);
    void unlock();
    bool isHeld() const { return handle_ >= 0; }
    QString error() const { return error_; }
    // The process that holds the lock at path, if it says (0 when it does not).
    static qint64 holder(const QString& path);

private:
    qintptr handle_ = -1;
    QString removeOnUnlock_;
    QString error_;
};

// Removes the leftovers of copies that ended beside target: new files of Replacement whose
// process no longer runs, and the ".rmlock" files that QLockFile leaves (in chains) when a
// process is killed while it removes a stale lock.
void removeLeftovers(const QString& target);

qint64 currentProcessId();
bool processIsRunning(qint64 pid);

}  // namespace safefile
