// Where the program and the player's own files are, and paths as the system spells them:
// folders_unix.cpp on POSIX, folders_win.cpp on Windows.
//
// Paths are QStrings. On a system whose paths are bytes (POSIX), a byte that is not part of
// UTF-8 is held as one character U+DC80 + byte (as Python's "surrogateescape" does), so
// that every name the system can give comes back byte for byte. Only code that turns a
// path back into its bytes with pathToSystem understands such a path; QFile and QDir do not
// (they would turn those bytes into U+FFFD).
#pragma once

#include <QByteArray>
#include <QString>

namespace folders {

// A path as the system spells it, and back (see above). On Windows, whose paths are
// UTF-16, pathFromSystem reads UTF-8 and pathToSystem writes it.
QString pathFromSystem(const QByteArray& bytes);
QByteArray pathToSystem(const QString& path);
// The path for a message to the player: on POSIX the characters its bytes spell in UTF-8
// or, failing that, in GB18030 (a Chinese archive unpacked by a tool that kept its names'
// bytes); on Windows with the system's separators.
QString displayPath(const QString& path);

// The folder that holds the running program, found by the system's spelling of it.
QString programFolder();
// The user's data folder: on POSIX the XDG rules ($XDG_DATA_HOME if it is an absolute path,
// otherwise $HOME/.local/share, the home coming from the password database when $HOME is
// unset, empty or relative), on Windows %APPDATA%. "" when there is no home to be found.
QString userDataFolder();
bool isFolder(const QString& path);

}  // namespace folders
