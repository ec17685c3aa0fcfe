#include "controls/artwork.h"

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

QPixmap pixmap(const QString& name, double ratio)
{
    const double scale = nearestScale(ratio);
    const QString path = QStringLiteral(":/") + fileName(name, scale);
    QPixmap picture;
    if (!QPixmapCache::find(path, &picture)) {
        picture.load(path);
        picture.setDevicePixelRatio(scale);
        QPixmapCache::insert(path, picture);
    }
    return picture;
}

}  // namespace artwork
