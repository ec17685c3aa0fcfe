// Draws the game's artwork with QPainter: the main window's background (1x and 2x),
// the two plus icons of the history and the program icon in the hicolor sizes and as SVG.
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
#include <QSvgGenerator>
#include <cmath>
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

// The program icon: a red padlock with a brass shackle and a wheel showing the code 5037
// in green segments. It is laid out on a 64-unit grid; below 64 pixels every edge is
// rounded to a whole pixel (left and right edges symmetrically about the centre), so the
// small sizes are crisp rather than blurred.
class IconGrid {
public:
    explicit IconGrid(int size) : size_(size), unit_(size / 64.0), snap_(size < 64) {}
    qreal x(qreal units) const { return size_ / 2.0 + length(units - 32); }
    qreal y(qreal units) const { return snap_ ? std::round(units * unit_) : units * unit_; }
    qreal length(qreal units) const
    {
        const qreal pixels = units * unit_;
        return snap_ ? std::copysign(std::floor(std::abs(pixels) + 0.5), pixels) : pixels;
    }
    QRectF rect(qreal left, qreal top, qreal right, qreal bottom) const
    {
        return QRectF(QPointF(x(left), y(top)), QPointF(x(right), y(bottom)));
    }
    int size() const { return size_; }

private:
    int size_;
    qreal unit_;
    bool snap_;
};

// The shackle: an arch of the given thickness whose legs go down to bottom.
QPainterPath arch(const QRectF& outer, qreal thickness, qreal bottom)
{
    const qreal r = outer.width() / 2;
    const qreal inner = r - thickness;
    QPainterPath path;
    path.moveTo(outer.left(), bottom);
    path.lineTo(outer.left(), outer.top() + r);
    path.arcTo(QRectF(outer.left(), outer.top(), 2 * r, 2 * r), 180, -180);
    path.lineTo(outer.right(), bottom);
    path.lineTo(outer.right() - thickness, bottom);
    path.lineTo(outer.right() - thickness, outer.top() + r);
    path.arcTo(QRectF(outer.left() + thickness, outer.top() + thickness, 2 * inner, 2 * inner), 0, 180);
    path.lineTo(outer.left() + thickness, bottom);
    path.closeSubpath();
    return path;
}

// One digit in seven segments, as rectangles: a top, b top right, c bottom right,
// d bottom, e bottom left, f top left, g middle.
void sevenSegments(QPainter& p, const QRectF& cell, qreal t, const char* lit)
{
    const qreal mid = cell.top() + (cell.height() - t) / 2;
    const qreal l = cell.left(), r = cell.right() - t, top = cell.top(), bottom = cell.bottom();
    for (const char* segment = lit; *segment; ++segment) {
        switch (*segment) {
        case 'a': p.drawRect(QRectF(l, top, cell.width(), t)); break;
        case 'b': p.drawRect(QRectF(r, top, t, mid + t - top)); break;
        case 'c': p.drawRect(QRectF(r, mid, t, bottom - mid)); break;
        case 'd': p.drawRect(QRectF(l, bottom - t, cell.width(), t)); break;
        case 'e': p.drawRect(QRectF(l, mid, t, bottom - mid)); break;
        case 'f': p.drawRect(QRectF(l, top, t, mid + t - top)); break;
        case 'g': p.drawRect(QRectF(l, mid, cell.width(), t)); break;
        }
    }
}

// The code on the wheel: seven-segment digits where they fit at least 3 x 5 pixels,
// otherwise four lit cells.
void wheelCode(QPainter& p, const QRectF& wheel)
{
    const qreal height = wheel.height();
    const qreal margin = std::max(1.0, std::floor(height * 0.2));
    qreal digitHeight = height - 2 * margin;
    const qreal thickness = std::max(1.0, std::round(digitHeight / 6));
    if (std::fmod(digitHeight - thickness, 2) != 0)
        digitHeight -= 1;  // the middle segment on whole pixels
    const qreal digitWidth = std::max(3.0, std::round(digitHeight * 0.55));
    const qreal gap = std::max(1.0, std::round(digitWidth * 0.4));
    const qreal codeWidth = 4 * digitWidth + 3 * gap;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 255, 120));
    if (digitHeight < 5 || codeWidth > wheel.width() - 2) {
        const qreal cell = std::floor((wheel.width() - 2 + 1) / 4) - 1;
        const qreal left = wheel.left() + std::floor((wheel.width() - (4 * cell + 3)) / 2);
        for (int i = 0; i < 4; ++i)
            p.drawRect(QRectF(left + i * (cell + 1), wheel.top() + 1, cell, height - 2));
        return;
    }
    const qreal left = wheel.left() + std::floor((wheel.width() - codeWidth) / 2);
    const qreal top = wheel.top() + std::floor((height - digitHeight) / 2);
    const char* const code[4] = {"acdfg", "abcdef", "abcdg", "abc"};  // 5, 0, 3, 7
    for (int i = 0; i < 4; ++i)
        sevenSegments(p, QRectF(left + i * (digitWidth + gap), top, digitWidth, digitHeight), thickness, code[i]);
}

void paintProgramIcon(QPainter& p, int size)
{
    const IconGrid grid(size);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal outline = size >= 22 ? std::max(1.0, std::round(1.5 * size / 64)) : 0;

    const QRectF shackle = grid.rect(14, 4, 50, 22);
    const qreal thickness = grid.length(8);
    const qreal legsEnd = grid.y(34);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(110, 86, 34));
    p.drawPath(arch(shackle, thickness, legsEnd));
    QLinearGradient brass(shackle.topLeft(), shackle.topRight());
    brass.setColorAt(0, QColor(196, 160, 72));
    brass.setColorAt(0.35, QColor(244, 220, 140));
    brass.setColorAt(1, QColor(176, 140, 58));
    p.setBrush(brass);
    p.drawPath(arch(shackle.adjusted(outline, outline, -outline, 0), thickness - 2 * outline, legsEnd));

    const QRectF body = grid.rect(6, 28, 58, 60);
    const qreal radius = grid.length(7);
    p.setBrush(QColor(70, 6, 4));
    p.drawRoundedRect(body, radius, radius);
    QLinearGradient red(body.topLeft(), body.bottomLeft());
    red.setColorAt(0, QColor(236, 76, 60));
    red.setColorAt(1, QColor(132, 16, 12));
    p.setBrush(red);
    p.drawRoundedRect(body.adjusted(outline, outline, -outline, -outline), radius - outline, radius - outline);

    const QRectF wheel = grid.rect(12, 36, 52, 52);
    p.setBrush(Qt::black);
    p.drawRoundedRect(wheel, grid.length(2), grid.length(2));
    wheelCode(p, wheel);
}

QImage programIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    paintProgramIcon(p, size);
    return image;
}

// The scalable icon: the same drawing as the 256-pixel one, whose edges all fall on
// whole pixels, as SVG.
bool saveProgramIconSvg(const QDir& dir, const QString& name)
{
    QSvgGenerator svg;
    svg.setFileName(dir.filePath(name));
    svg.setSize(QSize(256, 256));
    svg.setViewBox(QRect(0, 0, 256, 256));
    svg.setTitle(QStringLiteral("Varnoth"));
    svg.setDescription(QStringLiteral("The Varnoth program icon, drawn by tools/drawart.cpp"));
    QPainter p;
    bool ok = p.begin(&svg);
    if (ok) {
        paintProgramIcon(p, 256);
        ok = p.end();
    }
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(dir.filePath(name)));
    return ok;
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
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        ok = save(programIcon(size), dir, QStringLiteral("icon-%1.png").arg(size)) && ok;
    ok = saveProgramIconSvg(dir, QStringLiteral("icon.svg")) && ok;
    return ok ? 0 : 1;
}
