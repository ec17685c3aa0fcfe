// centring.h in a web page. The page itself is the main window's frame: the browser's tab
// has its title and its close box, so the main window goes without Qt's title bar and is
// centred on the page; a dialog keeps the title bar Qt draws for it, by which it closes.
#include "system/centring.h"

#include <QCoreApplication>
#include <QDialog>
#include <QWindow>

// Only the frameless hint: with a close button asked for, Qt would give the window a frame.
void askForFrame(QWidget& window)
{
    if (!window.parentWidget() && !qobject_cast<QDialog*>(&window))
        window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
}

// A dialog made native before it shows would make its parent's other children native too
// (QWidget::setAttribute(WA_NativeWindow) enforces native siblings), and a page draws a native
// child as a grey box over its window's face: the main window went blank behind the settings
// dialog. Seen with Qt 6.8.2; a window needs no native siblings, so none are made.
QMargins frameBeforeShow(QWidget& window)
{
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    window.winId();
    return window.windowHandle() ? window.windowHandle()->frameMargins() : QMargins();
}

// A page draws a shown window at the browser's next frame: there is no window manager to wait for.
bool shownWindowsWaitToBeMapped() { return false; }
