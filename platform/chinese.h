#pragma once

class QCoreApplication;

// Maps the Chinese Windows font names the windows are designed with (宋体, 楷体_GB2312,
// 黑体) onto installed Chinese families, and makes 9-point 宋体 the application font.
void installChineseFonts();

// Qt's own texts (the OK and Cancel of the standard boxes, the text boxes' context menu)
// in Simplified Chinese, whatever the system's language; a no-op where Qt's translations
// are not installed.
void installChineseQtTexts(QCoreApplication& app);
