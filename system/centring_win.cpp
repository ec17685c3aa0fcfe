#include "system/centring.h"

#include <QWidget>
#include <QWindow>

// Windows knows a window's frame from its style as soon as the window is made: there is
// nothing to ask ahead.
void askForFrame(QWidget&) {}

QMargins frameBeforeShow(QWidget& window)
{
    window.winId();
    return window.windowHandle() ? window.windowHandle()->frameMargins() : QMargins();
}
