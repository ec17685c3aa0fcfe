// Where a window opens, and when it is first painted. A window is centred on its screen by
// its outer size, frame and title bar included. The window manager draws the frame only once the window shows, so each system
// says beforehand how large it will be: on X11 (centring_unix.cpp) the window manager is
// asked for its estimate (_NET_REQUEST_FRAME_EXTENTS); on Wayland the compositor places
// windows itself and nothing is asked; on Windows (centring_win.cpp) the system gives the
// frame of a window made and not yet shown.
#pragma once

#include <QMargins>

class QWidget;

// Asks for the frame the window will have, without waiting for the answer, so that it is
// there by the time the window is centred: X11's window manager answers in its own time.
// Makes the window (not showing it). Call it as soon as the window's flags are set.
void askForFrame(QWidget& window);

// Centres a window before its first show: (screen - window) / 2 in each direction, with the
// window's outer size, worked out in floating point and rounded to the nearest pixel,
// never clamped, so a window larger than the screen starts off it.
void centreOnScreen(QWidget& window);

// The frame the window will have around its client area once shown (makes the window, not
// showing it, and asks for the frame if askForFrame did not); nothing where the system
// cannot tell.
QMargins frameBeforeShow(QWidget& window);

// Whether a window just shown waits a few milliseconds for the window manager or compositor
// to map it before its first paint (X11, Wayland), a pause in which that paint's work can
// be done; Windows paints a window as soon as it is shown.
bool shownWindowsWaitToBeMapped();
