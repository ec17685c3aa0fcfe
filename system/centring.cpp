#include "system/centring.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

void centreOnScreen(QWidget& window)
{
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    const QRect screenRect = screen->geometry();
    const QMargins frame = frameBeforeShow(window);
    const QSize outer = window.size().grownBy(frame);
    const double left = (screenRect.width() - outer.width()) / 2.0;
    const double top = (screenRect.height() - outer.height()) / 2.0;
    // The place of the client area, inside the frame: where the frame goes depends on how
    // a window manager reads a position, the client area's does not.
    const QPoint client(screenRect.x() + qRound(left) + frame.left(), screenRect.y() + qRound(top) + frame.top());
    window.setGeometry(QRect(client, window.size()));
}
