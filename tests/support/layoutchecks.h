// Relations that a window's layout keeps whatever its numbers: one control beside another,
// and a label's text whole in its box.
#pragma once

#include "controls/controls.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <optional>

// `right` follows `left` on one line: at most `gap` pixels apart (touching, or sharing one
// column), overlapping it from top to bottom by at least half the shorter one's height.
inline bool beside(const QRect& left, const QRect& right, int gap)
{
    const int apart = right.left() - (left.right() + 1);
    const int overlap = std::min(left.bottom(), right.bottom()) - std::max(left.top(), right.top()) + 1;
    return apart >= -1 && apart <= gap && 2 * overlap >= std::min(left.height(), right.height());
}

// Whether a label's text shows whole in its box: the text is laid out as the label lays it
// out (wrapped at the box's width unless the label sizes itself to its text), painted
// unclipped at a screen scale, and every painted pixel must fall inside the box.
//
// A pixel a quarter covered or more. The faint antialiased fringe of a glyph (a few
// hundredths) may spill a row past a line's height, as it does in every label drawn with
// the font's own line height; that is no text cut off.
constexpr int visibleInk = 64;

// The first pixel (in the label's own pixels) painted outside the box, or nothing.
inline std::optional<QPointF> inkOutside(const Label& label, const QString& text, QSize box, qreal scale)
{
    const QSize canvas = box * 3 + QSize(100, 100);
    QImage image(canvas * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setFont(label.font());
    painter.setPen(Qt::black);
    const int wrap = label.wordWrap() ? Qt::TextWordWrap : 0;
    painter.drawText(QRectF(0, 0, box.width(), canvas.height()), int(label.alignment()) | wrap | Qt::TextDontClip,
                     text);
    painter.end();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) >= visibleInk && (x >= box.width() * scale || y >= box.height() * scale))
                return QPointF(x / scale, y / scale);
    return std::nullopt;
}
