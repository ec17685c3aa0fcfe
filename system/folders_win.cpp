// folders.h on Windows, whose paths are UTF-16.
#include "system/folders.h"

#include <QDir>

#include <string>

#include <windows.h>
#include <shlobj.h>

namespace folders {

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

bool isFolder(const QString& path)
{
    const std::wstring native = QDir::toNativeSeparators(path).toStdWString();
    const DWORD attributes = GetFileAttributesW(native.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace folders
