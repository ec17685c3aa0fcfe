// safefile.h on Windows, with the Windows API and its UTF-16 paths. A reparse point (a
// symbolic link, a junction, a cloud placeholder's link) at dat.ini's place counts as
// something other than a regular file, never read or written through. The folder that
// holds dat.ini may be one.
#include "records/safefile.h"

#include <QDir>
#include <QRandomGenerator>
#include <QSysInfo>
#include <QThread>

#include <map>
#include <string>

#include <windows.h>
#include <shlobj.h>

namespace safefile {

namespace {

// How long a replacement waits for whoever holds the old file open (an antivirus scanner,
// a search indexer, a backup tool): they let go within moments.
constexpr int sharingRetries = 100;
constexpr int sharingRetryMs = 20;

std::wstring wide(const QString& path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

QString systemError(DWORD error)
{
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
        0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString message = length ? QString::fromWCharArray(text, static_cast<qsizetype>(length)).trimmed()
                             : QStringLiteral("error %1").arg(error);
    LocalFree(text);
    return message;
}

Failure failureOf(DWORD error)
{
    return error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT ? Failure::FolderRefuses : Failure::Other;
}

bool isRegularFile(DWORD attributes)
{
    return attributes != INVALID_FILE_ATTRIBUTES
        && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) == 0;
}

// The file open as handle is a regular file on a disk, not a link, a folder or a device.
bool isRegularFile(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION info {};
    return GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info)
        && isRegularFile(info.dwFileAttributes);
}

// Opens the file at path itself, never what a reparse point there leads to.
HANDLE openFile(const QString& path, DWORD access, DWORD share, DWORD disposition)
{
    return CreateFileW(wide(path).c_str(), access, share, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool sameFile(HANDLE handle, const QString& path)
{
    const HANDLE named = openFile(path, 0, shareAll, OPEN_EXISTING);
    if (named == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION a {};
    BY_HANDLE_FILE_INFORMATION b {};
    const bool same = GetFileInformationByHandle(handle, &a) && GetFileInformationByHandle(named, &b)
        && a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh
        && a.nFileIndexLow == b.nFileIndexLow;
    CloseHandle(named);
    return same;
}

bool writeAllAt(HANDLE handle, const QByteArray& bytes)
{
    LARGE_INTEGER start {};
    if (!SetFilePointerEx(handle, start, nullptr, FILE_BEGIN))
        return false;
    qsizetype done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        if (!WriteFile(handle, bytes.constData() + done, static_cast<DWORD>(bytes.size() - done), &written, nullptr))
            return false;
        if (written == 0) {
            SetLastError(ERROR_DISK_FULL);
            return false;
        }
        done += written;
    }
    return true;
}

// The byte the locks are taken on: far past the end of any lock file or dat.ini, so that the
// text in them stays readable to whoever wants to know who holds the lock.
bool lockHandle(HANDLE handle)
{
    OVERLAPPED at {};
    at.Offset = 0xFFFFFFF0u;
    at.OffsetHigh = 0x7FFFFFFFu;
    return LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at);
}

Lock::Result busyOrUnavailable(DWORD error, QString& why)
{
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING)
        return Lock::Result::Busy;
    why = systemError(error);
    return Lock::Result::Unavailable;
}

qint64 pidIn(const QString& path)
{
    const HANDLE handle = openFile(path, GENERIC_READ, shareAll, OPEN_EXISTING);
    if (handle == INVALID_HANDLE_VALUE)
        return 0;
    char text[32] = {};
    DWORD got = 0;
    const bool done = ReadFile(handle, text, sizeof text - 1, &got, nullptr);
    CloseHandle(handle);
    return done ? QByteArray(text, static_cast<qsizetype>(got)).split('\n').constFirst().trimmed().toLongLong() : 0;
}

// Removes the file if nobody has it open: a file Windows cannot delete at once is in use.
void removeIfUnused(const QString& path)
{
    const HANDLE handle = CreateFileW(wide(path).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
}

// The handles this process locks dat.ini itself with (Lock::tryLockExisting), by path. A
// file cannot be moved over while a handle to it is open under Wine (Windows allows it when
// the handle shares deletion): the replacement lets go of its own process's lock on the old
// file at the moment it moves the new one over it, and the lock file still keeps other
// copies out.
std::map<QString, qintptr*>& fileLocks()
{
    static std::map<QString, qintptr*> locks;
    return locks;
}

void releaseFileLock(const QString& path)
{
    const auto found = fileLocks().find(path);
    if (found == fileLocks().end())
        return;
    CloseHandle(reinterpret_cast<HANDLE>(*found->second));
    *found->second = -1;
    fileLocks().erase(found);
}

}  // namespace

// Windows paths are UTF-16 already; bytes that name a path are UTF-8.
QString pathFromSystem(const QByteArray& bytes) { return QString::fromUtf8(bytes); }

QByteArray pathToSystem(const QString& path) { return path.toUtf8(); }

QString displayPath(const QString& path) { return QDir::toNativeSeparators(path); }

QString programFolder()
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    const QString program = QDir::fromNativeSeparators(QString::fromStdWString(buffer));
    return program.left(program.lastIndexOf(u'/'));
}

// The player's roaming application data (%APPDATA%), which follows them from computer to
// computer in a domain and is where Windows programs keep what is the player's own.
QString userDataFolder()
{
    wchar_t* folder = nullptr;
    QString found;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DEFAULT, nullptr, &folder)))
        found = QDir::fromNativeSeparators(QString::fromWCharArray(folder));
    CoTaskMemFree(folder);
    return found;
}

namespace {

// The read-only attribute, or an access-control list that keeps this user from writing
// the file: asked by opening it for writing, which writes nothing.
bool writeDenied(const QString& path, DWORD attributes)
{
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0)
        return true;
    const HANDLE handle = openFile(path, FILE_WRITE_DATA, shareAll, OPEN_EXISTING);
    if (handle == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_ACCESS_DENIED;
    CloseHandle(handle);
    return false;
}

}  // namespace

bool isFolder(const QString& path)
{
    const DWORD attributes = GetFileAttributesW(wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

QString makeFolders(const QString& path)
{
    const int error = SHCreateDirectoryExW(nullptr, wide(QDir::cleanPath(path)).c_str(), nullptr);
    if (error == ERROR_SUCCESS || ((error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) && isFolder(path)))
        return {};
    return systemError(error == ERROR_ALREADY_EXISTS ? ERROR_DIRECTORY : static_cast<DWORD>(error));
}

Contents read(const QString& path, qint64 maxBytes)
{
    Contents contents;
    const DWORD attributes = GetFileAttributesW(wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
            contents.kind = Kind::Other;
            contents.error = systemError(error);
        }
        return contents;
    }
    if (!isRegularFile(attributes)) {
        contents.kind = Kind::Other;
        return contents;
    }
    contents.kind = Kind::RegularFile;
    contents.writeProtected = writeDenied(path, attributes);
    const HANDLE handle = openFile(path, GENERIC_READ, shareAll, OPEN_EXISTING);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND)
            return {};
        contents.readable = false;
        contents.error = systemError(error);
        return contents;
    }
    if (!isRegularFile(handle)) {
        CloseHandle(handle);
        contents = {};
        contents.kind = Kind::Other;
        return contents;
    }
    contents.bytes.resize(maxBytes + 1);  // one byte more tells whether there is more
    qsizetype got = 0;
    while (got < contents.bytes.size()) {
        DWORD n = 0;
        if (!ReadFile(handle, contents.bytes.data() + got, static_cast<DWORD>(contents.bytes.size() - got), &n,
                      nullptr)) {
            contents.readable = false;
            contents.error = systemError(GetLastError());
            break;
        }
        if (n == 0)
            break;
        got += n;
    }
    CloseHandle(handle);
    contents.complete = got <= maxBytes;
    contents.bytes.truncate(std::min<qsizetype>(got, maxBytes));
    return contents;
}

Replacement::Replacement(QString target) : target_(std::move(target)) {}

Replacement::~Replacement() { discard(); }

// Created exclusively (CREATE_NEW never opens what is there, link or not) and shared with
// nobody who would delete it, so that removeLeftovers() of another copy leaves it alone.
Outcome Replacement::write(const QByteArray& bytes)
{
    discard();
    const QString prefix = target_ + QStringLiteral(".new-%1-").arg(currentProcessId());
    HANDLE handle = INVALID_HANDLE_VALUE;
    QString temp;
    for (int attempt = 0; handle == INVALID_HANDLE_VALUE && attempt < 100; ++attempt) {
        temp = prefix + QString::number(QRandomGenerator::global()->generate(), 36);
        handle = openFile(temp, GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW);
        if (handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            return {failureOf(GetLastError()), systemError(GetLastError())};
    }
    if (handle == INVALID_HANDLE_VALUE)
        return {Failure::Other, systemError(ERROR_FILE_EXISTS)};
    handle_ = reinterpret_cast<qintptr>(handle);
    temp_ = temp;
    if (!writeAllAt(handle, bytes) || !FlushFileBuffers(handle)) {
        const DWORD error = GetLastError();
        discard();
        return {Failure::Other, systemError(error)};
    }
    return {};
}

// MOVEFILE_WRITE_THROUGH returns once the rename is on the disk. A program that holds the
// old file open without letting others replace it (a scanner, an indexer) makes the move
// fail with a sharing violation or a denied access for a moment: it is tried again.
Outcome Replacement::commit()
{
    if (handle_ < 0)
        return {Failure::Other, systemError(ERROR_INVALID_HANDLE)};
    CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = -1;
    releaseFileLock(target_);
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 0; attempt < sharingRetries; ++attempt) {
        if (MoveFileExW(wide(temp_).c_str(), wide(target_).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            temp_.clear();
            return {};
        }
        error = GetLastError();
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED && error != ERROR_LOCK_VIOLATION)
            break;
        QThread::msleep(sharingRetryMs);
    }
    discard();
    return {Failure::Other, systemError(error)};
}

void Replacement::discard()
{
    if (handle_ >= 0)
        CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = -1;
    if (!temp_.isEmpty())
        DeleteFileW(wide(temp_).c_str());
    temp_.clear();
}

Outcome writeInPlace(const QString& path, const QByteArray& bytes)
{
    const HANDLE handle = openFile(path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING);
    if (handle == INVALID_HANDLE_VALUE)
        return {Failure::Other, systemError(GetLastError())};
    LARGE_INTEGER size {};
    if (!isRegularFile(handle) || !GetFileSizeEx(handle, &size)) {
        CloseHandle(handle);
        return {Failure::Other, QStringLiteral("not a regular file")};
    }
    QByteArray padded = bytes;
    if (size.QuadPart > bytes.size())
        padded.append(QByteArray(static_cast<qsizetype>(size.QuadPart) - bytes.size(), '\n'));
    bool done = writeAllAt(handle, padded) && FlushFileBuffers(handle);
    if (done && padded.size() > bytes.size()) {
        LARGE_INTEGER end {};
        end.QuadPart = bytes.size();
        done = SetFilePointerEx(handle, end, nullptr, FILE_BEGIN) && SetEndOfFile(handle) && FlushFileBuffers(handle);
    }
    const DWORD error = GetLastError();
    CloseHandle(handle);
    if (!done)
        return {Failure::Other, systemError(error)};
    return {};
}

Lock::~Lock() { unlock(); }

// Windows gives a process's byte-range locks up when it ends, however it ends: a lock file
// that nobody holds a lock in (empty, or naming a process that has ended) is free to take.
namespace {
// Locks HANDLE, which must be a regular file; closes it unless the lock is held. ERROR says
// why it is Unavailable.
Lock::Result lockOpenHandle(HANDLE handle, QString& error)
{
    if (!isRegularFile(handle)) {
        CloseHandle(handle);
        error = QStringLiteral("not a regular file");
        return Lock::Result::Unavailable;
    }
    if (!lockHandle(handle)) {
        const DWORD why = GetLastError();
        CloseHandle(handle);
        return busyOrUnavailable(why, error);
    }
    return Lock::Result::Held;
}
}  // namespace

// The file is opened without sharing deletion, so it cannot vanish while held; unlock()
// removes it only when no other copy has it open.
Lock::Result Lock::tryLockFile(const QString& path)
{
    if (isHeld())
        return Result::Held;
    const HANDLE handle
        = openFile(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS);
    if (handle == INVALID_HANDLE_VALUE)
        return busyOrUnavailable(GetLastError(), error_);
    if (const Result taken = lockOpenHandle(handle, error_); taken != Result::Held)
        return taken;
    // Who holds it, as QLockFile writes it: process id, program, host.
    const QByteArray about = QByteArray::number(currentProcessId()) + "\nvarnoth.exe\n"
        + QSysInfo::machineHostName().toUtf8() + '\n' + QSysInfo::machineUniqueId() + '\n';
    if (writeAllAt(handle, about))
        SetEndOfFile(handle);  // only for the curious: the lock is the system's
    handle_ = reinterpret_cast<qintptr>(handle);
    removeOnUnlock_ = path;
    return Result::Held;
}

Lock::Result Lock::tryLockExisting(const QString& path)
{
    if (isHeld())
        return Result::Held;
    HANDLE handle = openFile(path, GENERIC_READ, shareAll, OPEN_EXISTING);
    if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED)
        handle = openFile(path, GENERIC_WRITE, shareAll, OPEN_EXISTING);
    if (handle == INVALID_HANDLE_VALUE)
        return busyOrUnavailable(GetLastError(), error_);
    if (const Result taken = lockOpenHandle(handle, error_); taken != Result::Held)
        return taken;
    if (!sameFile(handle, path)) {  // replaced meanwhile: lock the new one
        CloseHandle(handle);
        return Result::Busy;
    }
    handle_ = reinterpret_cast<qintptr>(handle);
    removeOnUnlock_.clear();
    fileLocks()[path] = &handle_;
    return Result::Held;
}

void Lock::unlock()
{
    for (auto it = fileLocks().begin(); it != fileLocks().end(); ++it)
        if (it->second == &handle_) {
            fileLocks().erase(it);
            break;
        }
    if (!isHeld())
        return;
    CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = -1;
    if (!removeOnUnlock_.isEmpty())
        removeIfUnused(removeOnUnlock_);
    removeOnUnlock_.clear();
}

qint64 Lock::holder(const QString& path) { return pidIn(path); }

void removeLeftovers(const QString& target)
{
    const QString folder = target.left(target.lastIndexOf(u'/') + 1);
    const QString base = target.mid(folder.size());
    const QString newFile = base + QStringLiteral(".new-");
    const QString removalLock = base + QStringLiteral(".lock.rmlock");
    for (const QString& pattern : {newFile, removalLock}) {
        WIN32_FIND_DATAW found {};
        const HANDLE search = FindFirstFileW(wide(folder + pattern + u'*').c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            continue;
        do {
            const QString name = QString::fromWCharArray(found.cFileName);
            if (!isRegularFile(found.dwFileAttributes))
                continue;
            if (pattern == newFile) {
                // "<target>.new-<pid>-<random>": its copy's process has ended.
                const QString rest = name.mid(newFile.size());
                bool numeric = false;
                const qint64 pid = rest.left(rest.indexOf(u'-')).toLongLong(&numeric);
                if (numeric && processIsRunning(pid))
                    continue;
            } else if (processIsRunning(pidIn(folder + name))) {
                continue;
            }
            removeIfUnused(folder + name);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
}

qint64 currentProcessId() { return GetCurrentProcessId(); }

bool processIsRunning(qint64 pid)
{
    if (pid <= 0 || pid > 0xFFFFFFFFll)
        return false;
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (!process)
        return GetLastError() == ERROR_ACCESS_DENIED;  // it exists, but is another user's
    DWORD exitCode = 0;
    const bool running = GetExitCodeProcess(process, &exitCode) && exitCode == STILL_ACTIVE;
    CloseHandle(process);
    return running;
}

}  // namespace safefile
