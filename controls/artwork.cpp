#include "controls/artwork.h"

#include <QImageReader>
#include <QPixmap>
#include <QPixmapCache>
#include <cmath>

namespace artwork {

double nearestScale(double ratio)
{
    double nearest = scales.front();
    for (double scale : scales) {
        if (std::abs(scale - ratio) <= std::abs(nearest - ratio))
            nearest = scale;
    }
    return nearest;
}

QPixmap readPng(const QString& path)
{
    QImageReader reader(path, "png");
    // Left to guess, Qt would first load every image-format plugin installed (SVG, JPEG,
    // TIFF, ...) to ask each whether it reads the file, before its own PNG reader does.
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

QPixmap pixmap(const QString& name, double ratio)
{
    const double scale = nearestScale(ratio);
    const QString path = QStringLiteral(":/") + fileName(name, scale);
    QPixmap picture;
    if (!QPixmapCache::find(path, &picture)) {
        picture = readPng(path);
        picture.setDevicePixelRatio(scale);
        QPixmapCache::insert(path, picture);
    }
    return picture;
}

}  // namespace artwork
