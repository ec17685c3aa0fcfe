#include "system/centring.h"

#include <QWidget>
#include <QWindow>

#include <windows.h>

// Windows knows a window's frame from its style as soon as the window is made: there is
// nothing to ask ahead.
void askForFrame(QWidget&) {}

// The frame Windows gives a window of this style at its screen's DPI, the very frame that
// makes its outer rectangle (GetWindowRect) once shown. Qt's own estimate leaves out the
// part of the frame that Windows 10 and 11 draw invisibly (seen with Qt 6.8.2: under Wine
// it even comes out at -1 pixel on three sides), so a window centred by it sits a few
// pixels off.
QMargins frameBeforeShow(QWidget& window)
{
    const auto handle = reinterpret_cast<HWND>(window.winId());
    const auto style = static_cast<DWORD>(GetWindowLongW(handle, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongW(handle, GWL_EXSTYLE));
    RECT frame{0, 0, 0, 0};
    if (!AdjustWindowRectExForDpi(&frame, style, FALSE, exStyle, GetDpiForWindow(handle)))
        return window.windowHandle() ? window.windowHandle()->frameMargins() : QMargins();
    const double ratio = window.devicePixelRatioF();
    return {qRound(-frame.left / ratio), qRound(-frame.top / ratio), qRound(frame.right / ratio),
            qRound(frame.bottom / ratio)};
}

bool shownWindowsWaitToBeMapped() { return false; }
