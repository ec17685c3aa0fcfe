// safefile.h on POSIX systems (Linux, the BSDs, macOS).
#include "records/safefile.h"

#include "system/console.h"
#include "system/folders.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace safefile {

using folders::pathToSystem;

namespace {

Outcome failed(int error = errno)
{
    const bool refused = error == EACCES || error == EPERM || error == EROFS;
    return {refused ? Failure::Denied : Failure::Other, qt_error_string(error)};
}

// Opens path without following a link or waiting on a FIFO; only a regular file stays open.
Opened openRegular(const QString& path, int flags)
{
    Opened opened;
    const int fd = ::open(pathToSystem(path).constData(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    struct stat status {};
    if (fd < 0) {
        static_cast<Outcome&>(opened) = failed();
    } else if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        opened.failure = Failure::Other;
        opened.error = QStringLiteral("not a regular file");
    } else {
        opened.file = fd;
        opened.size = status.st_size;
    }
    return opened;
}

// Whether path names the file open as fd.
bool pathNames(const QByteArray& path, int fd)
{
    struct stat open {};
    struct stat named {};
    return ::fstat(fd, &open) == 0 && ::lstat(path.constData(), &named) == 0 && open.st_dev == named.st_dev
        && open.st_ino == named.st_ino;
}

}  // namespace

Contents Files::entry(const QString& path)
{
    Contents contents;
    const QByteArray name = pathToSystem(path);
    struct stat status {};
    if (::lstat(name.constData(), &status) != 0) {
        if (errno != ENOENT && errno != ENOTDIR) {
            contents.kind = Kind::Other;
            contents.error = qt_error_string(errno);
        }
        return contents;
    }
    contents.kind = S_ISREG(status.st_mode) ? Kind::RegularFile : Kind::Other;
    contents.writeProtected = contents.kind == Kind::RegularFile && ((status.st_mode & 0222) == 0
        || (::faccessat(AT_FDCWD, name.constData(), W_OK, AT_EACCESS) != 0 && (errno == EACCES || errno == EPERM)));
    return contents;
}

qint64 Files::readSome(Handle file, char* into, qint64 size, QString& error)
{
    ssize_t n = 0;
    do
        n = ::read(static_cast<int>(file), into, static_cast<size_t>(size));
    while (n < 0 && errno == EINTR);
    if (n < 0)
        error = qt_error_string(errno);
    return n;
}

QString Files::makeFolders(const QString& path)
{
    const QByteArray full = pathToSystem(path);
    for (qsizetype end = 1; end <= full.size(); ++end) {
        if (end < full.size() && full[end] != '/')
            continue;
        const QByteArray part = full.left(end);
        const int error = ::mkdir(part.constData(), 0777) == 0 ? 0 : errno;
        struct stat status {};
        if (error != 0 && (::stat(part.constData(), &status) != 0 || !S_ISDIR(status.st_mode)))
            return qt_error_string(error == EEXIST ? ENOTDIR : error);
    }
    return {};
}

// A lock file holds nothing, and any descriptor of it takes its lock: whatever the umask of
// the copy that made it, every user may open it, so that the players who share a folder all
// respect the one lock. Only its owner can say so; it does, each time it opens it.
Opened Files::open(const QString& path, Access access)
{
    constexpr int flags[] = {O_RDONLY, O_WRONLY, O_RDONLY | O_CREAT};
    Opened opened = openRegular(path, flags[static_cast<int>(access)]);
    const int fd = static_cast<int>(opened.file);
    struct stat status {};
    if (access == Access::LockFile && fd >= 0 && ::fstat(fd, &status) == 0 && status.st_uid == ::geteuid()
        && (status.st_mode & 0444) != 0444)
        ::fchmod(fd, (status.st_mode & 07777) | 0444);
    return opened;
}

Opened Files::create(const QString& path, const QString& permissionsOf)
{
    Opened opened = openRegular(path, O_WRONLY | O_CREAT | O_EXCL);
    const int fd = static_cast<int>(opened.file);
    struct stat old {};
    if (fd < 0)
        return opened;
    ::flock(fd, LOCK_EX | LOCK_NB);  // in use: removeIfUnlocked() leaves it alone
    if (::lstat(pathToSystem(permissionsOf).constData(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(fd, (old.st_mode & 07777) | S_IRUSR | S_IWUSR);
    return opened;
}

Lock Files::lock(Handle file, QString& error)
{
    if (::flock(static_cast<int>(file), LOCK_EX | LOCK_NB) == 0)
        return Lock::Held;
    if (errno == EWOULDBLOCK || errno == EINTR)
        return Lock::Busy;
    error = qt_error_string(errno);
    return Lock::Unavailable;
}

bool Files::isAt(Handle file, const QString& path) { return pathNames(pathToSystem(path), static_cast<int>(file)); }

Outcome Files::write(Handle file, const QByteArray& bytes)
{
    const int fd = static_cast<int>(file);
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::pwrite(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done), done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return failed(n == 0 ? ENOSPC : errno);
        done += n;
    }
    return ::fsync(fd) == 0 ? Outcome{} : failed();
}

Outcome Files::truncate(Handle file, qint64 size)
{
    const int fd = static_cast<int>(file);
    return ::ftruncate(fd, static_cast<off_t>(size)) == 0 && ::fsync(fd) == 0 ? Outcome{} : failed();
}

void Files::close(Handle file) { ::close(static_cast<int>(file)); }

// The rename is on the disk once the folder that holds it is.
Outcome Files::replace(const QString& from, const QString& to)
{
    const QByteArray target = pathToSystem(to);
    if (::rename(pathToSystem(from).constData(), target.constData()) != 0)
        return failed();
    const QByteArray folder = target.left(std::max<qsizetype>(target.lastIndexOf('/'), 1));
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0)
        logLine(QStringLiteral("could not flush the folder of %1: %2")
                    .arg(folders::displayPath(to), qt_error_string(errno)));
    if (fd >= 0)
        ::close(fd);
    return {};
}

QStringList Files::names(const QString& folder, const QString& prefix)
{
    QStringList found;
    DIR* dir = ::opendir(pathToSystem(folder).constData());
    const QByteArray start = pathToSystem(prefix);
    while (const dirent* item = dir ? ::readdir(dir) : nullptr) {
        if (const QByteArray name(item->d_name); name.startsWith(start))
            found += folders::pathFromSystem(name);
    }
    if (dir)
        ::closedir(dir);
    return found;
}

// Locked, and still the file of that name once locked: then no process holds it.
void Files::removeIfUnlocked(const QString& path)
{
    const QByteArray name = pathToSystem(path);
    const int fd = static_cast<int>(openRegular(path, O_RDONLY).file);
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 && pathNames(name, fd))
        ::unlink(name.constData());
    if (fd >= 0)
        ::close(fd);
}

}  // namespace safefile
