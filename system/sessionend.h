// The ways a desktop session, a service manager or a terminal ends a program, turned into
// a Qt signal on the main thread, so that the program can close the normal way instead of
// dying mid-game with its record unsaved. On POSIX (sessionend_unix.cpp) these are SIGTERM,
// SIGHUP and SIGINT; on Windows (sessionend_win.cpp) the end of the session
// (WM_ENDSESSION) and a close asked from outside the program (taskkill's WM_CLOSE).
#pragma once

#include <QObject>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class SessionEndSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; one object per program.
    explicit SessionEndSignals(QObject* parent = nullptr);
    ~SessionEndSignals() override;
    SessionEndSignals(const SessionEndSignals&) = delete;
    SessionEndSignals& operator=(const SessionEndSignals&) = delete;

    // Should the program still run this long after a signal (its window's thread is stuck
    // and cannot answer it), lastResort runs on a thread of its own, to save what it can
    // and end the process. Never once this object is gone.
    void setLastResort(std::chrono::milliseconds grace, std::function<void()> lastResort);

signals:
    // Emitted once for every request received (the signal's or the message's number); a
    // second request while the first is being handled waits its turn rather than cutting
    // the first short.
    void received(int signalNumber);

private:
    void watch(std::chrono::milliseconds grace, const std::function<void()>& lastResort);

    std::thread watcher_;
    std::mutex mutex_;
    std::condition_variable stop_;
    bool stopping_ = false;
};
