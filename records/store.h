// Where dat.ini lives, and the two operations on it: LoadRecords at the start of a run and
// SaveRecords at its end, which keeps what another copy of the game saved meanwhile.
#pragma once

#include "records/records.h"
#include "records/safefile.h"

#include <cstdint>

namespace records {

// The folder that holds dat.ini: the user's data folder ("" when there is none) for a copy
// installed under a prefix (recognised by the share/varnoth beside its bin or games folder),
// otherwise the program's own. Paths as system/folders.h holds them.
QString recordsFolder(const QString& programDirectory, const QString& userDataDirectory);

struct RecordsFile {
    QString folder;  // "" when there is none
    static RecordsFile forThisProgram();  // see recordsFolder
    QString path() const;                 // "" when there is no folder
    QString displayPath() const;          // the path for the player and the log
};

enum class LoadOutcome : std::uint8_t {
    Loaded,      // read from the file
    Absent,      // no regular file of that name: defaults
    Unreadable,  // a regular file that could not be read: defaults
    Damaged,     // a regular file that holds bytes that are no text: defaults
};

struct LoadResult {
    LoadOutcome outcome = LoadOutcome::Absent;
    QString error{};  // why an unreadable or damaged file could not be used
    Records records;
};

// The four values from the file, or the defaults when it is no regular file (a link, a
// folder or a device), cannot be read or is damaged.
LoadResult LoadRecords(const RecordsFile& file, safefile::Files& files = safefile::systemFiles());

// Saves take milliseconds, a slow disk a few seconds. A copy that holds the lock longer (it
// hangs, or it is stopped) is waited for this long; then the save gives up, and says so,
// rather than replace what that copy may be about to write.
constexpr int lockWaitMs = 30000;
constexpr int lockPollMs = 20;  // between attempts

enum class SaveProblem : std::uint8_t {
    None,
    NotARegularFile,  // something else stands at dat.ini's place; left untouched
    Unencodable,      // the text holds what GB18030 cannot carry; the old file is left as it was
    WriteFailed,      // the folder or the disk refused; the old file is left as it was
    WriteProtected,   // the player made dat.ini read-only; it is left as it was
    Busy,             // another copy held the lock all the while; the old file is left as it was
    LockUnopenable,   // all the while, a lock file stood there that this user may not open
    KeptChanging,     // the file changed under every attempt to merge; left as it last was
};

struct SaveResult {
    SaveProblem problem = SaveProblem::None;
    QString error{};                // the system's words, for the log
    bool written = false;           // the file was written (not so when it already held the text)
    bool replacedUnusable = false;  // the file replaced could not be read or was damaged
    bool unchanged = true;          // after a failure: the file is as it was when the save began
    bool ok() const { return problem == SaveProblem::None; }
};

// Writes ours merged with what the file holds, under a lock other copies of the game respect,
// merging again if the file changed meanwhile. The old file is replaced, never through a link
// nor over anything but a regular file, once the new text is on the disk; where the folder
// takes no new file, it is written in place. A file that holds the text already is not
// written, a read-only one is left alone, and what a killed copy's save left behind goes.
SaveResult SaveRecords(const Records& loaded, const Records& ours, const RecordsFile& file,
                       safefile::Files& files = safefile::systemFiles());

}  // namespace records
