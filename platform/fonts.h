#pragma once

// Maps the Chinese Windows font names the windows are designed with (宋体, 楷体_GB2312,
// 黑体) onto installed Chinese families, and makes 9-point 宋体 the application font.
void installChineseFonts();
