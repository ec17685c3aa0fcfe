#include "controls/artwork.h"

#include <QHash>
#include <QImageReader>
#include <QPixmap>
#include <QPixmapCache>
#include <QStringList>
#include <cmath>
#include <future>

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

namespace {

QImage readPngImage(const QString& path)
{
    QImageReader reader(path, "png");
    // Left to guess, Qt would first load every image-format plugin installed (SVG, JPEG,
    // TIFF, ...) to ask each whether it reads the file, before its own PNG reader does.
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

QString pathOf(const QString& name, double scale) { return QStringLiteral(":/") + fileName(name, scale); }

// The decodes started ahead, by path, until pixmap() takes them. Only the GUI thread
// touches the table; the helper threads only decode.
QHash<QString, std::shared_future<QImage>>& decodingAhead()
{
    static QHash<QString, std::shared_future<QImage>> decoding;
    return decoding;
}

}  // namespace

QPixmap readPng(const QString& path) { return QPixmap::fromImage(readPngImage(path)); }

QPixmap pixmap(const QString& name, double ratio)
{
    const double scale = nearestScale(ratio);
    const QString path = pathOf(name, scale);
    QPixmap picture;
    if (!QPixmapCache::find(path, &picture)) {
        const std::shared_future<QImage> ahead = decodingAhead().take(path);
        picture = QPixmap::fromImage(ahead.valid() ? ahead.get() : readPngImage(path));
        picture.setDevicePixelRatio(scale);
        QPixmapCache::insert(path, picture);
    }
    return picture;
}

void decodeAhead(const QStringList& names, double ratio)
{
    for (const QString& name : names) {
        const QString path = pathOf(name, nearestScale(ratio));
        if (!decodingAhead().contains(path))
            decodingAhead().insert(path, std::async(std::launch::async, readPngImage, path).share());
    }
}

}  // namespace artwork
