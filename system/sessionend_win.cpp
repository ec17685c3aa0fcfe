#include "system/sessionend.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <windows.h>

namespace {

// Watches the messages of the program's windows for two requests to end:
// - WM_ENDSESSION: the session ends now. Qt asked the game to close already at
//   WM_QUERYENDSESSION (commitDataRequest); this is the last moment to do so, since the
//   process may be ended as soon as the message is answered.
// - WM_CLOSE that the player did not ask for: taskkill (without /F) and other programs
//   post WM_CLOSE to each of the program's windows. The close box and Alt+F4 send
//   WM_SYSCOMMAND SC_CLOSE first; a WM_CLOSE without it comes from outside. It is kept
//   from Qt, which would take it at an open box for Cancel and drop it at the window the
//   box blocks, and the game is closed as a whole instead, saving like a close.
class EndRequests : public QObject, public QAbstractNativeEventFilter {
public:
    explicit EndRequests(SessionEndSignals* owner) : QObject(owner), owner_(owner)
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~EndRequests() override
    {
        if (QCoreApplication* app = QCoreApplication::instance())
            app->removeNativeEventFilter(this);
    }
    EndRequests(const EndRequests&) = delete;
    EndRequests& operator=(const EndRequests&) = delete;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override
    {
        if (eventType != "windows_generic_MSG")
            return false;
        const MSG* msg = static_cast<const MSG*>(message);
        switch (msg->message) {
        case WM_SYSCOMMAND:
            if ((msg->wParam & 0xFFF0) == SC_CLOSE)
                closingByPlayer_ = msg->hwnd;
            return false;
        case WM_CLOSE:
            if (msg->hwnd == closingByPlayer_) {
                closingByPlayer_ = nullptr;
                return false;
            }
            emit owner_->received(WM_CLOSE);
            // A posted WM_CLOSE (taskkill's) comes through the event loop, which asks
            // for no result.
            if (result)
                *result = 0;
            return true;
        case WM_ENDSESSION:
            if (msg->wParam)
                emit owner_->received(WM_ENDSESSION);
            return false;  // Qt then tells the application it is about to quit
        default:
            return false;
        }
    }

private:
    SessionEndSignals* owner_;
    HWND closingByPlayer_ = nullptr;
};

}  // namespace

SessionEndSignals::SessionEndSignals(QObject* parent) : QObject(parent) { new EndRequests(this); }

SessionEndSignals::~SessionEndSignals() = default;

// Windows itself ends a program that does not answer the session's end in time, and a
// close from outside arrives as a message only the stuck window's thread could take:
// there is nothing for a second thread to do.
void SessionEndSignals::setLastResort(std::chrono::milliseconds, std::function<void()>) {}
void SessionEndSignals::watch(std::chrono::milliseconds, const std::function<void()>&) {}
