#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <thread>

class QCoreApplication;

// What differs between systems lives in chinese_unix.cpp and chinese_win.cpp.

// Reads the system's font configuration (fontconfig's files and caches) on a helper
// thread. Started before the QApplication, the reading overlaps with Qt connecting to
// the display, instead of holding up the first text the window lays out. wait() (or the
// destructor) joins the thread; call it before any widget is made. On Windows, where Qt
// asks the system for fonts as it needs them, there is nothing to read ahead.
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

// The Chinese Windows font names the windows are designed with (宋体, 楷体_GB2312, 黑体),
// each with the families that stand in for it on this system, best first: on Windows the
// fonts the names stand for (SimSun, KaiTi, SimHei), then others; on Linux installed
// Chinese families.
struct FontSubstitution {
    QString windowsName;
    QStringList families;
};
QList<FontSubstitution> chineseFontSubstitutions();

// Maps those names onto their families and makes 9-point 宋体 the application font.
void installChineseFonts();

// The installed family that stands for a design name (宋体, 楷体_GB2312, 黑体), as
// installChineseFonts found it; the name itself before that, or when none is installed.
QString fontFamily(const QString& designName);

// Where Qt's translations are: the system's folder on Linux, the program's own resources
// on Windows (the one-file program carries them).
QString qtTranslationsFolder();

// Qt's own texts (the text boxes' context menu) in Simplified Chinese, whatever the
// system's language; a no-op where Qt's translations are not installed. The game's boxes
// set their buttons' texts themselves.
void installChineseQtTexts(QCoreApplication& app);
