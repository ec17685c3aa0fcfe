#include "system/sessionend.h"

#include "system/console.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const int endingSignals[] = {SIGTERM, SIGHUP, SIGINT};

// The handler may only do what is safe in a signal handler: it writes the signal's
// number into a socket that the main thread watches, and into one that the last-resort
// thread waits on.
int signalSocket[2] = {-1, -1};
int watchSocket[2] = {-1, -1};

void onSignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(signalSocket[0], &byte, 1);
    if (watchSocket[0] >= 0)
        [[maybe_unused]] const ssize_t alsoWritten = ::write(watchSocket[0], &byte, 1);
    errno = savedErrno;
}

}  // namespace

SessionEndSignals::SessionEndSignals(QObject* parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSocket) != 0) {
        logLine(QStringLiteral("socketpair: %1").arg(qt_error_string(errno)));
        return;
    }
    auto* notifier = new QSocketNotifier(signalSocket[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        if (::read(signalSocket[1], &byte, 1) == 1)
            emit received(byte);
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // a save in progress is not interrupted by a second signal
    for (int signalNumber : endingSignals)
        ::sigaction(signalNumber, &action, nullptr);
}

SessionEndSignals::~SessionEndSignals()
{
    if (watcher_.joinable()) {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        stop_.notify_all();
        ::shutdown(watchSocket[1], SHUT_RDWR);  // wakes the thread if it still waits for a signal
        watcher_.join();
        for (int& fd : watchSocket) {
            ::close(fd);
            fd = -1;
        }
    }
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int signalNumber : endingSignals)
        ::sigaction(signalNumber, &action, nullptr);
    for (int& fd : signalSocket) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void SessionEndSignals::setLastResort(std::chrono::milliseconds grace, std::function<void()> lastResort)
{
    if (watcher_.joinable() || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, watchSocket) != 0)
        return;
    watcher_ = std::thread([this, grace, lastResort = std::move(lastResort)] { watch(grace, lastResort); });
}

void SessionEndSignals::watch(std::chrono::milliseconds grace, const std::function<void()>& lastResort)
{
    unsigned char byte = 0;
    if (::read(watchSocket[1], &byte, 1) != 1)
        return;
    std::unique_lock lock(mutex_);
    if (stop_.wait_for(lock, grace, [this] { return stopping_; }))
        return;
    lock.unlock();
    lastResort();
}
