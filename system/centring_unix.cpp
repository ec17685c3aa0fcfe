#include "system/centring.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QThread>
#include <QWidget>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

namespace {

// How long the window manager may take to answer; one that does not answer in time gets
// the window without its frame counted, as a window manager that draws none does.
constexpr int answerWithinMs = 250;
constexpr int askAgainAfterMs = 2;

template <typename Reply>
using ReplyPointer = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply>
ReplyPointer<Reply> owned(Reply* reply)
{
    return ReplyPointer<Reply>(reply, &std::free);
}

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    const auto reply = owned(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// Whether the window manager says it answers that request (_NET_SUPPORTED on the root).
bool supported(xcb_connection_t* connection, xcb_window_t root, xcb_atom_t request)
{
    const xcb_atom_t netSupported = atom(connection, "_NET_SUPPORTED");
    const auto reply = owned(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, root, netSupported, XCB_ATOM_ATOM, 0, 4096), nullptr));
    if (!reply || reply->format != 32)
        return false;
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / static_cast<int>(sizeof(xcb_atom_t));
    return std::find(atoms, atoms + count, request) != atoms + count;
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
QMargins frameBeforeShow(QWidget& window)
{
    // Wayland's compositor places the window, whatever position it asks for; Qt's offscreen
    // platform has no window manager.
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !x11 || !x11->connection())
        return {};
    xcb_connection_t* connection = x11->connection();
    const auto id = static_cast<xcb_window_t>(window.winId());
    const auto geometry = owned(xcb_get_geometry_reply(connection, xcb_get_geometry(connection, id), nullptr));
    const xcb_atom_t request = atom(connection, "_NET_REQUEST_FRAME_EXTENTS");
    const xcb_atom_t extents = atom(connection, "_NET_FRAME_EXTENTS");
    if (!geometry || !supported(connection, geometry->root, request))
        return {};
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = id;
    message.type = request;
    xcb_send_event(connection, 0, geometry->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection);
    QElapsedTimer waited;
    waited.start();
    do {
        if (const std::optional<QMargins> frame = frameExtents(connection, id, extents))
            return *frame;
        QThread::msleep(askAgainAfterMs);
    } while (waited.elapsed() < answerWithinMs);
    return {};
}
