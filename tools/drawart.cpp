// Draws the game's artwork with QPainter: the main window's background and the two plus
// icons of the history, each at every scale of controls/artwork.h, and the program icon in
// the hicolor sizes and as SVG. With --face it draws instead what the window's face must
// show at one scale.
//
//   QT_QPA_PLATFORM=offscreen drawart <output directory>
//   QT_QPA_PLATFORM=offscreen drawart --face <scale> <file>
//
// Where the digit windows, the button, the key caps, the panels and the icons go, and the
// words they show, come from the face table that the main window is built from.
#include "game/form1_layout.h"
#include "controls/artwork.h"

#include <QByteArray>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

const QColor faceTop(72, 64, 56);
const QColor faceBottom(46, 40, 35);
const QColor bevelLight(136, 124, 110);
const QColor bevelDark(26, 22, 19);

// Where the drawing falls on the device's pixels. The artwork is designed in the pixels of
// the 1x picture and drawn natively at each scale, with the painter scaled: every edge goes
// to the nearest device pixel edge and every line is a whole number of device pixels thick
// (a lone one-pixel line the same number everywhere), so lines, bevels and stripes stay
// sharp and even at fractional scales, where a picture scaled from another version smears
// them over two pixels. At 1x and 2x this changes nothing.
class Grid {
public:
    explicit Grid(qreal scale) : scale_(scale), line_(std::max(1, qRound(scale))) {}

    // The thickness of a one-pixel line, in device pixels.
    int line() const { return line_; }
    // A design edge (a whole coordinate) as a device pixel edge.
    int device(qreal e) const { return qRound(e * scale_); }
    // A device coordinate in the painter's (design) units.
    qreal design(qreal device) const { return device / scale_; }
    qreal edge(qreal e) const { return design(device(e)); }
    QRectF rect(const QRectF& r) const
    {
        return QRectF(QPointF(edge(r.left()), edge(r.top())), QPointF(edge(r.right()), edge(r.bottom())));
    }
    // The pen for one-pixel lines, in design units.
    qreal pen() const { return design(line_); }
    // The centre of a one-pixel line drawn at c: a line centred on a pixel edge (a whole c)
    // stays on the nearest device edge, as at 1x where it covers half of the pixel on each
    // side; a line through the middle of a pixel fills whole device pixels.
    qreal centre(qreal c) const
    {
        if (c == std::floor(c))
            return edge(c);
        return design(qRound(c * scale_ - line_ / 2.0) + line_ / 2.0);
    }

private:
    qreal scale_;
    int line_;
};

// A line from `from` to `to` along x (or y, with vertical) at the given centre, one design
// pixel thick unless told otherwise (in device pixels); its square caps reach half its
// thickness beyond both ends, as the 1x design has them.
void line(QPainter& p, const Grid& g, qreal centre, qreal from, qreal to, bool vertical, const QColor& colour,
          int thickness = 0)
{
    p.setPen(QPen(colour, thickness > 0 ? g.design(thickness) : g.pen()));
    if (vertical)
        p.drawLine(QPointF(centre, from), QPointF(centre, to));
    else
        p.drawLine(QPointF(from, centre), QPointF(to, centre));
}

// A raised (or, with sunken, a recessed) bevel of `rings` design pixels inside the device
// rectangle `outer`, fading towards the middle. At a fractional scale the bevel keeps its
// width, rounded to whole device pixels, and its rings share it as evenly as they can.
void bevel(QPainter& p, const Grid& g, const QRect& outer, int rings, bool sunken)
{
    const QColor topLeft = sunken ? bevelDark : bevelLight;
    const QColor bottomRight = sunken ? bevelLight : bevelDark;
    const int width = g.device(rings);
    for (int i = 0; i < rings; ++i) {
        const int start = qRound(1.0 * i * width / rings), end = qRound(1.0 * (i + 1) * width / rings);
        const qreal inset = (start + end) / 2.0;
        const qreal left = g.design(outer.left() + inset), right = g.design(outer.left() + outer.width() - inset);
        const qreal top = g.design(outer.top() + inset), bottom = g.design(outer.top() + outer.height() - inset);
        const qreal fade = 1.0 - 0.3 * i / rings;
        QColor tl = topLeft, br = bottomRight;
        tl.setAlphaF(static_cast<float>(fade));
        br.setAlphaF(static_cast<float>(fade));
        line(p, g, top, left, right, false, tl, end - start);
        line(p, g, left, top, bottom, true, tl, end - start);
        line(p, g, bottom, left, right, false, br, end - start);
        line(p, g, right, top, bottom, true, br, end - start);
    }
}

QRect deviceRect(const Grid& g, const QRectF& design)
{
    return QRect(QPoint(g.device(design.left()), g.device(design.top())),
                 QPoint(g.device(design.right()) - 1, g.device(design.bottom()) - 1));
}

void face(QPainter& p, const Grid& g, const QRectF& rect)
{
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0, faceTop);
    gradient.setColorAt(1, faceBottom);
    p.fillRect(g.rect(rect), gradient);
    // A faint brushed grain, fixed so the picture is the same on every run: a line every
    // three design pixels, at the same whole number of device pixels apart at every scale.
    const int pitch = g.device(3);
    for (int y = g.device(rect.top() + 2); y < g.device(rect.bottom()); y += pitch)
        line(p, g, g.design(y + g.line() / 2.0), g.edge(rect.left()), g.edge(rect.right()), false,
             QColor(255, 255, 255, 9));
    bevel(p, g, deviceRect(g, rect), 3, false);
}

// A black inside in a recessed frame that hugs it at every scale.
void blackWindow(QPainter& p, const Grid& g, const face::BlackWindow& window)
{
    const QRectF inside(window.inside());
    const int width = g.device(window.frame);
    bevel(p, g, deviceRect(g, inside).adjusted(-width, -width, width, width), window.frame, true);
    p.fillRect(g.rect(inside), Qt::black);
}

void pushButton(QPainter& p, const Grid& g, const QRectF& designRect)
{
    const QRectF rect = g.rect(designRect);
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0, QColor(214, 204, 186));
    gradient.setColorAt(0.5, QColor(184, 172, 152));
    gradient.setColorAt(1, QColor(138, 126, 108));
    p.fillRect(rect, gradient);
    bevel(p, g, deviceRect(g, designRect), 2, false);
    p.setPen(QColor(40, 30, 24));
    QFont font(QStringLiteral("WenQuanYi Zen Hei"));
    font.setPixelSize(13);
    font.setBold(true);
    p.setFont(font);
    p.drawText(rect.translated(0, 1), Qt::AlignCenter, QString::fromUtf8(face::confirmCaption));
}

void keyCap(QPainter& p, const Grid& g, const QRectF& designRect, const QString& legend)
{
    const QRectF rect = g.rect(designRect);
    QPainterPath cap;
    cap.addRoundedRect(rect, 4, 4);
    QRadialGradient gradient(rect.center() - QPointF(4, 6), rect.width());
    gradient.setColorAt(0, QColor(236, 84, 70));
    gradient.setColorAt(0.6, QColor(178, 28, 22));
    gradient.setColorAt(1, QColor(104, 10, 8));
    p.setPen(QPen(QColor(52, 6, 4), g.pen()));
    p.setBrush(gradient);
    p.drawPath(cap);
    line(p, g, g.centre(designRect.top() + 1.5), g.edge(designRect.left() + 4), g.edge(designRect.right() - 4), false,
         QColor(255, 170, 150, 150));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(60, 0, 0, 160));
    p.drawText(rect.translated(0.8, 0.8), Qt::AlignCenter, legend);
    p.setPen(QColor(255, 236, 220));
    p.drawText(rect, Qt::AlignCenter, legend);
}

// The main window's face; its last column lies outside the client area. At a fractional
// scale the picture is rounded up to whole pixels.
QImage background(qreal scale)
{
    const Grid g(scale);
    QImage image(g.device(face::pictureSize.width()), g.device(face::pictureSize.height()), QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(scale, scale);

    face(p, g, QRectF(QPointF(0, 0), QSizeF(face::pictureSize)));
    // A groove is a dark line with a light one beside it.
    const face::Groove& groove = face::scoreGroove;
    const qreal grooveDark = g.centre(groove.at), grooveLight = grooveDark + g.pen();
    line(p, g, grooveDark, g.edge(groove.from), g.edge(groove.to), false, bevelDark);
    line(p, g, grooveLight, g.edge(groove.from), g.edge(groove.to), false, bevelLight);
    const face::Groove& wall = face::historyWall;
    const qreal wallDark = g.centre(wall.at), wallLight = wallDark + g.pen();
    line(p, g, wallDark, g.edge(wall.from), g.edge(wall.to), true, bevelDark);
    line(p, g, wallLight, g.edge(wall.from), g.edge(wall.to), true, bevelLight);

    for (const face::BlackWindow& window : face::digitWindows)
        blackWindow(p, g, window);

    pushButton(p, g, QRectF(face::confirmButton));

    for (size_t k = 0; k < face::keyCapLegends.size(); ++k)
        keyCap(p, g, QRectF(face::keyCap.translated(face::keyCapPitch * static_cast<int>(k), 0)),
               QString::fromUtf8(face::keyCapLegends[k]));

    blackWindow(p, g, face::instructionsPanel);
    blackWindow(p, g, face::historyPanel);
    return image;
}

// A plus sign of 16 x 16 design pixels, shaded from light to dark.
QImage plusIcon(const QColor& light, const QColor& dark, qreal scale)
{
    const Grid g(scale);
    QImage image(g.device(16), g.device(16), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    const qreal near = g.centre(1.5), far = g.centre(14.5), barLeft = g.centre(6), barRight = g.centre(10);
    QPainterPath plus;
    plus.addRoundedRect(QRectF(QPointF(barLeft, near), QPointF(barRight, far)), 1, 1);
    plus.addRoundedRect(QRectF(QPointF(near, barLeft), QPointF(far, barRight)), 1, 1);
    plus.setFillRule(Qt::WindingFill);
    QLinearGradient gradient(0, 0, 16, 16);
    gradient.setColorAt(0, light);
    gradient.setColorAt(1, dark);
    p.setPen(QPen(dark.darker(180), g.pen()));
    p.setBrush(gradient);
    p.drawPath(plus.simplified());
    return image;
}

QImage greenPlus(qreal scale) { return plusIcon(QColor(140, 255, 120), QColor(20, 150, 30), scale); }
QImage orangePlus(qreal scale) { return plusIcon(QColor(255, 210, 110), QColor(230, 110, 10), scale); }

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
        default: break;  // no such segment: nothing lit
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

// What the main window's face must show at a scale, with its texts and boxes left out and
// every plus icon showing: the background, and the green and orange icons of the nine
// history rows and of the legend where the window lays them (in design pixels), each at
// its natural size from its top-left corner. The screenshot test compares the window with it.
int saveFaceReference(const QString& scaleText, const QString& file)
{
    bool isNumber = false;
    const double scale = scaleText.toDouble(&isNumber);
    if (!isNumber || scale <= 0) {
        std::fprintf(stderr, "drawart: not a scale: %s\n", qPrintable(scaleText));
        return 2;
    }
    const Grid g(scale);
    QImage image = background(scale);
    QPainter p(&image);
    const QImage green = greenPlus(scale), orange = orangePlus(scale);
    for (const face::Placed& control : face::placedControls()) {
        const face::Kind kind = control.design->kind;
        if (kind == face::Kind::Icon || kind == face::Kind::HistoryIcon)
            p.drawImage(QPoint(g.device(control.rect.left()), g.device(control.rect.top())),
                        QByteArray(control.design->text) == "plus-green" ? green : orange);
    }
    p.end();
    return image.save(file, "PNG") ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc == 4 && QByteArray(argv[1]) == "--face")
        return saveFaceReference(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    if (argc != 2) {
        std::fprintf(stderr, "usage: drawart <output directory>\n       drawart --face <scale> <file>\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    bool ok = true;
    for (double scale : artwork::scales) {
        ok = save(background(scale), dir, artwork::fileName(QStringLiteral("background"), scale)) && ok;
        ok = save(greenPlus(scale), dir, artwork::fileName(QStringLiteral("plus-green"), scale)) && ok;
        ok = save(orangePlus(scale), dir, artwork::fileName(QStringLiteral("plus-orange"), scale)) && ok;
    }
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        ok = save(programIcon(size), dir, QStringLiteral("icon-%1.png").arg(size)) && ok;
    ok = saveProgramIconSvg(dir, QStringLiteral("icon.svg")) && ok;
    return ok ? 0 : 1;
}
