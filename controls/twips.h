#pragma once

#include <QRect>

class QWidget;

// Positions and sizes are designed in twips; at 96 dots per inch 15 twips make one pixel.
constexpr int twipsPerPixel = 15;

constexpr int px(int twips) { return (twips + twipsPerPixel / 2) / twipsPerPixel; }

inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

// Centres a window on its screen: (screen - window) / 2 in each direction, worked out in
// floating point and rounded to the nearest pixel, never clamped, so a window larger
// than the screen starts off it. The frame counts once the window has one; before its
// first show the platform does not know the frame yet.
void centreOnScreen(QWidget& window);
