// What safefile.h makes of the system's calls, alike on every system.
#include "records/safefile.h"

#include <QThread>
#include <chrono>

namespace safefile {

Contents Files::read(const QString& path, qint64 maxBytes)
{
    Contents contents = entry(path);
    if (contents.kind != Kind::RegularFile)
        return contents;
    const Opened opened = open(path, Access::Read);
    if (!opened.ok()) {
        if (Contents now = entry(path); now.kind != Kind::RegularFile)
            return now;  // removed, or replaced by something else, meanwhile
        contents.readable = false;
        contents.error = opened.error;
        return contents;
    }
    contents.bytes.resize(maxBytes + 1);  // one byte more tells whether there is more
    qsizetype got = 0;
    for (qint64 n = 1; n > 0 && got < contents.bytes.size(); got += std::max<qint64>(n, 0))
        n = readSome(opened.file, contents.bytes.data() + got, contents.bytes.size() - got, contents.error);
    close(opened.file);
    contents.readable = contents.error.isEmpty();
    contents.complete = got <= maxBytes;
    contents.bytes.truncate(std::min<qsizetype>(got, maxBytes));
    return contents;
}

void Files::pause(int ms) { QThread::msleep(static_cast<unsigned long>(ms)); }

qint64 Files::now()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

Files& systemFiles()
{
    static Files files;
    return files;
}

}  // namespace safefile
