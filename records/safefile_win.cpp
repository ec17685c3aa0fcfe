// safefile.h on Windows, with its UTF-16 paths. A reparse point (a symbolic link, a junction,
// a cloud placeholder's link) at a file's place counts as something other than a regular
// file, never read or written through; the folder that holds dat.ini may be one.
#include "records/safefile.h"

#include <QDir>

#include <string>

#include <windows.h>

namespace safefile {

namespace {

// How long a replacement waits for whoever holds the old file open (an antivirus scanner,
// a search indexer, a backup tool): they let go within moments.
constexpr int sharingRetries = 100;
constexpr int sharingRetryMs = 20;

constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::wstring wide(const QString& path) { return QDir::toNativeSeparators(path).toStdWString(); }

HANDLE handleOf(Handle file) { return reinterpret_cast<HANDLE>(file); }

Outcome failed(DWORD error = GetLastError())
{
    const bool refused = error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT;
    const bool inUse = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
    const Failure failure = refused ? Failure::Denied : inUse ? Failure::InUse : Failure::Other;
    return {failure, qt_error_string(static_cast<int>(error))};
}

bool isRegularFile(DWORD attributes)
{
    return attributes != INVALID_FILE_ATTRIBUTES
        && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) == 0;
}

BY_HANDLE_FILE_INFORMATION informationOf(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info))
        info.dwFileAttributes = INVALID_FILE_ATTRIBUTES;
    return info;
}

// Opens the file at path itself, never what a reparse point there leads to; only a regular
// file on a disk stays open.
Opened openRegular(const QString& path, DWORD access, DWORD share, DWORD disposition)
{
    Opened opened;
    const HANDLE handle = CreateFileW(wide(path).c_str(), access, share, nullptr, disposition,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        static_cast<Outcome&>(opened) = failed();
        return opened;
    }
    if (const BY_HANDLE_FILE_INFORMATION info = informationOf(handle); !isRegularFile(info.dwFileAttributes)) {
        CloseHandle(handle);
        opened.failure = Failure::Other;
        opened.error = QStringLiteral("not a regular file");
    } else {
        opened.file = reinterpret_cast<Handle>(handle);
        opened.size = qint64{info.nFileSizeHigh} << 32 | info.nFileSizeLow;
    }
    return opened;
}

}  // namespace

Contents Files::entry(const QString& path)
{
    Contents contents;
    const DWORD attributes = GetFileAttributesW(wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (const DWORD error = GetLastError(); error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
            contents.kind = Kind::Other;
            contents.error = qt_error_string(static_cast<int>(error));
        }
        return contents;
    }
    contents.kind = isRegularFile(attributes) ? Kind::RegularFile : Kind::Other;
    if (contents.kind == Kind::Other)
        return contents;
    // The read-only attribute, or an access-control list that keeps this user from writing
    // the file: asked by opening it for writing, which writes nothing.
    const Opened writing = openRegular(path, FILE_WRITE_DATA, shareAll, OPEN_EXISTING);
    if (writing.ok())
        CloseHandle(handleOf(writing.file));
    contents.writeProtected = (attributes & FILE_ATTRIBUTE_READONLY) != 0 || writing.failure == Failure::Denied;
    return contents;
}

qint64 Files::readSome(Handle file, char* into, qint64 size, QString& error)
{
    DWORD n = 0;
    if (ReadFile(handleOf(file), into, static_cast<DWORD>(size), &n, nullptr))
        return n;
    error = qt_error_string();
    return -1;
}

QString Files::makeFolders(const QString& path)
{
    return QDir().mkpath(path) ? QString() : qt_error_string();  // the system's last error
}

// The lock file is shared with nobody who would delete it, so it cannot vanish while it is
// open, and opened for reading alone, which is all a lock needs: any account that may read
// the folder's files (a folder shared by several) takes the one lock. dat.ini is shared with
// everyone, as readers and the replacement need.
Opened Files::open(const QString& path, Access access)
{
    if (access == Access::LockFile)
        return openRegular(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS);
    return openRegular(path, access == Access::Read ? GENERIC_READ : GENERIC_WRITE, shareAll, OPEN_EXISTING);
}

// CREATE_NEW never opens what is there, link or not. Shared for deleting, the file can be
// moved while it is open (MoveFileEx asks for nothing more); no one who asks to share it
// with nobody, as removeIfUnlocked does, opens it meanwhile.
Opened Files::create(const QString& path, const QString& /*permissionsOf: Windows files take the folder's*/)
{
    return openRegular(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, CREATE_NEW);
}

// The byte the locks are taken on: far past the end of any file the game writes, so that
// a locked dat.ini stays readable to a copy that starts meanwhile.
Lock Files::lock(Handle file, QString& error)
{
    OVERLAPPED at{};
    at.Offset = 0xFFFFFFF0u;
    at.OffsetHigh = 0x7FFFFFFFu;
    if (LockFileEx(handleOf(file), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at))
        return Lock::Held;
    if (const DWORD why = GetLastError(); why == ERROR_LOCK_VIOLATION || why == ERROR_IO_PENDING)
        return Lock::Busy;
    error = qt_error_string();
    return Lock::Unavailable;
}

bool Files::isAt(Handle file, const QString& path)
{
    const Opened named = openRegular(path, FILE_READ_ATTRIBUTES, shareAll, OPEN_EXISTING);
    if (named.file == noFile)
        return false;
    const BY_HANDLE_FILE_INFORMATION a = informationOf(handleOf(file));
    const BY_HANDLE_FILE_INFORMATION b = informationOf(handleOf(named.file));
    CloseHandle(handleOf(named.file));
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh
        && a.nFileIndexLow == b.nFileIndexLow;
}

// A file opened without FILE_FLAG_OVERLAPPED is written whole, or the call fails.
Outcome Files::write(Handle file, const QByteArray& bytes)
{
    const HANDLE handle = handleOf(file);
    OVERLAPPED atStart{};
    DWORD written = 0;
    if (!WriteFile(handle, bytes.constData(), static_cast<DWORD>(bytes.size()), &written, &atStart))
        return failed();
    if (written < static_cast<DWORD>(bytes.size()))
        return failed(ERROR_DISK_FULL);
    return FlushFileBuffers(handle) ? Outcome{} : failed();
}

Outcome Files::truncate(Handle file, qint64 size)
{
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = size;
    const HANDLE handle = handleOf(file);
    const bool done = SetFileInformationByHandle(handle, FileEndOfFileInfo, &end, sizeof end) && FlushFileBuffers(handle);
    return done ? Outcome{} : failed();
}

void Files::close(Handle file) { CloseHandle(handleOf(file)); }

// MOVEFILE_WRITE_THROUGH returns once the move is on the disk. A scanner or an indexer that
// holds the old file open makes the move fail for a moment: it is tried again.
Outcome Files::replace(const QString& from, const QString& to)
{
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 0; attempt < sharingRetries; ++attempt) {
        if (MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return {};
        error = GetLastError();
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED && error != ERROR_LOCK_VIOLATION)
            break;
        Sleep(sharingRetryMs);
    }
    return failed(error);
}

QStringList Files::names(const QString& folder, const QString& prefix)
{
    return QDir(folder).entryList({prefix + u'*'}, QDir::Files | QDir::Hidden | QDir::System);
}

// A file that opens shared with nobody is one that no other process has open.
void Files::removeIfUnlocked(const QString& path)
{
    const Opened opened = openRegular(path, DELETE | FILE_READ_ATTRIBUTES, 0, OPEN_EXISTING);
    if (opened.file == noFile)
        return;
    FILE_DISPOSITION_INFO removed{TRUE};
    SetFileInformationByHandle(handleOf(opened.file), FileDispositionInfo, &removed, sizeof removed);
    CloseHandle(handleOf(opened.file));
}

}  // namespace safefile
