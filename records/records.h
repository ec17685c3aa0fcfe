// dat.ini: the time limit, the tries, the record holder and the record score, kept
// from one run to the next as one line of four comma-separated fields in GB18030.
#pragma once

#include "game/module1.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <functional>
#include <optional>

namespace records {

// Only this much of the file is ever read: four short fields fit many times over,
// and a huge or binary file costs no more than a small one.
constexpr qint64 maxReadBytes = qint64{64} * 1024;

// The four fields as read; a field is missing when the text ended before it.
using Fields = std::array<std::optional<QString>, 4>;

// Reads four fields. A field ends at a comma or a line end, so four lines read like one
// line; spaces around an unquoted field are dropped; a field that starts with a double
// quote runs to the next double quote. Whatever follows the fourth field is ignored.
Fields readFields(const QString& text);

// The file's text: the four fields joined by commas, CR LF, then an empty line.
// A field that would not read back intact is written in double quotes.
QString recordsText(const QString& timeLimit, qint16 maxTries, const QString& holder, const QString& score);

QByteArray encode(const QString& text);
QString decode(const QByteArray& bytes);

// Where dat.ini lives: next to the program, or, when the program's directory cannot be
// written (an installed copy), in the user's data directory.
class RecordsFile {
public:
    using WritableProbe = std::function<bool(const QString& directory)>;

    RecordsFile(QString programDirectory, QString userDirectory, WritableProbe probe = canCreateFilesIn);

    // The file next to the running program, falling back to the user's data directory.
    static RecordsFile forThisProgram();
    static bool canCreateFilesIn(const QString& directory);

    QString programFile() const;
    QString userFile() const;
    // The file to read: the user's copy only if the program's directory is not writable
    // and the user has one.
    QString loadPath() const;
    QString savePath() const;

private:
    bool programDirectoryWritable() const;

    QString programDirectory_;
    QString userDirectory_;
    WritableProbe probe_;
};

// Fills TimeLimit, MaxTries, RecordName and RecordScore from the file, or with the
// defaults 300, 9, "Zadrevik", 1000 when there is no ordinary file of that name.
void LoadRecords(Module1& module, const RecordsFile& file);

// The rules by which the four fields become the four variables (see LoadRecords).
void applyFields(Module1& module, const Fields& fields);
void applyDefaults(Module1& module);

struct SaveResult {
    bool ok = false;
    QString path;
    QString error;
};

// Writes TimeLimit, MaxTries and the holder and score captions. The old file is
// replaced only once the whole new text is written, so a failed save loses nothing.
SaveResult SaveRecords(const Module1& module, const QString& holderCaption, const QString& scoreCaption,
                       const RecordsFile& file);

}  // namespace records
