// folders.h on POSIX systems (Linux, the BSDs, macOS).
#include "system/folders.h"

#include "text/gb18030.h"

#include <QCoreApplication>
#include <QStringDecoder>

#include <cerrno>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace folders {

namespace {

constexpr char16_t escapeBase = 0xDC00;  // byte b (0x80..0xFF) is held as escapeBase + b

// The length of the well-formed UTF-8 sequence at i, or 0 if there is none: one that Qt
// reads as a character and writes back unchanged. (A byte-order mark, which Qt's decoder
// drops, is held as three escaped bytes: the path's bytes come back the same either way.)
int utf8Length(const QByteArray& bytes, qsizetype i)
{
    const auto lead = static_cast<unsigned char>(bytes[i]);
    const int length = lead < 0x80 ? 1 : lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 0;
    if (length <= 1 || i + length > bytes.size())
        return length <= 1 ? length : 0;
    const QByteArray sequence = bytes.mid(i, length);
    return QString::fromUtf8(sequence).toUtf8() == sequence ? length : 0;
}

QByteArray homeFromPasswordDatabase()
{
    const long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(static_cast<size_t>(size > 0 ? size : 16384));
    struct passwd entry {};
    struct passwd* found = nullptr;
    while (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE)
        buffer.resize(buffer.size() * 2);
    return found && found->pw_dir ? QByteArray(found->pw_dir) : QByteArray();
}

}  // namespace

QString pathFromSystem(const QByteArray& bytes)
{
    QString path;
    for (qsizetype i = 0; i < bytes.size();) {
        const int length = utf8Length(bytes, i);
        if (length == 0)
            path += QChar(static_cast<char16_t>(escapeBase + static_cast<unsigned char>(bytes[i])));
        else
            path += QString::fromUtf8(bytes.mid(i, length));
        i += std::max(length, 1);
    }
    return path;
}

QByteArray pathToSystem(const QString& path)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t unit = path[i].unicode();
        if (unit >= escapeBase + 0x80 && unit <= escapeBase + 0xFF)
            bytes += static_cast<char>(unit - escapeBase);
        else if (path[i].isHighSurrogate() && i + 1 < path.size() && path[i + 1].isLowSurrogate())
            bytes += path.mid(i++, 2).toUtf8();
        else
            bytes += QString(path[i]).toUtf8();  // a stray surrogate becomes U+FFFD
    }
    return bytes;
}

QString displayPath(const QString& path)
{
    const QByteArray bytes = pathToSystem(path);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        if (const gb18030::Decoded chinese = gb18030::decode(bytes); chinese.malformed == 0)
            return chinese.text;
    }
    return text;
}

QString programFolder()
{
    // Linux names the program in /proc; elsewhere Qt finds it (by the locale's decoding).
    std::vector<char> buffer(4096);
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0 || static_cast<size_t>(length) == buffer.size() || buffer[0] != '/')
        return QCoreApplication::applicationDirPath();
    const QByteArray program(buffer.data(), length);
    return pathFromSystem(program.left(std::max<qsizetype>(program.lastIndexOf('/'), 1)));  // "/" for the root
}

QString userDataFolder()
{
    const auto absolute = [](const QByteArray& path) { return path.startsWith('/'); };
    if (const QByteArray xdg = qgetenv("XDG_DATA_HOME"); absolute(xdg))
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

}  // namespace folders
