// safefile.h in a web page: the files are items of the storage the browser keeps for the
// page's origin (localStorage), one item per path, the file's bytes as the characters
// U+0000 to U+00FF. That storage is synchronous and shared by every tab of the origin:
// what one tab writes, the next tab that reads it sees, so two tabs merge their records
// through store.cpp as two copies of the program do through a folder.
//
// A save runs from its first read to its last write within one turn of the page's script,
// so nothing else of the page runs between its steps; the browser gives a page no lock
// that a synchronous save could wait for (the Web Locks API answers only later), so the
// lock is always held. A write the browser refuses (storage full, or storage refused for
// the page's origin) leaves the item as it was and fails as a full disk does; storage
// that cannot be read at all makes a file that cannot be read.
#include "records/safefile.h"

#include <algorithm>
#include <cstdlib>
#include <map>

// The calls into the page, in safefile_wasm.js.
extern "C" {
int varnoth_storageGet(const char* key, char** text, int* length);
char* varnoth_storageSet(const char* key, const char* bytes, int length);
void varnoth_storageRemove(const char* key);
char* varnoth_storageKeys(const char* prefix);
}

namespace safefile {

namespace {


QString takeText(char* text)
{
    QString taken = QString::fromUtf8(text);
    free(text);
    return taken;
}

struct Item {
    bool absent = false;  // no such item
    QByteArray bytes{};
    QString error{};      // storage refused the call
};

Item getItem(const QString& path)
{
    char* text = nullptr;
    int length = 0;
    const int found = varnoth_storageGet(path.toUtf8().constData(), &text, &length);
    if (found < 0)
        return {.error = takeText(text)};
    if (found == 0)
        return {.absent = true};
    Item item{.bytes = QByteArray(text, length)};
    free(text);
    return item;
}

Outcome setItem(const QString& path, const QByteArray& bytes)
{
    char* error = varnoth_storageSet(path.toUtf8().constData(), bytes.constData(), static_cast<int>(bytes.size()));
    return error ? Outcome{Failure::Other, takeText(error)} : Outcome{};
}

// What an open handle stands for: an item read whole as it was opened, or one to write.
struct OpenItem {
    QString path;
    QByteArray bytes{};
    qint64 readFrom = 0;
};

std::map<Handle, OpenItem>& openItems()
{
    static std::map<Handle, OpenItem> items;
    return items;
}

Handle nextHandle = 1;

Opened opened(OpenItem item)
{
    Opened result;
    result.file = nextHandle++;
    result.size = item.bytes.size();
    openItems()[result.file] = std::move(item);
    return result;
}

Opened failedToOpen(const QString& error)
{
    Opened result;
    result.failure = Failure::Other;
    result.error = error;
    return result;
}

bool isOpen(const QString& path)
{
    for (const auto& [handle, item] : openItems())
        if (item.path == path)
            return true;
    return false;
}

}  // namespace

// An item is a regular file. Storage that refuses even to be read is taken for a file
// that is there and cannot be read (read() then says why), so that the player is told.
Contents Files::entry(const QString& path)
{
    Contents contents;
    const Item item = getItem(path);
    contents.kind = item.absent ? Kind::Absent : Kind::RegularFile;
    return contents;
}

qint64 Files::readSome(Handle file, char* into, qint64 size, QString&)
{
    OpenItem& item = openItems().at(file);
    const qint64 n = std::min<qint64>(size, item.bytes.size() - item.readFrom);
    std::copy_n(item.bytes.constData() + item.readFrom, n, into);
    item.readFrom += n;
    return n;
}

// Items are named by their whole path: there are no folders to make.
QString Files::makeFolders(const QString&) { return {}; }

Opened Files::open(const QString& path, Access access)
{
    if (access == Access::LockFile)
        return opened({path});
    const Item item = getItem(path);
    if (!item.error.isEmpty())
        return failedToOpen(item.error);
    if (item.absent)
        return failedToOpen(QStringLiteral("no such item"));
    return opened({path, item.bytes});
}

Opened Files::create(const QString& path, const QString&)
{
    if (!getItem(path).absent || isOpen(path))
        return failedToOpen(QStringLiteral("the item exists"));
    return opened({path});
}

Lock Files::lock(Handle, QString&) { return Lock::Held; }

bool Files::isAt(Handle, const QString&) { return true; }

Outcome Files::write(Handle file, const QByteArray& bytes) { return setItem(openItems().at(file).path, bytes); }

Outcome Files::truncate(Handle file, qint64 size)
{
    const QString path = openItems().at(file).path;
    const Item item = getItem(path);
    return item.error.isEmpty() ? setItem(path, item.bytes.left(size)) : Outcome{Failure::Other, item.error};
}

void Files::close(Handle file) { openItems().erase(file); }

// Setting an item replaces its value whole or, refused, leaves it as it was.
Outcome Files::replace(const QString& from, const QString& to)
{
    const Item item = getItem(from);
    if (!item.error.isEmpty() || item.absent)
        return {Failure::Other, item.absent ? QStringLiteral("no such item") : item.error};
    const Outcome set = setItem(to, item.bytes);
    if (set.ok())
        varnoth_storageRemove(from.toUtf8().constData());
    return set;
}

QStringList Files::names(const QString& folder, const QString& prefix)
{
    const QString start = folder + u'/';
    QStringList found;
    for (const QString& key : takeText(varnoth_storageKeys((start + prefix).toUtf8().constData())).split(u'\0', Qt::SkipEmptyParts))
        found += key.mid(start.size());
    return found;
}

void Files::removeIfUnlocked(const QString& path)
{
    if (!isOpen(path))
        varnoth_storageRemove(path.toUtf8().constData());
}

}  // namespace safefile
