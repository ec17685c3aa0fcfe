// dat.ini: the time limit, the tries, the record holder and the record score, kept
// from one run to the next as one line of four comma-separated fields in GB18030.
#pragma once

#include "game/module1.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <optional>

namespace records {

// Only this much of the file is ever read: four short fields fit many times over,
// and a huge or binary file costs no more than a small one.
constexpr qint64 maxReadBytes = qint64{64} * 1024;

// The longest record holder's name kept, in characters, however it was made (typed,
// or read from a file). With it, and number fields no longer than maxNumberLength, a
// file the game writes is a few hundred bytes: always far inside maxReadBytes.
constexpr int maxNameLength = 32;
constexpr int maxNumberLength = 32;

// The four fields as read; a field is missing when the text ended before it.
using Fields = std::array<std::optional<QString>, 4>;

// Reads four fields. A field ends at a comma or a line end, so four lines read like one
// line; spaces around an unquoted field are dropped; a field that starts with a double
// quote runs to the next double quote. Whatever follows the fourth field is ignored.
Fields readFields(const QString& text);

// At most maxNameLength characters (a character outside the BMP is never cut in two; no
// blanks are left at the end of a cut).
QString cappedName(const QString& name);

// The file's text: the four fields joined by commas, CR LF, then an empty line.
// A field that would not read back intact is written in double quotes; the name is
// capped at maxNameLength characters.
QString recordsText(const QString& timeLimit, qint16 maxTries, const QString& holder, const QString& score);

// GB18030; nothing when the system has no such codec (a Qt built without ICU or iconv).
std::optional<QByteArray> encode(const QString& text);
std::optional<QString> decode(const QByteArray& bytes);

// The four values of the file, as the texts that are written.
struct Values {
    QString timeLimit;
    qint16 maxTries = 0;
    QString holder;
    QString score;
    bool operator==(const Values&) const = default;
};

// TimeLimit, MaxTries, RecordName and RecordScore as LoadRecords left them.
Values valuesOf(const Module1& module);

// What a save writes when the file may have changed since this copy loaded it (another
// copy of the game saved meanwhile): the higher record with its holder (on a tie, this
// copy's if it set a record during its run), and each setting as this copy has it if it
// changed it during its run, otherwise as the file has it now.
Values merged(const Values& loaded, const Values& ours, const std::optional<Values>& onDisk);

// The folder that holds dat.ini. A copy installed under a prefix (recognised by the data
// folder share/varnoth that the install rules put beside its bin or games folder) keeps
// it in the user's data folder; any other copy keeps it beside the program.
QString recordsFolder(const QString& programDirectory, const QString& userDataDirectory);

// Where dat.ini lives.
class RecordsFile {
public:
    explicit RecordsFile(QString folder);

    // For the running program: see recordsFolder.
    static RecordsFile forThisProgram();

    QString folder() const { return folder_; }
    QString path() const;

private:
    QString folder_;
};

enum class LoadOutcome {
    Loaded,      // read from the file
    Absent,      // no regular file of that name: defaults
    Unreadable,  // a regular file that could not be read: defaults
};

struct LoadResult {
    LoadOutcome outcome = LoadOutcome::Absent;
    QString path;
    QString error;  // why an unreadable file could not be read
};

// Fills TimeLimit, MaxTries, RecordName and RecordScore from the file, or with the
// defaults 300, 9, "Zadrevik", 1000 when there is no regular file of that name (a
// symbolic link, a directory or a device counts as none) or it cannot be read.
LoadResult LoadRecords(Module1& module, const RecordsFile& file);

// The rules by which the four fields become the four variables (see LoadRecords).
void applyFields(Module1& module, const Fields& fields);
void applyDefaults(Module1& module);

enum class SaveProblem {
    None,
    NotARegularFile,  // something else stands at dat.ini's place; left untouched
    NoCodec,          // GB18030 is not available; the old file is left as it was
    WriteFailed,      // the folder or the disk refused; the old file is left as it was
};

struct SaveResult {
    bool ok = false;
    QString path;
    SaveProblem problem = SaveProblem::None;
    QString error;  // the system's words, for the log
};

// Writes the values (merged with what the file holds now, under a lock that other copies
// of the game respect). The old file is replaced only once the whole new text is on the
// disk, and never through a link or over anything that is not a regular file.
SaveResult SaveRecords(const Values& loaded, const Values& ours, const RecordsFile& file);

}  // namespace records
