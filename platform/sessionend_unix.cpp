#include "platform/sessionend.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const int endingSignals[] = {SIGTERM, SIGHUP, SIGINT};

// The handler may only do what is safe in a signal handler: it writes the signal's
// number into a socket that the main thread watches.
int signalSocket[2] = {-1, -1};

void onSignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(signalSocket[0], &byte, 1);
    errno = savedErrno;
}

}  // namespace

SessionEndSignals::SessionEndSignals(QObject* parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSocket) != 0) {
        std::perror("varnoth: socketpair");
        return;
    }
    auto* notifier = new QSocketNotifier(signalSocket[1], QSocketNotifier::Read, this);
    listener_ = notifier;
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

