// dat.ini's text: the time limit, the tries, the record holder and the record score as
// one line of four comma-separated fields in GB18030, read and written without a file.
#pragma once

#include "text/variant.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <optional>

namespace records {

// Only this much of the file is ever read: four short fields fit many times over, and a
// huge or binary file costs no more than a small one. A holder's name is kept to
// maxNameLength characters however it was made (typed or read), and a number field to
// maxNumberLength, so a file the game writes stays a few hundred bytes.
constexpr qint64 maxReadBytes = qint64{64} * 1024;
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

struct Records;
// The file's text: the four values joined by commas, CR LF, then an empty line. A field
// that would not read back intact is written in double quotes; the name is capped.
QString recordsText(const Records& records);

// GB18030 by the game's own codec (text/gb18030.h), the same bytes on every system;
// nothing when the text has half a character (never one that went through cappedName).
std::optional<QByteArray> encode(const QString& text);

// The text of the file's bytes. The game writes GB18030 without a byte-order mark; a file
// that starts with one (UTF-8 or GB18030) is read past it, in UTF-8 after UTF-8's, and a
// file that starts with UTF-16's mark is read as UTF-16. Bytes that are no text in that
// encoding make the file damaged. An incomplete file (only its first maxReadBytes were
// read) may end inside a character.
struct FileText {
    QString text;
    bool ownEncoding = true;  // GB18030 without a mark, as the game writes it
    QString damage;           // what is wrong with a damaged file; empty when it is not
};
FileText fileText(const QByteArray& bytes, bool complete = true);

// The four values dat.ini keeps, under the game's names (Module1 holds them so): the time
// limit and the record are a number or the text of one, the holder a text. Two are the
// same when the file would hold the same texts for them (300 and "300" alike).
struct Records {
    vb::Variant TimeLimit;
    qint16 MaxTries = 0;
    vb::Variant RecordName;
    vb::Variant RecordScore;
    bool operator==(const Records& other) const;
};

// 300, 9, "Zadrevik", 1000 (records/defaults.h).
Records defaultRecords();
// The rules by which the four fields become the four values (see LoadRecords).
Records recordsFrom(const Fields& fields);

// What a save writes when the file may have changed since this copy loaded it (another
// copy of the game saved meanwhile): the higher record with its holder (on a tie, this
// copy's if it set a record during its run), and each setting as this copy has it if it
// changed it during its run, otherwise as the file has it now.
Records merged(const Records& loaded, const Records& ours, const std::optional<Records>& onDisk);

}  // namespace records
