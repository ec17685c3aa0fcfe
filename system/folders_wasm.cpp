// folders.h in a web page: the program's only files are items of the storage the browser
// keeps for the page's origin (records/safefile_wasm.cpp), named like paths in one folder.
#include "system/folders.h"

namespace folders {

QString pathFromSystem(const QByteArray& bytes) { return QString::fromUtf8(bytes); }

QByteArray pathToSystem(const QString& path) { return path.toUtf8(); }

QString displayPath(const QString& path) { return QStringLiteral("浏览器为本网页保存的 %1").arg(path); }

QString programFolder() { return QStringLiteral("varnoth"); }

// A page has no player's folder apart from its own: every copy of the page is one player's.
QString userDataFolder() { return {}; }

bool isFolder(const QString&) { return false; }

}  // namespace folders
