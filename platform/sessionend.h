// The signals by which a desktop session, systemd or a terminal ends a program (SIGTERM,
// SIGHUP, SIGINT), turned into a Qt signal on the main thread, so that the program can
// close the normal way instead of dying mid-game with its record unsaved.
#pragma once

#include <QObject>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class QSocketNotifier;

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
    // Emitted once for every signal received; a second signal while the first is being
    // handled waits its turn rather than cutting the first short.
    void received(int signalNumber);

private:
    void readPending();

    void watch(std::chrono::milliseconds grace, const std::function<void()>& lastResort);

    QSocketNotifier* notifier_ = nullptr;
    std::thread watcher_;
    std::mutex mutex_;
    std::condition_variable stop_;
    bool stopping_ = false;
};
