// The main window as designed: every control's place, size, text, font, colour and
// state at open, checked against the design table (in twips, 15 to a pixel).
#include "platform/chinese.h"
#include "support/gamefixture.h"

#include <QAccessible>
#include <QFile>
#include <QFontInfo>
#include <QMenuBar>
#include <QTest>

namespace {

int px(int twips) { return (twips + 7) / 15; }

struct Expected {
    const char* name;
    int left, top, width, height;
    const char* text;
    const char* family;
    double points;
    bool bold;
    QRgb colour;  // 0: the system's highlighted-text colour
    bool autoSize;
    bool visible;
};

const QRgb red = qRgb(255, 0, 0), green = qRgb(0, 255, 0), yellow = qRgb(255, 255, 0), white = qRgb(255, 255, 255),
           magenta = qRgb(255, 0, 255), lightYellow = qRgb(255, 255, 128), highlight = 0;

const Expected labels[] = {
    {"Label9", 120, 120, 495, 255, "纪录:", "宋体", 9, false, red, false, true},
    {"Label10", 600, 90, 615, 255, "1000", "宋体", 9, false, green, false, true},  // replaced at load
    {"Label13", 1200, 120, 630, 180, "纪录人:", "宋体", 9, false, red, true, true},
    {"Label14", 1920, 120, 720, 180, "Zadrevik", "宋体", 9, false, green, true, true},
    {"Label11", 2760, 120, 495, 255, "得分:", "宋体", 9, false, red, false, true},
    {"Label12", 3240, 120, 615, 255, "0", "宋体", 9, false, yellow, false, true},
    {"Label2", 3840, 120, 810, 180, "剩余时间:", "宋体", 9, false, white, true, true},
    {"Lt", 4680, 120, 495, 255, "", "宋体", 9, false, red, false, true},
    {"Label8", 120, 360, 1695, 255, "当前号码:", "宋体", 9, false, red, false, false},
    {"Label4", 3840, 360, 810, 180, "剩余次数:", "宋体", 9, false, white, true, true},
    {"Lc", 4800, 360, 375, 255, "", "宋体", 9, false, green, false, true},
    {"Label1", 3600, 600, 1335, 375, "", "宋体", 9, false, 1, false, true},
    {"Label3", 1320, 1200, 5055, 465, " 答题失败,请继续努力!", "楷体_GB2312", 21.75, true, white, false, false},
    {"Label5", 1515, 1200, 4815, 465, "答题失败,请继续努力!", "楷体_GB2312", 21.75, true, magenta, false, false},
    {"Label6", 3000, 1200, 1575, 1335, "", "宋体", 72, true, yellow, false, true},
    {"Label16", 240, 1680, 4695, 615, "输入四位数密码后按确定,如果密码正确,将会进入一关挑战。", "黑体", 10.5, true,
     highlight, false, true},
    {"Label17", 600, 2400, 4095, 375, "表示有多少答案，数字正确且位置正确。", "黑体", 10.5, true, highlight, false,
     true},
    {"Label18", 600, 2760, 4335, 375, "表示有多少答案，数字正确且位置不正确。", "黑体", 10.5, true, highlight, false,
     true},
    {"Label15", 3360, 3840, 1620, 180, nullptr, "宋体", 9, false, lightYellow, true, true},
    {"Label7", 6480, 65, 495, 255, "记录", "宋体", 9, true, red, false, true},
};

const QStringList chineseFamilies{"AR PL UMing CN", "AR PL UKai CN", "WenQuanYi Zen Hei"};

}  // namespace

class TestForm1Layout : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { installChineseFonts(); }
    void windowFrameAndClientArea();
    void menuOrderAndStates();
    void labelsAsDesigned();
    void digitBoxes();
    void historyRowsAndLegend();
    void timersAndIdlePhase();
    void fontsResolveToChineseFamilies();
    void autoSizeLabelsFollowTheirText();
    void screenReadersSeeEveryText();
    void screenReadersHearTheFaceInReadingOrder();
    void confirmIsPressedLikeAClick();
    void artworkIsBundled();
    void standardBoxesSpeakChinese();
};

void TestForm1Layout::windowFrameAndClientArea()
{
    Game game;
    Form1& w = game.w();
    QCOMPARE(w.windowTitle(), QStringLiteral("Varnoth"));
    QCOMPARE(w.face()->size(), QSize(537, 278));
    QCOMPARE(w.face()->y(), w.menuBar()->height());
    QCOMPARE(w.minimumSize(), w.maximumSize());  // fixed border
    QVERIFY(!w.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!w.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(w.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(w.windowFlags().testFlag(Qt::WindowSystemMenuHint));
    QVERIFY(!w.windowIcon().isNull());
}

void TestForm1Layout::menuOrderAndStates()
{
    Game game;
    Form1& w = game.w();
    QCOMPARE(w.menuBar()->actions().size(), 1);
    QCOMPARE(w.a0->title(), QStringLiteral("选项"));
    const QList<QAction*> items = w.a0->actions();
    QCOMPARE(items, (QList<QAction*>{w.a1, w.a2, w.a4, w.a3}));
    QCOMPARE(w.a1->text(), QStringLiteral("开始解锁"));
    QCOMPARE(w.a2->text(), QStringLiteral("结束"));
    QCOMPARE(w.a4->text(), QStringLiteral("正确号码"));
    QCOMPARE(w.a3->text(), QStringLiteral("设置"));
    QVERIFY(w.a1->isEnabled());
    QVERIFY(!w.a2->isEnabled());
    QVERIFY(!w.a4->isEnabled());
    QVERIFY(w.a3->isEnabled());
    for (QAction* item : items) {
        QVERIFY(item->shortcut().isEmpty());
        QVERIFY(!item->isCheckable());
        QVERIFY(!item->isSeparator());
    }
}

void TestForm1Layout::labelsAsDesigned()
{
    Game game;
    QVERIFY(game.showActive());
    for (const Expected& e : labels) {
        auto* label = game.w().face()->findChild<Label*>(QString::fromUtf8(e.name));
        QVERIFY2(label, e.name);
        const QByteArray where = QByteArray(e.name);
        QCOMPARE(label->pos(), QPoint(px(e.left), px(e.top)));
        if (!e.autoSize)
            QCOMPARE(label->size(), QSize(px(e.width), px(e.height)));
        if (e.text)
            QVERIFY2(label->caption() == QString::fromUtf8(e.text), where);
        else
            QVERIFY2(!label->caption().isEmpty(), where);
        QVERIFY2(label->font().family() == QString::fromUtf8(e.family), where);
        QVERIFY2(qFuzzyCompare(label->font().pointSizeF(), e.points), where);
        QVERIFY2(label->font().bold() == e.bold, where);
        const QColor colour = label->palette().color(QPalette::WindowText);
        if (e.colour == highlight)
            QVERIFY2(colour == QApplication::palette().color(QPalette::HighlightedText), where);
        else if (e.colour != 1)
            QVERIFY2(colour.rgb() == e.colour, where);
        QVERIFY2(label->autoSize() == e.autoSize, where);
        QVERIFY2(label->isVisible() == e.visible, where);
        QVERIFY2(!label->autoFillBackground(), where);  // transparent: the picture shows through
        QVERIFY2(label->alignment().testFlag(Qt::AlignLeft), where);
    }
    // The two message labels lie one over the other, the magenta one on top.
    QCOMPARE(game.w().Label3->geometry().top(), game.w().Label5->geometry().top());
    QVERIFY(game.w().face()->children().indexOf(game.w().Label5) > game.w().face()->children().indexOf(game.w().Label3));
}

void TestForm1Layout::digitBoxes()
{
    Game game;
    const int lefts[] = {150, 1080, 1920, 2760};
    const int widths[] = {600, 615, 615, 615};
    for (size_t i = 0; i < 4; ++i) {
        TextBox* box = game.w().T[i];
        QCOMPARE(box->geometry(), QRect(px(lefts[i]), px(720), px(widths[i]), px(180)));
        QCOMPARE(box->maxLength(), 1);
        QVERIFY(box->alignment().testFlag(Qt::AlignHCenter));
        QVERIFY(box->text().isEmpty());
        QVERIFY(!box->isEnabled());
        QVERIFY(!box->hasFrame());
        QCOMPARE(box->palette().color(QPalette::Base), QColor(Qt::black));
        QCOMPARE(box->palette().color(QPalette::Text), QColor(Qt::white));
        QCOMPARE(box->palette().color(QPalette::Disabled, QPalette::Base), QColor(Qt::black));
        QCOMPARE(box->font().family(), QStringLiteral("宋体"));
        QCOMPARE(box->font().pointSizeF(), 9.0);
    }
    // Tab order follows the index.
    for (size_t i = 0; i + 1 < 4; ++i)
        QCOMPARE(game.w().T[i]->nextInFocusChain(), static_cast<QWidget*>(game.w().T[i + 1]));
}

void TestForm1Layout::historyRowsAndLegend()
{
    Game game;
    QVERIFY(game.showActive());
    Form1& w = game.w();
    for (size_t i = 0; i < 9; ++i) {
        const int top = 360 + 240 * static_cast<int>(i);
        QCOMPARE(w.L[i]->geometry(), QRect(px(5640), px(top), px(615), px(255)));
        QCOMPARE(w.Ld[i]->geometry(), QRect(px(6840), px(top), px(135), px(255)));
        QCOMPARE(w.ID[i]->geometry(), QRect(px(6960), px(top), px(240), px(240)));
        QCOMPARE(w.Ly[i]->geometry(), QRect(px(7320), px(top), px(135), px(255)));
        QCOMPARE(w.IY[i]->geometry(), QRect(px(7440), px(top), px(240), px(240)));
        for (Label* cell : {w.L[i], w.Ld[i], w.Ly[i]}) {
            QVERIFY(cell->caption().isEmpty());
            QVERIFY(cell->isVisible());
            QCOMPARE(cell->font().family(), QStringLiteral("宋体"));
            QCOMPARE(cell->font().pointSizeF(), 12.0);
        }
        QCOMPARE(w.L[i]->palette().color(QPalette::WindowText), QColor(255, 255, 0));
        QCOMPARE(w.Ld[i]->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QCOMPARE(w.Ly[i]->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QVERIFY(!w.ID[i]->isVisible());
        QVERIFY(!w.IY[i]->isVisible());
    }
    QCOMPARE(w.ID[9]->geometry(), QRect(px(240), px(2400), px(240), px(240)));
    QCOMPARE(w.IY[9]->geometry(), QRect(px(240), px(2760), px(240), px(240)));
    QVERIFY(w.ID[9]->isVisible());
    QVERIFY(w.IY[9]->isVisible());
    for (size_t i = 0; i < 10; ++i) {
        QCOMPARE(w.ID[i]->pixmap().size(), QSize(16, 16));
        QCOMPARE(w.IY[i]->pixmap().size(), QSize(16, 16));
        QCOMPARE(w.ID[i]->pixmap().toImage(), w.ID[9]->pixmap().toImage());
        QCOMPARE(w.IY[i]->pixmap().toImage(), w.IY[9]->pixmap().toImage());
    }
    QVERIFY(w.ID[9]->pixmap().toImage() != w.IY[9]->pixmap().toImage());
}

void TestForm1Layout::timersAndIdlePhase()
{
    Game game;
    QVERIFY(game.showActive());
    Form1& w = game.w();
    QCOMPARE(w.Timer1.interval(), 1000);
    QCOMPARE(w.Timer2.interval(), 2000);
    QVERIFY(!w.Timer1.isActive());
    QVERIFY(!w.Timer2.isActive());
    QVERIFY(w.Lt->caption().isEmpty());
    QVERIFY(w.Lc->caption().isEmpty());
    QVERIFY(w.Label6->caption().isEmpty());
    // Nothing can take the keyboard focus at start: the four boxes are disabled.
    QWidget* focus = QApplication::focusWidget();
    QVERIFY(!focus || !qobject_cast<QLineEdit*>(focus));
    // Start-up put the default record in place and seeded the random numbers once.
    QCOMPARE(w.Label10->caption(), QStringLiteral("1000"));
    QCOMPARE(w.Label14->caption(), QStringLiteral("Zadrevik"));
    QCOMPARE(game.platform.seeds, 1);
}

void TestForm1Layout::fontsResolveToChineseFamilies()
{
    Game game;
    for (Label* label : {game.w().Label9, game.w().Label3, game.w().Label6, game.w().Label16}) {
        const QFontInfo info(label->font());
        QVERIFY2(chineseFamilies.contains(info.family()), qPrintable(label->objectName() + ": " + info.family()));
    }
    QCOMPARE(QFontInfo(game.w().Label9->font()).family(), QStringLiteral("AR PL UMing CN"));
    QCOMPARE(QFontInfo(game.w().Label3->font()).family(), QStringLiteral("AR PL UKai CN"));
    QCOMPARE(QFontInfo(game.w().Label16->font()).family(), QStringLiteral("WenQuanYi Zen Hei"));
    QCOMPARE(QFontInfo(game.w().Label9->font()).pixelSize(), 12);  // 9 pt at 96 dpi, 180 twips a line
    // Every character of the captions has a glyph in the font it is drawn with.
    for (Label* label : {game.w().Label16, game.w().Label17, game.w().Label18, game.w().Label3}) {
        const QFontMetrics metrics(label->font());
        for (QChar c : label->caption())
            QVERIFY2(metrics.inFontUcs4(c.unicode()), qPrintable(label->objectName() + ": " + c));
    }
}

void TestForm1Layout::autoSizeLabelsFollowTheirText()
{
    Game game;
    Form1& w = game.w();
    const int shortWidth = w.Label14->width();
    w.Label14->setCaption(QStringLiteral("一位名字很长很长的纪录保持者"));
    QVERIFY(w.Label14->width() > shortWidth);
    QCOMPARE(w.Label14->pos(), QPoint(px(1920), px(120)));
    // Fixed labels keep their box.
    w.Label12->setCaption(QStringLiteral("123456789012345"));
    QCOMPARE(w.Label12->size(), QSize(px(615), px(255)));
}

void TestForm1Layout::screenReadersSeeEveryText()
{
    Game game;
    QVERIFY(game.showActive());
    Form1& w = game.w();
    auto nameOf = [](QObject* object) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(object);
        return a ? a->text(QAccessible::Name) : QStringLiteral("<none>");
    };
    QCOMPARE(nameOf(w.Label16), w.Label16->caption());
    QCOMPARE(nameOf(w.Label9), QStringLiteral("纪录:"));
    QCOMPARE(nameOf(w.Label1), QStringLiteral("确定"));
    QCOMPARE(nameOf(w.ID[9]), QStringLiteral("位置正确"));
    QCOMPARE(nameOf(w.IY[9]), QStringLiteral("位置不正确"));
    QVERIFY(!nameOf(w.T[0]).isEmpty());
    w.Label12->setCaption(QStringLiteral("2222"));
    QCOMPARE(nameOf(w.Label12), QStringLiteral("2222"));  // the current text, not the design one
    QAccessibleInterface* menu = QAccessible::queryAccessibleInterface(w.a0);
    QVERIFY(menu);
    QCOMPARE(nameOf(&w), QStringLiteral("Varnoth"));
}

// What a reader walking the face hears during a game, in order: what shows, with its role,
// its name and the caption that names it. Hidden and empty labels are not heard, the white
// copy of the message and the history's loose labels and icons are not listed at all.
void TestForm1Layout::screenReadersHearTheFaceInReadingOrder()
{
    Game game;
    QVERIFY(game.showActive());
    Form1& w = game.w();
    game.start("5037");
    game.guess("3058");
    w.a4_Click();
    const struct {
        QAccessible::Role role;
        const char* name;
        const char* labelledBy;
    } heard[] = {
        {QAccessible::StaticText, "纪录:", nullptr},
        {QAccessible::StaticText, "1000", "纪录:"},
        {QAccessible::StaticText, "纪录人:", nullptr},
        {QAccessible::StaticText, "Zadrevik", "纪录人:"},
        {QAccessible::StaticText, "得分:", nullptr},
        {QAccessible::StaticText, "0", "得分:"},
        {QAccessible::StaticText, "剩余时间:", nullptr},
        {QAccessible::StaticText, "300", "剩余时间:"},
        {QAccessible::StaticText, "正确号码: 5037", nullptr},
        {QAccessible::StaticText, "剩余次数:", nullptr},
        {QAccessible::StaticText, "8", "剩余次数:"},
        {QAccessible::EditableText, "第1位数字", nullptr},
        {QAccessible::EditableText, "第2位数字", nullptr},
        {QAccessible::EditableText, "第3位数字", nullptr},
        {QAccessible::EditableText, "第4位数字", nullptr},
        {QAccessible::PushButton, "确定", nullptr},
        {QAccessible::StaticText, "输入四位数密码后按确定,如果密码正确,将会进入一关挑战。", nullptr},
        {QAccessible::Graphic, "位置正确", nullptr},
        {QAccessible::StaticText, "表示有多少答案，数字正确且位置正确。", nullptr},
        {QAccessible::Graphic, "位置不正确", nullptr},
        {QAccessible::StaticText, "表示有多少答案，数字正确且位置不正确。", nullptr},
        {QAccessible::StaticText, "设计: 锁匠工作室", nullptr},
        {QAccessible::StaticText, "记录", nullptr},
        {QAccessible::List, "记录", "记录"},
    };
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w.face());
    QList<QAccessibleInterface*> showing;
    for (int i = 0; i < face->childCount(); ++i) {
        QAccessibleInterface* child = face->child(i);
        QCOMPARE(face->indexOfChild(child), i);
        QCOMPARE(child->parent(), face);
        if (!child->state().invisible)
            showing.append(child);
        QVERIFY(child->object() != w.Label3);
    }
    QCOMPARE(showing.size(), qsizetype(std::size(heard)));
    for (size_t i = 0; i < std::size(heard); ++i) {
        QAccessibleInterface* child = showing.at(static_cast<qsizetype>(i));
        const QByteArray where = QByteArray::number(qulonglong(i)) + ": " + heard[i].name;
        QVERIFY2(child->role() == heard[i].role, where);
        QVERIFY2(child->text(QAccessible::Name) == QString::fromUtf8(heard[i].name), where);
        const auto captions = child->relations(QAccessible::Label);
        QVERIFY2(captions.size() == (heard[i].labelledBy ? 1 : 0), where);
        if (heard[i].labelledBy) {
            QAccessibleInterface* caption = captions.first().first;
            QVERIFY2(caption->text(QAccessible::Name) == QString::fromUtf8(heard[i].labelledBy), where);
            const auto named = caption->relations(QAccessible::Labelled);
            if (heard[i].role != QAccessible::List)  // the heading names the panel, not a widget
                QVERIFY2(named.size() == 1 && named.first().first == child, where);
        }
    }
    // The used rows are the list's items; a solved round empties it.
    QAccessibleInterface* history = showing.last();
    QCOMPARE(history->childCount(), 1);
    QCOMPARE(history->child(0)->role(), QAccessible::ListItem);
    QCOMPARE(history->child(0)->text(QAccessible::Name), QStringLiteral("3058,位置正确 1 个,位置不正确 2 个"));
    QCOMPARE(history->indexOfChild(history->child(0)), 0);
    game.guess("1249");
    QCOMPARE(history->childCount(), 2);
    QCOMPARE(history->child(1)->text(QAccessible::Name), QStringLiteral("1249,位置正确 0 个,位置不正确 0 个"));
    game.guess("5037");
    QCOMPARE(history->childCount(), 0);
    // The result message is the magenta label, a notification; the big count is one too.
    QAccessibleInterface* message = QAccessible::queryAccessibleInterface(w.Label5);
    QCOMPARE(message->role(), QAccessible::Notification);
    QCOMPARE(message->text(QAccessible::Name), QStringLiteral("答题成功,进入下一轮!"));
    QVERIFY(!message->state().invisible);
    QCOMPARE(QAccessible::queryAccessibleInterface(w.Label6)->role(), QAccessible::Notification);
}

// 确定 takes no focus, as before; its press action does what a click does, after the
// press has returned.
void TestForm1Layout::confirmIsPressedLikeAClick()
{
    Game game;
    QVERIFY(game.showActive());
    Form1& w = game.w();
    game.start("5037");
    QAccessibleInterface* confirm = QAccessible::queryAccessibleInterface(w.Label1);
    QVERIFY(!confirm->state().focusable);
    QCOMPARE(w.Label1->focusPolicy(), Qt::NoFocus);
    QAccessibleActionInterface* actions = confirm->actionInterface();
    QVERIFY(actions);
    QCOMPARE(actions->actionNames(), QStringList{QAccessibleActionInterface::pressAction()});
    for (size_t i = 0; i < 4; ++i)
        w.T[i]->setText(QString(QChar(u"1234"[i])));
    actions->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(w.Lc->caption(), QStringLiteral("9"));
    QCoreApplication::processEvents();
    QCOMPARE(w.Lc->caption(), QStringLiteral("8"));
    QCOMPARE(w.L[0]->caption(), QStringLiteral("1234"));
}

void TestForm1Layout::artworkIsBundled()
{
    const QImage background(QStringLiteral(":/background.png"));
    QCOMPARE(background.size(), QSize(538, 278));
    QCOMPARE(QImage(QStringLiteral(":/background@2x.png")).size(), QSize(1076, 556));
    // The digit windows, the two panels are black inside; the face around them is not.
    for (const QPoint& p : {QPoint(30, 54), QPoint(90, 54), QPoint(146, 54), QPoint(200, 54), QPoint(150, 200),
                            QPoint(440, 150)})
        QCOMPARE(QColor(background.pixel(p)), QColor(Qt::black));
    QVERIFY(QColor(background.pixel(340, 10)) != QColor(Qt::black));
    // The eleven key caps are red.
    for (int k = 0; k < 11; ++k) {
        const QColor cap = background.pixel(8 + 30 * k + 3, 94);
        QVERIFY2(cap.red() > 2 * cap.green() && cap.red() > 90, qPrintable(QString::number(k)));
    }
    for (int size : {16, 32, 48, 256})
        QCOMPARE(QImage(QStringLiteral(":/icon-%1.png").arg(size)).size(), QSize(size, size));
}

void TestForm1Layout::standardBoxesSpeakChinese()
{
    if (!QFile::exists(qtTranslationsFolder() + "/qtbase_zh_CN.qm"))
        QSKIP("Qt's Chinese translations are not installed");
    installChineseQtTexts(*QCoreApplication::instance());
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "OK"), QStringLiteral("确定"));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("取消"));
}

// Started the way the game starts, with fontconfig read on a helper thread while the
// application connects, so that the font checks cover that road too.
int main(int argc, char* argv[])
{
    FontConfigPreload fontConfig;
    QApplication app(argc, argv);
    fontConfig.wait();
    QApplication::setAttribute(Qt::AA_Use96Dpi, true);
    TestForm1Layout test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "test_form1_layout.moc"
