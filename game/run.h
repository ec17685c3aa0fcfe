// When and how the records are saved: once per run, as the window closes or as the session
// ends, from whichever thread gets there first; at once when the session ends with boxes
// still open; and what the player is told about the file. It knows no window: the window
// hands it the values it shows.
#pragma once

#include "records/store.h"

#include <mutex>

class RecordsKeeper {
public:
    explicit RecordsKeeper(records::RecordsFile file, safefile::Files& files = safefile::systemFiles());

    // LoadRecords: the four variables as the file or the defaults give them.
    records::Records load();
    // What to tell the player once the window is up about the file just loaded ("" for nothing).
    QString toldAtStart() const;

    // The records as the window shows them now, kept for a save from another thread.
    void remember(const records::Records& shown);

    // SaveRecords, once per run: the first of save() and saveRemembered() saves, and any
    // later call does nothing. Returns what to tell the player ("" for nothing).
    QString save(const records::Records& shown);
    // From any thread (the session ends while the window's thread is stuck): saves the values
    // remembered last. True if this call saved them.
    bool saveRemembered();
    // Saves now without counting as the run's save, for a session that ends with a box open:
    // Windows may end the program before the box has closed and the window saves again.
    void saveAhead(const records::Records& asTheyWillStand);

private:
    // The run's one save: of ours, or of the values remembered last; nothing after the first.
    std::optional<records::SaveResult> saveOnce(const std::optional<records::Records>& ours);

    records::RecordsFile file_;
    safefile::Files& files_;
    records::Records loaded_;  // what dat.ini held at start
    records::LoadOutcome loadOutcome_ = records::LoadOutcome::Absent;
    std::mutex mutex_;  // guards the two below and every save, which another thread may make
    records::Records shownLast_;
    bool saved_ = false;
};
