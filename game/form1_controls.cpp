// The main window built from the face table: the menu, the face with its controls made as
// the table says and bound to the designer's names, the timers, and the handlers wired to
// the events they answer.
#include "game/form1.h"

#include "game/form1_layout.h"
#include "controls/artwork.h"
#include "controls/twips.h"
#include "system/centring.h"
#include "system/chinese.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QTimer>

namespace {

// The window's face: the background picture, drawn unscaled from the top-left corner, in
// the version drawn for the scale nearest to the screen's.
class Face : public QWidget {
    Q_OBJECT
public:
    explicit Face(QWidget* parent) : QWidget(parent) {}

protected:
    // Where a window just shown waits to be mapped, the picture is decoded in that pause, at
    // the event loop's first turn, instead of at the first paint.
    void showEvent(QShowEvent*) override
    {
        if (shownWindowsWaitToBeMapped())
            QTimer::singleShot(0, this, [this] { picture(); });
    }
    void paintEvent(QPaintEvent*) override { QPainter(this).drawPixmap(0, 0, picture()); }

private:
    QPixmap picture() const { return artwork::pixmap(QStringLiteral("background"), devicePixelRatioF()); }
};

QFont fontOf(const face::Font& design)
{
    QFont font(fontFamily(QString::fromUtf8(design.family)));
    font.setPointSizeF(design.pointSize);
    font.setBold(design.bold);
    return font;
}

void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    const QColor c = colour.isValid() ? colour : QApplication::palette().color(QPalette::HighlightedText);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::WindowText, c);
    widget->setPalette(palette);
}

TextBox* makeDigitBox(const face::Control& design, QWidget* face)
{
    auto* box = new TextBox(face);
    box->setFont(fontOf(design.font));
    box->setFrame(false);
    box->setAlignment(Qt::AlignCenter);
    box->setMaxLength(1);
    // A box holds nothing or one digit, however the text arrives (typed, pasted, dropped).
    box->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]?")), box));
    QPalette palette = box->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, Qt::black);
        palette.setColor(group, QPalette::Text, design.colour);
    }
    box->setPalette(palette);
    box->setEnabled(false);
    return box;
}

Label* makeLabel(const face::Control& design, QRect rect, QWidget* face)
{
    auto* label = new Label(face);
    label->setFont(fontOf(design.font));
    setTextColour(label, design.colour);
    label->setGeometry(rect);  // an auto-size label keeps the place and takes its text's size
    label->setAutoSize(design.autoSize);
    label->setCaption(QString::fromUtf8(design.text));
    if (design.kind == face::Kind::ClickArea)
        label->setCursor(Qt::PointingHandCursor);
    return label;
}

}  // namespace

QIcon Form1::programIcon()
{
    // The sizes a title bar and a task switcher use; the large one is for the desktop's
    // icon theme only, and would cost a 256 KB window property for nothing.
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addPixmap(artwork::readPng(QStringLiteral(":/icon-%1.png").arg(size)));
    return icon;
}

void Form1::buildMenu()
{
    // The menu is part of the window's face, under its title bar, also on a desktop that
    // shows applications' menus in a bar of its own; Qt would otherwise also ask the session
    // bus for such a bar, and wait for the answer, before the window shows.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
    a0 = menuBar()->addMenu(QStringLiteral("选项"));
    a1 = a0->addAction(QStringLiteral("开始解锁"));
    a2 = a0->addAction(QStringLiteral("结束"));
    a4 = a0->addAction(QStringLiteral("正确号码"));
    a3 = a0->addAction(QStringLiteral("设置"));
    a2->setEnabled(false);
    a4->setEnabled(false);
}

void Form1::buildControls()
{
    face_ = new Face(this);
    face_->setObjectName(QStringLiteral("face"));
    face_->setFixedSize(px(face::clientWidth), px(face::clientHeight));
    setCentralWidget(face_);
    // Creation order is drawing order, the table's.
    for (const face::Placed& control : face::placedControls())
        makeControl(*control.design, control.name, control.rect);
    bindControls();
    Timer1.setInterval(countdownTickMs);
    Timer2.setInterval(messageShowsMs);
}

void Form1::makeControl(const face::Control& design, const QString& name, QRect rect)
{
    QWidget* control = nullptr;
    switch (design.kind) {
    case face::Kind::DigitBox:
        control = makeDigitBox(design, face_);
        control->setGeometry(rect);
        break;
    case face::Kind::Label:
    case face::Kind::ClickArea:
    case face::Kind::HistoryLabel:
        control = makeLabel(design, rect, face_);
        break;
    case face::Kind::Icon:
    case face::Kind::HistoryIcon:
        control = new Picture(QString::fromUtf8(design.text), face_);
        control->setGeometry(rect);
        break;
    }
    control->setObjectName(name);
    if (!design.visible)
        control->hide();
}

template <typename Control>
Control* Form1::control(const QString& name) const
{
    auto* found = face_->findChild<Control*>(name, Qt::FindDirectChildrenOnly);
    if (!found)
        qFatal("the face table has no control %s", qPrintable(name));
    return found;
}

// The handlers reach the controls by the designer's names, which the face table gives them.
void Form1::bindControls()
{
    const std::pair<const char*, Label* Form1::*> labels[] = {
        {"Label1", &Form1::Label1},   {"Label2", &Form1::Label2},   {"Label3", &Form1::Label3},
        {"Label4", &Form1::Label4},   {"Label5", &Form1::Label5},   {"Label6", &Form1::Label6},
        {"Label7", &Form1::Label7},   {"Label8", &Form1::Label8},   {"Label9", &Form1::Label9},
        {"Label10", &Form1::Label10}, {"Label11", &Form1::Label11}, {"Label12", &Form1::Label12},
        {"Label13", &Form1::Label13}, {"Label14", &Form1::Label14}, {"Label15", &Form1::Label15},
        {"Label16", &Form1::Label16}, {"Label17", &Form1::Label17}, {"Label18", &Form1::Label18},
        {"Lt", &Form1::Lt},           {"Lc", &Form1::Lc}};
    for (const auto& [name, member] : labels)
        this->*member = control<Label>(QString::fromUtf8(name));
    auto element = [](const char* array, size_t index) { return QStringLiteral("%1(%2)").arg(array).arg(index); };
    for (size_t i = 0; i < T.size(); ++i)
        T[i] = control<TextBox>(element("T", i));
    for (size_t i = 0; i < L.size(); ++i) {
        L[i] = control<Label>(element("L", i));
        Ld[i] = control<Label>(element("Ld", i));
        Ly[i] = control<Label>(element("Ly", i));
    }
    for (size_t i = 0; i < ID.size(); ++i) {
        ID[i] = control<QLabel>(element("ID", i));
        IY[i] = control<QLabel>(element("IY", i));
    }
}

void Form1::wireHandlers()
{
    // Queued, as a click on a menu is: a screen reader that chose the item gets its answer at
    // once, instead of waiting for a box or the settings dialog the item opens to close.
    connect(a1, &QAction::triggered, this, [this] { a1_Click(); }, Qt::QueuedConnection);
    connect(a2, &QAction::triggered, this, [this] { a2_Click(); }, Qt::QueuedConnection);
    connect(a3, &QAction::triggered, this, [this] { a3_Click(); }, Qt::QueuedConnection);
    connect(a4, &QAction::triggered, this, [this] { a4_Click(); }, Qt::QueuedConnection);
    for (int i = 0; i < static_cast<int>(T.size()); ++i) {
        T[static_cast<size_t>(i)]->setKeyPressHandler([this, i](int& keyAscii) { T_KeyPress(i, keyAscii); });
        T[static_cast<size_t>(i)]->setInputMethodHints(Qt::ImhDigitsOnly);  // a phone offers its digit keys
        connect(T[static_cast<size_t>(i)], &QLineEdit::textChanged, this, [this, i] { T_Change(i); });
    }
    connect(Label1, &Label::clicked, this, [this] { Label1_Click(); });
    Label3->setMouseTracking(true);
    Label5->setMouseTracking(true);
    connect(Label3, &Label::mouseMoved, this, [this] { Label3_MouseMove(); });
    connect(Label5, &Label::mouseMoved, this, [this] { Label5_MouseMove(); });
    connect(&Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
    connect(&Timer2, &QTimer::timeout, this, [this] { Timer2_Timer(); });
    connect(Label10, &Label::captionChanged, this, [this] { rememberRecords(); });
    connect(Label14, &Label::captionChanged, this, [this] { rememberRecords(); });
}

#include "form1_controls.moc"
