// dat.ini: the time limit, the tries, the record holder and the record score, kept
// from one run to the next as one line of four comma-separated fields in GB18030.
#pragma once

#include "controls/variant.h"

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

// At most maxNameLength characters, counted as characters (a character outside the BMP
// counts once and is never cut in two; half of one, which no file can carry, is dropped; no
// blanks are left at the end of a cut).
QString cappedName(const QString& name);

// The file's text: the four fields joined by commas, CR LF, then an empty line.
// A field that would not read back intact is written in double quotes; the name is
// capped at maxNameLength characters.
QString recordsText(const QString& timeLimit, qint16 maxTries, const QString& holder, const QString& score);

// GB18030, through Qt's codec or, in a Qt built without ICU, the game's own; nothing
// (never for a text that went through cappedName) when the text has half a character.
std::optional<QByteArray> encode(const QString& text);
std::optional<QString> decode(const QByteArray& bytes);  // undecodable bytes become U+FFFD
bool haveCodec();

// The text of the file's bytes. The game writes GB18030 without a byte-order mark; a file
// that starts with one (UTF-8 or GB18030) is read past it, in UTF-8 after UTF-8's, and a
// file that starts with UTF-16's mark is read as UTF-16. Bytes that are no text in that
// encoding make the file Damaged. An incomplete file (only its first maxReadBytes were
// read) may end inside a character.
struct FileText {
    enum class Status { Ok, Damaged, NoCodec } status = Status::Ok;
    QString text;
    bool ownEncoding = true;  // GB18030 without a mark, as the game writes it
    QString error;            // what is wrong with a Damaged file
};
FileText fileText(const QByteArray& bytes, bool complete = true);

// The four variables that the file fills and the game keeps, under the game's names: the
// time limit (a number, or the text of one), the tries, the holder and the record.
struct Variables {
    vb::Variant TimeLimit;
    qint16 MaxTries = 0;
    vb::Variant RecordName;
    vb::Variant RecordScore;
};

// 300, 9, "Zadrevik", 1000.
Variables defaults();
// The rules by which the four fields become the four variables (see LoadRecords).
Variables variablesFrom(const Fields& fields);

// The four values of the file, as the texts that are written.
struct Values {
    QString timeLimit;
    qint16 maxTries = 0;
    QString holder;
    QString score;
    bool operator==(const Values&) const = default;
};

// The variables as LoadRecords left them, as texts.
Values valuesOf(const Variables& variables);

// What a save writes when the file may have changed since this copy loaded it (another
// copy of the game saved meanwhile): the higher record with its holder (on a tie, this
// copy's if it set a record during its run), and each setting as this copy has it if it
// changed it during its run, otherwise as the file has it now.
Values merged(const Values& loaded, const Values& ours, const std::optional<Values>& onDisk);

// The folder that holds dat.ini. A copy installed under a prefix (recognised by the data
// folder share/varnoth that the install rules put beside its bin or games folder) keeps
// it in the user's data folder ("" when the user has none); any other copy keeps it beside
// the program. Folders are paths as records/safefile.h holds them.
QString recordsFolder(const QString& programDirectory, const QString& userDataDirectory);

// Where dat.ini lives.
class RecordsFile {
public:
    explicit RecordsFile(QString folder);

    // For the running program: see recordsFolder.
    static RecordsFile forThisProgram();

    QString folder() const { return folder_; }
    QString path() const;         // "" when there is no folder for it
    QString displayPath() const;  // the path for the player and the log

private:
    QString folder_;
};

enum class LoadOutcome {
    Loaded,      // read from the file
    Absent,      // no regular file of that name: defaults
    Unreadable,  // a regular file that could not be read: defaults
    Damaged,     // a regular file that holds bytes that are no text: defaults
};

struct LoadResult {
    LoadOutcome outcome = LoadOutcome::Absent;
    QString path;   // for the player and the log
    QString error;  // why an unreadable or damaged file could not be used
    Variables variables;
};

// TimeLimit, MaxTries, RecordName and RecordScore from the file, or the defaults 300, 9,
// "Zadrevik", 1000 when there is no regular file of that name (a symbolic link, a
// directory or a device counts as none), it cannot be read or it is damaged.
LoadResult LoadRecords(const RecordsFile& file);

enum class SaveProblem {
    None,
    NotARegularFile,  // something else stands at dat.ini's place; left untouched
    NoCodec,          // GB18030 is not available; the old file is left as it was
    Unencodable,      // the text holds what GB18030 cannot carry; the old file is left as it was
    WriteFailed,      // the folder or the disk refused; the old file is left as it was
    WriteProtected,   // the player made dat.ini read-only; it is left as it was
    Busy,             // another copy held the lock all the while; the old file is left as it was
    KeptChanging,     // the file changed under every attempt to merge; left as it last was
};

struct SaveResult {
    bool ok = false;
    QString path;  // for the player and the log
    SaveProblem problem = SaveProblem::None;
    QString error;  // the system's words, for the log
    bool written = false;           // the file was written (not so when it already held the text)
    bool inPlace = false;           // written over the old file, the folder taking no new file
    bool replacedUnusable = false;  // the file replaced could not be read or was damaged
};

// Writes the values merged with what the file holds just before it is replaced, under a
// lock that other copies of the game respect; the merge is made again if the file changed
// meanwhile. The old file is replaced only once the whole new text is on the disk, and
// never through a link or over anything that is not a regular file. A file that already
// holds the text is not written; a read-only one is left alone. Where the folder takes no
// new file but dat.ini may be written, the text is written into it in place.
SaveResult SaveRecords(const Values& loaded, const Values& ours, const RecordsFile& file);

}  // namespace records
