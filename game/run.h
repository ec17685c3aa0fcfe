// How a run of the game ends, decided in one place: the records, loaded at start, are saved
// once, as the window closes or as the session ends (a logout, SIGTERM, Windows' end of
// session), from whichever thread gets there first, so a stuck window is not waited for;
// the boxes open meanwhile are counted, and cancelled when the session ends; and the player
// is told what became of the file. It knows no window: the window tells it the records it
// shows, and it asks the window to close.
#pragma once

#include "records/store.h"

#include <QObject>
#include <functional>
#include <memory>
#include <mutex>
#include <type_traits>

class QGuiApplication;
class SessionEndSignals;

class Run : public QObject {
public:
    explicit Run(records::RecordsFile file, safefile::Files& files = safefile::systemFiles());
    ~Run() override;
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    // LoadRecords: the four values as the file or the defaults give them.
    records::Records load();
    // What to tell the player once the window is up about the file just loaded ("" for nothing).
    QString toldAtStart() const;

    // The window: the records as it shows them now, as they will stand once any open box is
    // cancelled, and how to close it.
    void attachWindow(std::function<records::Records()> shownOnceBoxesCancelled, std::function<void()> close);

    // The records as the window shows them, kept after every change for a save from another
    // thread, should the window's own be stuck when the session ends.
    void remember(const records::Records& shown);

    // Runs a modal box, counting it open. While the session ends no box opens, and one that
    // was open counts as cancelled (its result is the empty one); the window is closed once
    // the last box has returned and its handler has finished.
    template <typename F>
    auto modal(F&& box) -> decltype(box());
    bool boxOpen() const { return openBoxes_ > 0; }

    // The window closes: SaveRecords, the run's one save (none after the first). Returns
    // what to tell the player ("" for nothing).
    QString windowCloses(const records::Records& shown);

    // The session ends: every open box is cancelled (the settings dialog commits, as closing
    // it does), and the window closes the normal way, saving the records. With a box open the
    // records are saved at once as well, as they will stand once it is cancelled: Windows
    // may end the program as soon as it has answered the end of the session.
    void sessionEnds();

    // For the whole program: the system's ways of ending it (system/sessionend.h) and the
    // desktop's session manager end the session; should the window's thread still be stuck
    // 10 s later, the records remembered last are saved from another thread and the program
    // ends all the same.
    void watchSessionEnd(QGuiApplication& app);

    // From any thread: the run's one save, of the records remembered last. True if this
    // call saved them.
    bool saveRemembered();

private:
    std::optional<records::SaveResult> saveOnce(const std::optional<records::Records>& ours);
    void boxClosed();

    records::RecordsFile file_;
    safefile::Files& files_;
    records::Records loaded_;  // what dat.ini held at start
    records::LoadOutcome loadOutcome_ = records::LoadOutcome::Absent;
    std::function<records::Records()> shownOnceBoxesCancelled_;
    std::function<void()> closeWindow_;
    std::unique_ptr<SessionEndSignals> endSignals_;
    int openBoxes_ = 0;
    bool sessionEnding_ = false;
    std::mutex mutex_;  // guards the two below and every save, which another thread may make
    records::Records shownLast_;
    bool saved_ = false;
};

template <typename F>
auto Run::modal(F&& box) -> decltype(box())
{
    using Result = decltype(box());
    if (sessionEnding_)
        return Result();
    ++openBoxes_;
    if constexpr (std::is_void_v<Result>) {
        box();
        boxClosed();
    } else {
        Result result = box();
        boxClosed();
        return sessionEnding_ ? Result() : result;
    }
}
