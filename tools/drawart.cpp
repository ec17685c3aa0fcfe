// Draws the game's artwork with QPainter: the main window's background (1x and 2x),
// the two plus icons of the history and the program icon in four sizes.
//
//   QT_QPA_PLATFORM=offscreen drawart <output directory>
//
// The pixel places of the digit windows, the button, the key caps and the two panels are
// the ones the main window's controls are laid over; change them together.
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>

namespace {

const QColor faceTop(72, 64, 56);
const QColor faceBottom(46, 40, 35);
const QColor bevelLight(136, 124, 110);
const QColor bevelDark(26, 22, 19);

// A raised (or, with sunken, a recessed) bevel of the given width around rect.
void bevel(QPainter& p, const QRectF& rect, qreal width, bool sunken)
{
    const QColor topLeft = sunken ? bevelDark : bevelLight;
    const QColor bottomRight = sunken ? bevelLight : bevelDark;
    for (int i = 0; i < static_cast<int>(width); ++i) {
        const QRectF r = rect.adjusted(i + 0.5, i + 0.5, -i - 0.5, -i - 0.5);
        const qreal fade = 1.0 - 0.3 * i / width;
        QColor tl = topLeft, br = bottomRight;
        tl.setAlphaF(static_cast<float>(fade));
        br.setAlphaF(static_cast<float>(fade));
        p.setPen(QPen(tl, 1));
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(QPen(br, 1));
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
    }
}

void face(QPainter& p, const QRectF& rect)
{
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0, faceTop);
    gradient.setColorAt(1, faceBottom);
    p.fillRect(rect, gradient);
    // A faint brushed grain, fixed so the picture is the same on every run.
    p.setPen(QPen(QColor(255, 255, 255, 9), 1));
    for (int y = static_cast<int>(rect.top()) + 2; y < rect.bottom(); y += 3)
        p.drawLine(QPointF(rect.left(), y + 0.5), QPointF(rect.right(), y + 0.5));
    bevel(p, rect, 3, false);
}

// Black inside from (x1, y1) to (x2, y2), both inclusive, in a recessed frame.
void blackWindow(QPainter& p, int x1, int y1, int x2, int y2, int frame)
{
    const QRectF inside(x1, y1, x2 - x1 + 1, y2 - y1 + 1);
    bevel(p, inside.adjusted(-frame, -frame, frame, frame), frame, true);
    p.fillRect(inside, Qt::black);
}

void pushButton(QPainter& p, const QRectF& rect)
{
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0, QColor(214, 204, 186));
    gradient.setColorAt(0.5, QColor(184, 172, 152));
    gradient.setColorAt(1, QColor(138, 126, 108));
    p.fillRect(rect, gradient);
    bevel(p, rect, 2, false);
    p.setPen(QColor(40, 30, 24));
    QFont font(QStringLiteral("WenQuanYi Zen Hei"));
    font.setPixelSize(13);
    font.setBold(true);
    p.setFont(font);
    p.drawText(rect.translated(0, 1), Qt::AlignCenter, QStringLiteral("确定"));
}

void keyCap(QPainter& p, const QRectF& rect, const QString& legend)
{
    QPainterPath cap;
    cap.addRoundedRect(rect, 4, 4);
    QRadialGradient gradient(rect.center() - QPointF(4, 6), rect.width());
    gradient.setColorAt(0, QColor(236, 84, 70));
    gradient.setColorAt(0.6, QColor(178, 28, 22));
    gradient.setColorAt(1, QColor(104, 10, 8));
    p.setPen(QPen(QColor(52, 6, 4), 1));
    p.setBrush(gradient);
    p.drawPath(cap);
    p.setPen(QPen(QColor(255, 170, 150, 150), 1));
    p.drawLine(rect.topLeft() + QPointF(4, 1.5), rect.topRight() + QPointF(-4, 1.5));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(60, 0, 0, 160));
    p.drawText(rect.translated(0.8, 0.8), Qt::AlignCenter, legend);
    p.setPen(QColor(255, 236, 220));
    p.drawText(rect, Qt::AlignCenter, legend);
}

QImage background(int scale)
{
    QImage image(538 * scale, 278 * scale, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(scale, scale);

    face(p, QRectF(0, 0, 538, 278));
    // A groove under the score line, and one between the lock and the history.
    p.setPen(QPen(bevelDark, 1));
    p.drawLine(QPointF(8, 38.5), QPointF(336, 38.5));
    p.setPen(QPen(bevelLight, 1));
    p.drawLine(QPointF(8, 39.5), QPointF(336, 39.5));
    p.setPen(QPen(bevelDark, 1));
    p.drawLine(QPointF(343.5, 14), QPointF(343.5, 272));
    p.setPen(QPen(bevelLight, 1));
    p.drawLine(QPointF(344.5, 14), QPointF(344.5, 272));

    const int digitWindows[4][2] = {{11, 54}, {68, 112}, {125, 168}, {181, 224}};
    for (const auto& w : digitWindows)
        blackWindow(p, w[0], 46, w[1], 62, 3);

    pushButton(p, QRectF(240, 42, 96, 21));

    const QString legends[11] = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "0", QStringLiteral("←")};
    for (int k = 0; k < 11; ++k)
        keyCap(p, QRectF(8 + 30 * k, 75, 25, 23), legends[k]);

    blackWindow(p, 8, 102, 335, 270, 2);
    blackWindow(p, 352, 17, 528, 270, 2);
    return image;
}

QImage plusIcon(const QColor& light, const QColor& dark)
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath plus;
    plus.addRoundedRect(QRectF(6, 1.5, 4, 13), 1, 1);
    plus.addRoundedRect(QRectF(1.5, 6, 13, 4), 1, 1);
    plus.setFillRule(Qt::WindingFill);
    QLinearGradient gradient(0, 0, 16, 16);
    gradient.setColorAt(0, light);
    gradient.setColorAt(1, dark);
    p.setPen(QPen(dark.darker(180), 1));
    p.setBrush(gradient);
    p.drawPath(plus.simplified());
    return image;
}

// A red padlock with a brass shackle and a four-digit wheel.
QImage programIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);

    QPainterPath shackle;
    shackle.moveTo(18, 30);
    shackle.lineTo(18, 20);
    shackle.arcTo(QRectF(18, 4, 28, 30), 180, -180);
    shackle.lineTo(46, 30);
    p.setPen(QPen(QColor(120, 96, 40), 9, Qt::SolidLine, Qt::FlatCap));
    p.drawPath(shackle);
    p.setPen(QPen(QColor(226, 196, 110), 5, Qt::SolidLine, Qt::FlatCap));
    p.drawPath(shackle);

    const QRectF body(6, 28, 52, 32);
    QLinearGradient gradient(body.topLeft(), body.bottomLeft());
    gradient.setColorAt(0, QColor(232, 70, 56));
    gradient.setColorAt(1, QColor(128, 14, 10));
    p.setPen(QPen(QColor(70, 6, 4), 2));
    p.setBrush(gradient);
    p.drawRoundedRect(body, 7, 7);

    const QRectF wheel(13, 37, 38, 14);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRoundedRect(wheel, 2, 2);
    if (size >= 32) {
        QFont font(QStringLiteral("DejaVu Sans Mono"));
        font.setPixelSize(12);
        font.setBold(true);
        p.setFont(font);
        p.setPen(QColor(120, 255, 120));
        p.drawText(wheel, Qt::AlignCenter, QStringLiteral("5037"));
    } else {
        p.setBrush(QColor(120, 255, 120));
        for (int i = 0; i < 4; ++i)
            p.drawRect(QRectF(16 + i * 9, 41, 5, 6));
    }
    return image;
}

bool save(const QImage& image, const QDir& dir, const QString& name)
{
    const bool ok = image.save(dir.filePath(name), "PNG");
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(dir.filePath(name)));
    return ok;
}

}  // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: drawart <output directory>\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    bool ok = save(background(1), dir, QStringLiteral("background.png"));
    ok = save(background(2), dir, QStringLiteral("background@2x.png")) && ok;
    ok = save(plusIcon(QColor(140, 255, 120), QColor(20, 150, 30)), dir, QStringLiteral("plus-green.png")) && ok;
    ok = save(plusIcon(QColor(255, 210, 110), QColor(230, 110, 10)), dir, QStringLiteral("plus-orange.png")) && ok;
    for (int size : {16, 32, 48, 256})
        ok = save(programIcon(size), dir, QStringLiteral("icon-%1.png").arg(size)) && ok;
    return ok ? 0 : 1;
}
