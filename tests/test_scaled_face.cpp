// The main window's face at every scale the artwork is drawn for. The offscreen platform
// here has one screen per scale, side by side (support/screens.json); the window is moved
// from screen to screen, as a player drags it across monitors, and on each its face must
// show, pixel for pixel, what the artwork tool draws for that scale: the background with
// the plus icons where the layout puts them. A picture scaled from another version, one
// drawn before the tool last changed, or one placed a pixel off fails.
#include "controls/artwork.h"
#include "support/gamefixture.h"

#include <QDir>
#include <QProcess>
#include <QScreen>

namespace {

// How far a pixel may stray, per colour channel: blending the icons over the background
// rounds a little differently in the window than in the tool.
constexpr int tolerance = 2;

struct Difference {
    int pixels = 0;   // pixels off by more than the tolerance
    int worst = 0;    // the largest channel difference
    QPoint first;     // the first such pixel
};

Difference compare(const QImage& shown, const QImage& reference)
{
    Difference d;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            const QRgb a = shown.pixel(x, y), b = reference.pixel(x, y);
            const int off = std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                      std::abs(qBlue(a) - qBlue(b))});
            d.worst = std::max(d.worst, off);
            if (off > tolerance && d.pixels++ == 0)
                d.first = QPoint(x, y);
        }
    }
    return d;
}

QImage drawReference(double scale, const QString& file)
{
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    tool.setProcessEnvironment(environment);
    tool.start(QStringLiteral(DRAWART), {QStringLiteral("--face"), QString::number(scale), file});
    if (!tool.waitForFinished(60000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) {
        qWarning("drawart failed: %s", tool.readAllStandardError().constData());
        return {};
    }
    return QImage(file);
}

}  // namespace

class TestScaledFace : public QObject {
    Q_OBJECT
private slots:
    void nearestScale_data();
    void nearestScale();
    void faceOnEveryScreen_data();
    void faceOnEveryScreen();

private:
    Game game_;
};

void TestScaledFace::nearestScale_data()
{
    QTest::addColumn<double>("ratio");
    QTest::addColumn<double>("scale");
    QTest::newRow("below 1x") << 0.75 << 1.0;
    QTest::newRow("just above 1x") << 1.1 << 1.0;
    QTest::newRow("nearer 1.25x") << 1.2 << 1.25;
    QTest::newRow("tie: the larger") << 2.5 << 3.0;
    QTest::newRow("above 3x") << 4.0 << 3.0;
}

void TestScaledFace::nearestScale()
{
    QFETCH(double, ratio);
    QFETCH(double, scale);
    QCOMPARE(artwork::nearestScale(ratio), scale);
}

void TestScaledFace::faceOnEveryScreen_data()
{
    QTest::addColumn<double>("scale");
    for (double scale : artwork::scales)
        QTest::newRow(qPrintable(QStringLiteral("%1x").arg(scale))) << scale;
}

void TestScaledFace::faceOnEveryScreen()
{
    QFETCH(double, scale);
    const QList<QScreen*> screens = QGuiApplication::screens();
    const auto screen = std::find_if(screens.begin(), screens.end(),
                                     [&](QScreen* s) { return s->devicePixelRatio() == scale; });
    QVERIFY2(screen != screens.end(), "no screen of this scale: run with support/screens.json");

    // Every plus icon showing, the texts and boxes out of the way.
    Form1& w = game_.w();
    for (QWidget* text : w.face()->findChildren<Label*>())
        text->hide();
    for (QWidget* box : w.face()->findChildren<TextBox*>())
        box->hide();
    for (size_t i = 0; i < 9; ++i) {
        w.ID[i]->show();
        w.IY[i]->show();
    }
    w.show();
    w.move((*screen)->geometry().topLeft() + QPoint(100, 100));
    QTRY_COMPARE(w.face()->devicePixelRatioF(), scale);

    // The whole window, as its backing store paints it, cut to the face: below the menu
    // bar, which at a fractional scale ends inside a device pixel.
    const QImage window = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const int faceTop = qRound(w.face()->y() * scale);
    const QImage shown = window.copy(0, faceTop, window.width(), window.height() - faceTop);
    const QDir artifacts(QStringLiteral(ARTIFACTS));
    QVERIFY(artifacts.mkpath(QStringLiteral(".")));
    const QString name = QStringLiteral("face@%1x").arg(scale);
    const QImage reference = drawReference(scale, artifacts.filePath(name + QStringLiteral(".reference.png")));
    QVERIFY2(!reference.isNull(), "the artwork tool drew no reference");
    QVERIFY(reference.width() >= shown.width() && reference.height() >= shown.height());

    const Difference d = compare(shown, reference.convertToFormat(QImage::Format_RGB32));
    if (d.pixels > 0)
        shown.save(artifacts.filePath(name + QStringLiteral(".shown.png")));
    QVERIFY2(d.pixels == 0, qPrintable(QStringLiteral("%1 pixels differ from the reference by more than %2, up to %3; "
                                                      "the first at (%4, %5); see %6")
                                           .arg(d.pixels)
                                           .arg(tolerance)
                                           .arg(d.worst)
                                           .arg(d.first.x())
                                           .arg(d.first.y())
                                           .arg(artifacts.filePath(name + QStringLiteral(".*.png")))));
}

QTEST_MAIN(TestScaledFace)
#include "test_scaled_face.moc"
