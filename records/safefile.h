// What the records file asks of the operating system: a few calls on files, which know
// nothing of dat.ini or of a save (store.cpp does). Paths as system/folders.h holds them.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>

namespace safefile {

// What stands at a path; a link there is Other, never followed.
enum class Kind : std::uint8_t { Absent, RegularFile, Other };

struct Contents {
    Kind kind = Kind::Absent;
    QByteArray bytes;
    bool complete = true;         // bytes are the whole file
    bool readable = true;         // false: a regular file that could not be read (error says why)
    bool writeProtected = false;  // a regular file nobody may write, or this user may not
    QString error;
    bool operator==(const Contents&) const = default;
};

// How a call that writes ended.
enum class Failure : std::uint8_t {
    None,
    Denied,         // no permission, or a read-only file system (for a new file: the folder takes none)
    InUse,          // another process has the file open in a way that keeps this one out
    Other,
};
struct Outcome {
    Failure failure = Failure::None;
    QString error;  // the system's words
    bool ok() const { return failure == Failure::None; }
};

using Handle = qintptr;  // an open file
constexpr Handle noFile = -1;
struct Opened : Outcome {
    Handle file = noFile;
    qint64 size = 0;  // the file's length when it was opened
};

enum class Lock : std::uint8_t { Held, Busy, Unavailable };

enum class Access : std::uint8_t {  // how open() opens a file
    Read,      // an existing file
    Write,     // an existing file, to write over it in place
    LockFile,  // a lock file, made if it is missing, that every user who may write beside it may open
};

// The system's files (systemFiles()), in safefile_unix.cpp and safefile_win.cpp, and what
// is made of them alike everywhere, in safefile.cpp; tests derive from it to fail, stop or
// die at a chosen call. A file is opened by its own name, never through a link nor waiting
// on a FIFO, and only if it is a regular file.
class Files {
public:
    Files() = default;
    virtual ~Files() = default;
    Files(const Files&) = delete;
    Files& operator=(const Files&) = delete;

    // What stands at path, with no bytes read (an error only where the system could not tell).
    virtual Contents entry(const QString& path);
    // The first maxBytes of the regular file at path.
    virtual Contents read(const QString& path, qint64 maxBytes);
    // Creates the folder and any missing parents; "" or the system's words.
    virtual QString makeFolders(const QString& path);
    virtual Opened open(const QString& path, Access access);
    // Up to size bytes more of the file: 0 at its end, -1 on failure (error says why).
    virtual qint64 readSome(Handle file, char* into, qint64 size, QString& error);
    // A new file, created exclusively, with the permissions of the file at permissionsOf if
    // there is one (its owner can always read and write it). While it is open, no other
    // process removes it (see removeIfUnlocked), and it can be moved (see replace).
    virtual Opened create(const QString& path, const QString& permissionsOf);
    // An exclusive lock on the open file, taken without waiting; a process that ends, however
    // it ends, gives its locks up at once. error says why it is Unavailable.
    virtual Lock lock(Handle file, QString& error);
    // Whether the path still names the open file: it was not removed or replaced meanwhile.
    virtual bool isAt(Handle file, const QString& path);
    // Writes the bytes from the start of the file, then flushes them to the disk.
    virtual Outcome write(Handle file, const QByteArray& bytes);
    // Cuts the file to its first size bytes, then flushes.
    virtual Outcome truncate(Handle file, qint64 size);
    virtual void close(Handle file);
    // Moves the file at from, which may still be open from create(), over the one at to, in
    // one step and never through a link there; it is on the disk when this returns.
    virtual Outcome replace(const QString& from, const QString& to);
    // The names in the folder that start with prefix.
    virtual QStringList names(const QString& folder, const QString& prefix);
    // Removes the regular file at path unless a process has it locked (on Windows: open).
    virtual void removeIfUnlocked(const QString& path);
    // Waits before another attempt at a lock that another copy holds.
    virtual void pause(int ms);
    // Milliseconds on a clock that only goes forward, for how long a lock has been waited for.
    virtual qint64 now();
};

Files& systemFiles();

}  // namespace safefile
