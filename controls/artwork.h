// The bundled artwork comes in versions drawn for several screen scales (device pixels per
// design pixel), ":/name.png" at 1x and ":/name@<scale>x.png" at the others, so that each
// screen gets a picture whose lines fall on its own pixels instead of a scaled, blurred one.
// tools/drawart.cpp draws every version; the windows pick the nearest.
#pragma once

#include <QString>
#include <array>

class QPixmap;
class QStyle;

namespace artwork {

// Quarter steps up to 2x, the scales that desktops and QT_SCALE_FACTOR commonly give under
// X11, and 3x, the largest integer scale a Wayland compositor commonly gives.
inline constexpr std::array<double, 6> scales{1.0, 1.25, 1.5, 1.75, 2.0, 3.0};

inline QString fileName(const QString& name, double scale)
{
    if (scale == 1.0)
        return name + QStringLiteral(".png");
    return QStringLiteral("%1@%2x.png").arg(name, QString::number(scale));
}

// The drawn scale nearest to a device pixel ratio; on a tie the larger, since shrinking a
// picture blurs it less than enlarging one.
double nearestScale(double ratio);

// A bundled PNG file, read by Qt's own PNG reader alone; a null pixmap if it cannot be read.
QPixmap readPng(const QString& path);

// The bundled picture `name` in the version for the scale nearest to `ratio`, with that
// scale as its device pixel ratio, so that it is painted pixel for pixel on such a screen.
// Decoded versions are kept in the pixmap cache.
QPixmap pixmap(const QString& name, double ratio);

// The windows' style: the desktop's, as Qt picks it, except that where Qt would load every
// image-format plugin to read a picture the game never shows, it has none.
QStyle* windowStyle();

}  // namespace artwork
