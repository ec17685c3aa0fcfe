#include "system/centring.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <thread>

namespace {

// How long the window manager may take to answer; one that does not answer in time gets
// the window without its frame counted, as a window manager that draws none does.
constexpr int answerWithinMs = 250;
constexpr auto askAgainAfter = std::chrono::microseconds(250);
// Set on a window whose frame has been asked for.
const char* const frameAskedProperty = "varnoth_frameAsked";

template <typename Reply>
using ReplyPointer = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply>
ReplyPointer<Reply> owned(Reply* reply)
{
    return ReplyPointer<Reply>(reply, &std::free);
}

xcb_connection_t* x11Connection()
{
    // Wayland's compositor places the window, whatever position it asks for; Qt's offscreen
    // platform has no window manager.
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !x11)
        return nullptr;
    return x11->connection();
}

struct FrameAtoms {
    xcb_atom_t request = XCB_ATOM_NONE;  // _NET_REQUEST_FRAME_EXTENTS
    xcb_atom_t extents = XCB_ATOM_NONE;  // _NET_FRAME_EXTENTS
    bool answered = false;               // the window manager says it answers the request
};

// What the window manager offers, found once for the program (its root's _NET_SUPPORTED),
// in two round trips: the atoms and the root together, then the root's list.
const FrameAtoms& frameAtoms(xcb_connection_t* connection, xcb_window_t window)
{
    static const FrameAtoms atoms = [connection, window] {
        const char* const names[] = {"_NET_SUPPORTED", "_NET_REQUEST_FRAME_EXTENTS", "_NET_FRAME_EXTENTS"};
        std::array<xcb_intern_atom_cookie_t, std::size(names)> cookies{};
        for (size_t i = 0; i < cookies.size(); ++i)
            cookies[i] = xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(names[i])), names[i]);
        const xcb_get_geometry_cookie_t geometryCookie = xcb_get_geometry(connection, window);
        std::array<xcb_atom_t, std::size(names)> interned{};
        for (size_t i = 0; i < cookies.size(); ++i) {
            const auto reply = owned(xcb_intern_atom_reply(connection, cookies[i], nullptr));
            interned[i] = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        }
        const auto geometry = owned(xcb_get_geometry_reply(connection, geometryCookie, nullptr));
        FrameAtoms found{interned[1], interned[2], false};
        if (!geometry)
            return found;
        const auto supported = owned(xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, geometry->root, interned[0], XCB_ATOM_ATOM, 0, 4096), nullptr));
        if (supported && supported->format == 32) {
            const auto* list = static_cast<const xcb_atom_t*>(xcb_get_property_value(supported.get()));
            const int count = xcb_get_property_value_length(supported.get()) / static_cast<int>(sizeof(xcb_atom_t));
            found.answered = std::find(list, list + count, found.request) != list + count;
        }
        return found;
    }();
    return atoms;
}

// _NET_FRAME_EXTENTS of the window: left, right, top, bottom.
std::optional<QMargins> frameExtents(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t extents)
{
    const auto reply = owned(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, extents, XCB_ATOM_CARDINAL, 0, 4), nullptr));
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) != 16)
        return std::nullopt;
    const auto* v = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    return QMargins(static_cast<int>(v[0]), static_cast<int>(v[2]), static_cast<int>(v[1]), static_cast<int>(v[3]));
}

}  // namespace

// A window manager that follows the EWMH estimates the frame of a window not yet mapped
// when asked, and writes it into the window's _NET_FRAME_EXTENTS.
void askForFrame(QWidget& window)
{
    xcb_connection_t* connection = x11Connection();
    if (!connection)
        return;
    const auto id = static_cast<xcb_window_t>(window.winId());
    const FrameAtoms& atoms = frameAtoms(connection, id);
    if (!atoms.answered)
        return;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = id;
    message.type = atoms.request;
    xcb_send_event(connection, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection);
    window.setProperty(frameAskedProperty, true);
}

QMargins frameBeforeShow(QWidget& window)
{
    xcb_connection_t* connection = x11Connection();
    if (!connection)
        return {};
    if (!window.property(frameAskedProperty).toBool())
        askForFrame(window);
    if (!window.property(frameAskedProperty).toBool())
        return {};
    const auto id = static_cast<xcb_window_t>(window.winId());
    const xcb_atom_t extents = frameAtoms(connection, id).extents;
    QElapsedTimer waited;
    waited.start();
    do {
        if (const std::optional<QMargins> frame = frameExtents(connection, id, extents))
            return *frame;
        std::this_thread::sleep_for(askAgainAfter);
    } while (waited.elapsed() < answerWithinMs);
    return {};
}

bool shownWindowsWaitToBeMapped() { return true; }
