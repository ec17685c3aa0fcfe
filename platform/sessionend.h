// The ways a desktop session, a service manager or a terminal ends a program, turned into
// a Qt signal on the main thread, so that the program can close the normal way instead of
// dying mid-game with its record unsaved. On POSIX (sessionend_unix.cpp) these are SIGTERM,
// SIGHUP and SIGINT; on Windows (sessionend_win.cpp) the end of the session
// (WM_ENDSESSION) and a close asked from outside the program (taskkill's WM_CLOSE).
#pragma once

#include <QObject>

class SessionEndSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; one object per program.
    explicit SessionEndSignals(QObject* parent = nullptr);
    ~SessionEndSignals() override;
    SessionEndSignals(const SessionEndSignals&) = delete;
    SessionEndSignals& operator=(const SessionEndSignals&) = delete;

signals:
    // Emitted once for every request received (the signal's or the message's number); a
    // second request while the first is being handled waits its turn rather than cutting
    // the first short.
    void received(int signalNumber);

private:
    QObject* listener_ = nullptr;  // what the system's requests arrive through
};
