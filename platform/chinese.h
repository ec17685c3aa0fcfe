#pragma once

#include <thread>

class QCoreApplication;

// Reads the system's font configuration (fontconfig's files and caches) on a helper
// thread. Started before the QApplication, the reading overlaps with Qt connecting to
// the display, instead of holding up the first text the window lays out. wait() (or the
// destructor) joins the thread; call it before any widget is made.
class FontConfigPreload {
public:
    FontConfigPreload();
    ~FontConfigPreload();
    FontConfigPreload(const FontConfigPreload&) = delete;
    FontConfigPreload& operator=(const FontConfigPreload&) = delete;

    void wait();

private:
    std::thread thread_;
};

// Maps the Chinese Windows font names the windows are designed with (宋体, 楷体_GB2312,
// 黑体) onto installed Chinese families, and makes 9-point 宋体 the application font.
void installChineseFonts();

// Qt's own texts (the text boxes' context menu) in Simplified Chinese, whatever the
// system's language; a no-op where Qt's translations are not installed. The game's boxes
// set their buttons' texts themselves.
void installChineseQtTexts(QCoreApplication& app);
