// The signals by which a desktop session, systemd or a terminal ends a program (SIGTERM,
// SIGHUP, SIGINT), turned into a Qt signal on the main thread, so that the program can
// close the normal way instead of dying mid-game with its record unsaved.
#pragma once

#include <QObject>

class QSocketNotifier;

class SessionEndSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; one object per program.
    explicit SessionEndSignals(QObject* parent = nullptr);
    ~SessionEndSignals() override;
    SessionEndSignals(const SessionEndSignals&) = delete;
    SessionEndSignals& operator=(const SessionEndSignals&) = delete;

signals:
    // Emitted once for every signal received; a second signal while the first is being
    // handled waits its turn rather than cutting the first short.
    void received(int signalNumber);

private:
    void readPending();

    QSocketNotifier* notifier_ = nullptr;
};
