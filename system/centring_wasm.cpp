// centring.h in a web page. The page itself is the main window's frame: the browser's tab
// has its title and its close box, so the main window goes without Qt's title bar and is
// centred on the page; a dialog keeps the title bar Qt draws for it, by which it closes.
#include "system/centring.h"

#include <QDialog>
#include <QWindow>

// Only the frameless hint: with a close button asked for, Qt would give the window a frame.
void askForFrame(QWidget& window)
{
    if (!window.parentWidget() && !qobject_cast<QDialog*>(&window))
        window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
}

QMargins frameBeforeShow(QWidget& window)
{
    window.winId();
    return window.windowHandle() ? window.windowHandle()->frameMargins() : QMargins();
}

// A page draws a shown window at the browser's next frame: there is no window manager to wait for.
bool shownWindowsWaitToBeMapped() { return false; }
