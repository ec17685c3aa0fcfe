#include "controls/artwork.h"

#include <QImageReader>
#include <QLibraryInfo>
#include <QPixmap>
#include <QPixmapCache>
#include <QProxyStyle>
#include <QVersionNumber>
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

namespace {

// The menu bar's overflow button, which a menu bar of one menu never shows, has no picture.
// Qt reads that picture as the menu bar is made and, guessing its format, first loads every
// image-format plugin installed (SVG, JPEG, and on many desktops AVIF, HEIF, JPEG XL, ...)
// to ask each about it. Seen on Qt 6.4.2 and 6.8.2; 6.11.2, the next checked, makes the
// menu bar without loading any (QT_DEBUG_PLUGINS lists none loaded), so from there on the
// picture is Qt's own.
class WindowStyle : public QProxyStyle {
public:
    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override
    {
        static const bool qtLoadsEveryPlugin = QLibraryInfo::version() < QVersionNumber(6, 11, 2);
        if (standardIcon == SP_ToolBarHorizontalExtensionButton && qtLoadsEveryPlugin)
            return {};
        return QProxyStyle::standardIcon(standardIcon, option, widget);
    }

    // The game animates no widget. With a duration, a main window's first layout places its
    // menu bar and face through property animations of no length (QWidgetAnimator), whose
    // first one sets up Qt's conversions of values: in a web page a tenth of a second of
    // the start, before the first picture.
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override
    {
        if (hint == SH_Widget_Animation_Duration)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

}  // namespace

QStyle* windowStyle() { return new WindowStyle; }

}  // namespace artwork
