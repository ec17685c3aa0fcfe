// sessionend.h in a web page. The page's session ends when it is hidden for good: closed,
// reloaded or left for another page. The browser says so with "pagehide", which desktop and
// phone browsers fire in each case, also for a page kept in the back-forward cache (which
// comes back as a fresh page: packaging/web/index.html reloads it). "beforeunload" and "unload" do
// not fire reliably on phones, and "visibilitychange" fires as well when the player only
// switches to another tab and comes back to the game. The handler runs at once, within the
// event: the records are saved before the page goes. There are no threads to fall back on.
#include "system/sessionend.h"

#include <emscripten.h>

extern "C" void varnoth_listenForPageHide();  // system/page_wasm.js

namespace {

SessionEndSignals* listening = nullptr;

}  // namespace

extern "C" EMSCRIPTEN_KEEPALIVE void varnoth_pageHidden()
{
    if (listening)
        emit listening->received(0);
}

SessionEndSignals::SessionEndSignals(QObject* parent) : QObject(parent)
{
    if (!listening)
        varnoth_listenForPageHide();
    listening = this;
}

SessionEndSignals::~SessionEndSignals()
{
    if (listening == this)
        listening = nullptr;
}

void SessionEndSignals::setLastResort(std::chrono::milliseconds, std::function<void()>) {}

void SessionEndSignals::watch(std::chrono::milliseconds, const std::function<void()>&) {}
