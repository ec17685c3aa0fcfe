// safefile.h on POSIX systems (Linux, the BSDs, macOS).
#include "records/safefile.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QSysInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace safefile {

namespace {

QString systemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

constexpr char16_t escapeBase = 0xDC00;  // byte b (0x80..0xFF) is held as escapeBase + b

// The length of the well-formed UTF-8 sequence at i, or 0 if there is none.
int utf8Length(const QByteArray& bytes, qsizetype i)
{
    const auto at = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = at(i);
    if (lead < 0x80)
        return 1;
    int length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;  // no overlong forms
        if (lead == 0xED)
            high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (i + length > bytes.size())
        return 0;
    if (at(i + 1) < low || at(i + 1) > high)
        return 0;
    for (int k = 2; k < length; ++k)
        if (at(i + k) < 0x80 || at(i + k) > 0xBF)
            return 0;
    return length;
}

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Whether the path still names the very file open as fd: a lock taken on a file that was
// removed or replaced meanwhile locks nothing.
bool pathNamesOpenFile(const QByteArray& path, int fd)
{
    struct stat open {};
    struct stat named {};
    return ::fstat(fd, &open) == 0 && ::lstat(path.constData(), &named) == 0 && sameFile(open, named);
}

bool writeAllAt(int fd, const QByteArray& bytes, off_t offset)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done),
                                   offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        done += n;
    }
    return true;
}

bool flushData(int fd)
{
#if defined(_POSIX_SYNCHRONIZED_IO) && _POSIX_SYNCHRONIZED_IO > 0
    return ::fdatasync(fd) == 0;
#else
    return ::fsync(fd) == 0;
#endif
}

Failure failureOf(int error)
{
    return error == EACCES || error == EPERM || error == EROFS ? Failure::FolderRefuses : Failure::Other;
}

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return ".";
    return slash == 0 ? QByteArray("/") : path.left(slash);
}

void flushFolder(const QByteArray& path)
{
    const QByteArray folder = folderOf(path);
    const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0 || ::fsync(dir) != 0)
        std::fprintf(stderr, "varnoth: could not flush the folder %s: %s\n",
                     qUtf8Printable(displayPath(pathFromSystem(folder))), std::strerror(errno));
    if (dir >= 0)
        ::close(dir);
}

QByteArray readLink(const char* path)
{
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t n = ::readlink(path, buffer.data(), buffer.size());
        if (n < 0)
            return {};
        if (static_cast<size_t>(n) < buffer.size())
            return QByteArray(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

QByteArray homeFromPasswordDatabase()
{
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(static_cast<size_t>(size > 0 ? size : 16384));
    struct passwd entry {};
    struct passwd* found = nullptr;
    while (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE)
        buffer.resize(buffer.size() * 2);
    return found && found->pw_dir ? QByteArray(found->pw_dir) : QByteArray();
}

// Opens the regular file at path for locking, without following a link or waiting on a FIFO.
int openForLock(const QByteArray& path, int flags)
{
    return ::open(path.constData(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
}

// Removes the file at path if no process holds a lock on it, it is the same file once
// locked, and keep() does not say otherwise for its contents.
template <typename Keep>
void removeIfAbandoned(const QByteArray& path, Keep keep)
{
    const int fd = openForLock(path, O_RDONLY);
    if (fd < 0)
        return;
    struct stat entry {};
    if (::fstat(fd, &entry) == 0 && S_ISREG(entry.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0
        && pathNamesOpenFile(path, fd) && !keep(fd, entry))
        ::unlink(path.constData());
    ::close(fd);
}

qint64 pidIn(int fd)
{
    char text[32] = {};
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    if (n <= 0)
        return 0;
    return QByteArray(text, n).split('\n').constFirst().toLongLong();
}

}  // namespace

QString pathFromSystem(const QByteArray& bytes)
{
    QString path;
    path.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        const int length = utf8Length(bytes, i);
        if (length == 0) {
            path += QChar(static_cast<char16_t>(escapeBase + static_cast<unsigned char>(bytes[i])));
            ++i;
        } else {
            path += QString::fromUtf8(bytes.constData() + i, length);
            i += length;
        }
    }
    return path;
}

QByteArray pathToSystem(const QString& path)
{
    QByteArray bytes;
    bytes.reserve(path.size());
    for (qsizetype i = 0; i < path.size(); ++i) {
        const QChar c = path[i];
        if (c.isHighSurrogate() && i + 1 < path.size() && path[i + 1].isLowSurrogate()) {
            bytes += QString(path.constData() + i, 2).toUtf8();
            ++i;
        } else if (c.unicode() >= escapeBase + 0x80 && c.unicode() <= escapeBase + 0xFF) {
            bytes += static_cast<char>(c.unicode() - escapeBase);
        } else {
            bytes += QString(c).toUtf8();  // a stray surrogate becomes U+FFFD
        }
    }
    return bytes;
}

QString displayPath(const QString& path)
{
    const QByteArray bytes = pathToSystem(path);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder gb18030("GB18030");
    if (gb18030.isValid()) {
        QString chinese = gb18030.decode(bytes);
        if (!gb18030.hasError())
            return chinese;
    }
    return text;
}

QString programFolder()
{
    // Linux names the program in /proc; elsewhere Qt finds it (by the locale's decoding).
    const QByteArray program = readLink("/proc/self/exe");
    if (program.startsWith('/'))
        return pathFromSystem(folderOf(program));
    return QCoreApplication::applicationDirPath();
}

QString userDataFolder()
{
    const auto absolute = [](const QByteArray& path) { return path.startsWith('/'); };
    const QByteArray xdg = qgetenv("XDG_DATA_HOME");
    if (absolute(xdg))
        return pathFromSystem(xdg);
    QByteArray home = qgetenv("HOME");
    if (!absolute(home))
        home = homeFromPasswordDatabase();
    if (!absolute(home))
        return {};
    while (home.endsWith('/'))
        home.chop(1);
    return pathFromSystem(home + "/.local/share");
}

bool isFolder(const QString& path)
{
    struct stat entry {};
    return ::stat(pathToSystem(path).constData(), &entry) == 0 && S_ISDIR(entry.st_mode);
}

QString makeFolders(const QString& path)
{
    const QByteArray full = pathToSystem(path);
    for (qsizetype end = 1; end <= full.size(); ++end) {
        if (end < full.size() && full[end] != '/')
            continue;
        const QByteArray part = full.left(end);
        if (::mkdir(part.constData(), 0777) == 0)
            continue;
        const int error = errno;
        struct stat entry {};
        if (::stat(part.constData(), &entry) == 0 && S_ISDIR(entry.st_mode))
            continue;
        return systemError(error == EEXIST ? ENOTDIR : error);
    }
    return {};
}

Contents read(const QString& path, qint64 maxBytes)
{
    Contents contents;
    const QByteArray name = pathToSystem(path);
    struct stat entry {};
    if (::lstat(name.constData(), &entry) != 0) {
        if (errno != ENOENT && errno != ENOTDIR) {
            contents.kind = Kind::Other;
            contents.error = systemError(errno);
        }
        return contents;
    }
    if (!S_ISREG(entry.st_mode)) {
        contents.kind = Kind::Other;
        return contents;
    }
    contents.kind = Kind::RegularFile;
    contents.writeProtected = (entry.st_mode & 0222) == 0
        || (::faccessat(AT_FDCWD, name.constData(), W_OK, AT_EACCESS) != 0 && (errno == EACCES || errno == EPERM));
    const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP || errno == ENOENT) {
            contents = {};
            contents.kind = errno == ELOOP ? Kind::Other : Kind::Absent;
            return contents;
        }
        contents.readable = false;
        contents.error = systemError(errno);
        return contents;
    }
    if (::fstat(fd, &entry) != 0 || !S_ISREG(entry.st_mode)) {
        ::close(fd);
        contents = {};
        contents.kind = Kind::Other;
        return contents;
    }
    contents.bytes.resize(maxBytes + 1);  // one byte more tells whether there is more
    qsizetype got = 0;
    while (got < contents.bytes.size()) {
        const ssize_t n
            = ::read(fd, contents.bytes.data() + got, static_cast<size_t>(contents.bytes.size() - got));
        if (n == 0)
            break;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            contents.readable = false;
            contents.error = systemError(errno);
            break;
        }
        got += n;
    }
    ::close(fd);
    contents.complete = got <= maxBytes;
    contents.bytes.truncate(std::min<qsizetype>(got, maxBytes));
    return contents;
}

Replacement::Replacement(QString target) : target_(std::move(target)) {}

Replacement::~Replacement() { discard(); }

Outcome Replacement::write(const QByteArray& bytes)
{
    discard();
    const QByteArray target = pathToSystem(target_);
    const QByteArray prefix = target + ".new-" + QByteArray::number(currentProcessId()) + '-';
    QByteArray temp;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temp = prefix + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return {failureOf(errno), systemError(errno)};
    }
    if (fd < 0)
        return {Failure::Other, systemError(EEXIST)};
    handle_ = fd;
    temp_ = pathFromSystem(temp);
    ::flock(fd, LOCK_EX | LOCK_NB);  // in use: removeLeftovers() leaves it alone
    struct stat old {};
    if (::lstat(target.constData(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(fd, (old.st_mode & 07777) | S_IRUSR | S_IWUSR);
    if (!writeAllAt(fd, bytes, 0) || !flushData(fd)) {
        const int error = errno;
        discard();
        return {Failure::Other, systemError(error)};
    }
    return {};
}

Outcome Replacement::commit()
{
    if (handle_ < 0)
        return {Failure::Other, systemError(EBADF)};
    const QByteArray target = pathToSystem(target_);
    if (::rename(pathToSystem(temp_).constData(), target.constData()) != 0) {
        const int error = errno;
        discard();
        return {Failure::Other, systemError(error)};
    }
    temp_.clear();
    ::close(static_cast<int>(handle_));
    handle_ = -1;
    flushFolder(target);
    return {};
}

void Replacement::discard()
{
    if (!temp_.isEmpty())
        ::unlink(pathToSystem(temp_).constData());
    temp_.clear();
    if (handle_ >= 0)
        ::close(static_cast<int>(handle_));
    handle_ = -1;
}

Outcome writeInPlace(const QString& path, const QByteArray& bytes)
{
    const QByteArray name = pathToSystem(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {Failure::Other, systemError(errno)};
    struct stat entry {};
    if (::fstat(fd, &entry) != 0 || !S_ISREG(entry.st_mode)) {
        ::close(fd);
        return {Failure::Other, QStringLiteral("not a regular file")};
    }
    QByteArray padded = bytes;
    if (entry.st_size > bytes.size())
        padded.append(QByteArray(static_cast<qsizetype>(entry.st_size) - bytes.size(), '\n'));
    bool done = writeAllAt(fd, padded, 0) && flushData(fd);
    if (done && padded.size() > bytes.size())
        done = ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && flushData(fd);
    const int error = errno;
    ::close(fd);
    if (!done)
        return {Failure::Other, systemError(error)};
    return {};
}

Lock::~Lock() { unlock(); }

// Takes the kernel's lock on FD, which must be a regular file and still the one at NAME
// once locked (its holder may have removed or replaced it as it let go: Busy, try again).
// FD is closed unless the lock is held; ERROR says why it is Unavailable.
namespace {
Lock::Result lockOpenFile(const QByteArray& name, int fd, QString& error)
{
    using Result = Lock::Result;
    struct stat entry {};
    if (::fstat(fd, &entry) != 0 || !S_ISREG(entry.st_mode)) {
        ::close(fd);
        error = QStringLiteral("not a regular file");
        return Result::Unavailable;
    }
    // The kernel gives a process's locks up when it ends, however it ends: a lock file
    // that nobody holds (empty, or naming a process that has ended) is free to take.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int refusal = errno;
        ::close(fd);
        if (refusal == EWOULDBLOCK || refusal == EINTR)
            return Result::Busy;
        error = systemError(refusal);
        return Result::Unavailable;
    }
    if (!pathNamesOpenFile(name, fd)) {
        ::close(fd);
        return Result::Busy;
    }
    return Result::Held;
}
}  // namespace

Lock::Result Lock::tryLockFile(const QString& path)
{
    if (isHeld())
        return Result::Held;
    const QByteArray name = pathToSystem(path);
    const int fd = openForLock(name, O_RDWR | O_CREAT);
    if (fd < 0) {
        error_ = systemError(errno);
        return Result::Unavailable;
    }
    if (const Result taken = lockOpenFile(name, fd, error_); taken != Result::Held)
        return taken;
    // Who holds it, in QLockFile's words: process id, program, host, machine.
    const QByteArray program = readLink("/proc/self/exe");
    const QByteArray about = QByteArray::number(currentProcessId()) + '\n'
        + program.mid(program.lastIndexOf('/') + 1) + '\n' + QSysInfo::machineHostName().toUtf8() + '\n'
        + QSysInfo::machineUniqueId() + '\n';
    if (::ftruncate(fd, 0) == 0)
        writeAllAt(fd, about, 0);  // only for the curious: the lock is the kernel's
    handle_ = fd;
    removeOnUnlock_ = path;
    return Result::Held;
}

Lock::Result Lock::tryLockExisting(const QString& path)
{
    if (isHeld())
        return Result::Held;
    const QByteArray name = pathToSystem(path);
    int fd = openForLock(name, O_RDONLY);
    if (fd < 0 && errno == EACCES)
        fd = openForLock(name, O_WRONLY);  // a file its owner may write but not read
    if (fd < 0) {
        error_ = systemError(errno);
        return Result::Unavailable;
    }
    if (const Result taken = lockOpenFile(name, fd, error_); taken != Result::Held)
        return taken;
    handle_ = fd;
    removeOnUnlock_.clear();
    return Result::Held;
}

void Lock::unlock()
{
    if (!isHeld())
        return;
    const int fd = static_cast<int>(handle_);
    // Removed while still held, so that whoever locks this file next sees it is gone.
    if (!removeOnUnlock_.isEmpty()) {
        const QByteArray name = pathToSystem(removeOnUnlock_);
        if (pathNamesOpenFile(name, fd))
            ::unlink(name.constData());
    }
    ::close(fd);
    handle_ = -1;
    removeOnUnlock_.clear();
}

qint64 Lock::holder(const QString& path)
{
    const int fd = openForLock(pathToSystem(path), O_RDONLY);
    if (fd < 0)
        return 0;
    const qint64 pid = pidIn(fd);
    ::close(fd);
    return pid;
}

void removeLeftovers(const QString& target)
{
    const QByteArray path = pathToSystem(target);
    const QByteArray folder = folderOf(path);
    const QByteArray base = path.mid(path.lastIndexOf('/') + 1);
    const QByteArray newFile = base + ".new-";
    const QByteArray removalLock = base + ".lock.rmlock";
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return;
    std::vector<QByteArray> names;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name.startsWith(newFile) || name.startsWith(removalLock))
            names.push_back(name);
    }
    ::closedir(dir);
    const time_t now = std::time(nullptr);
    for (const QByteArray& name : names) {
        const QByteArray full = folder + '/' + name;
        if (name.startsWith(newFile)) {
            // "<target>.new-<pid>-<random>"; older copies wrote "<target>.new-<random>",
            // and are given ten minutes, far more than any save takes.
            const QByteArray rest = name.mid(newFile.size());
            const qsizetype dash = rest.indexOf('-');
            bool numeric = false;
            const qint64 pid = dash > 0 ? rest.left(dash).toLongLong(&numeric) : 0;
            removeIfAbandoned(full, [&](int, const struct stat& entry) {
                return numeric ? processIsRunning(pid) : now - entry.st_mtime < 600;
            });
        } else {
            // QLockFile holds the lock it removes stale locks under; killed meanwhile, it
            // leaves the file, and the next copy makes "<name>.rmlock" beside it, and so on.
            removeIfAbandoned(full, [](int fd, const struct stat& entry) {
                return entry.st_size > 0 && processIsRunning(pidIn(fd));
            });
        }
    }
}

qint64 currentProcessId() { return ::getpid(); }

bool processIsRunning(qint64 pid)
{
    if (pid <= 0 || pid != static_cast<pid_t>(pid))
        return false;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
        return false;
    // A process that has ended but whose parent has not yet noticed runs no more.
    const QByteArray statPath = "/proc/" + QByteArray::number(pid) + "/stat";
    const int fd = ::open(statPath.constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        char stat[64] = {};
        const ssize_t n = ::read(fd, stat, sizeof stat - 1);
        ::close(fd);
        const char* close = n > 0 ? std::strrchr(stat, ')') : nullptr;
        if (close && close[1] == ' ' && close[2] == 'Z')
            return false;
    }
    return true;
}

}  // namespace safefile
