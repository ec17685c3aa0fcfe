// The main window as designed: every control built as the face table says, and the
// relations any design must keep: each digit box in its painted window, each icon beside
// its count, nothing over a control that takes input, every text whole in its box, and
// the face read in the table's order.
#include "game/form1_accessibility.h"
#include "game/form1_layout.h"
#include "accessibility/accessibility.h"
#include "system/chinese.h"
#include "support/gamefixture.h"
#include "support/layoutchecks.h"

#include <QAccessible>
#include <QFile>
#include <QFontInfo>
#include <QLineEdit>
#include <QLibraryInfo>
#include <QMenuBar>
#include <QTest>

namespace {

using face::Placed;
using face::rectOf;

// Texts the labels show during a game, beside the ones they open with.
const QHash<QString, QStringList> shownLater{
    {"Label3", {" 答题成功,进入下一轮!", " 恭喜通关,请继续挑战!"}},
    {"Label5", {"答题成功,进入下一轮!", "恭喜通关,请继续挑战!"}},
    {"Label8", {"正确号码: 5037"}},
    {"Label10", {"1000", "16665"}},
    {"Label12", {"166650"}},
    {"Lt", {"300"}},
    {"Lc", {"9"}},
    {"Label6", {"1", "4", "8", "9"}},
    {"L(8)", {"9876"}},
    {"Ld(8)", {"4"}},
    {"Ly(8)", {"4"}},
};

const QStringList chineseFamilies{"AR PL UMing CN", "AR PL UKai CN", "WenQuanYi Zen Hei"};

}  // namespace

class TestForm1Layout : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        installChineseFonts();
        installScreenReaderSupport();
    }
    void windowFrameAndClientArea();
    void menuOrderAndStates();
    void controlsAsTheTableSays();
    void faceKeepsItsRelations();
    void textsFitTheirBoxes();
    void timersAndIdlePhase();
    void fontsResolveToChineseFamilies();
    void autoSizeLabelsFollowTheirText();
    void screenReadersSeeEveryText();
    void aLabelFollowsItsShowingOnce();
    void screenReadersHearTheFaceInReadingOrder();
    void theGameIsToldInSpeech();
    void textBoxesAnswerEveryBoundary();
    void confirmIsPressedLikeAClick();
    void artworkIsBundled();
    void standardBoxesSpeakChinese();
};

void TestForm1Layout::windowFrameAndClientArea()
{
    Game game;
    Form1& w = game.w();
    QCOMPARE(w.windowTitle(), QStringLiteral("Varnoth"));
    QCOMPARE(w.face()->size(), QSize(px(face::clientWidth), px(face::clientHeight)));
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

// As built, before the load handler puts the record in.
void TestForm1Layout::controlsAsTheTableSays()
{
    Module1 module;
    ScriptedPlatform platform;
    QTemporaryDir dir;
    Form1 w(module, platform, records::RecordsFile{dir.path()});
    QCOMPARE(w.face()->size(), QSize(px(face::clientWidth), px(face::clientHeight)));
    const std::vector<Placed> placed = face::placedControls();
    const QList<QWidget*> made = w.face()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    QCOMPARE(size_t(made.size()), placed.size());
    for (size_t i = 0; i < placed.size(); ++i) {
        const face::Control& design = *placed[i].design;
        const QByteArray where = placed[i].name.toUtf8();
        QWidget* control = made[qsizetype(i)];  // in the table's order, which is drawing order
        QVERIFY2(control->objectName() == placed[i].name, where + " is not where the table has it");
        QVERIFY2(control->isHidden() == !design.visible, where);
        if (auto* label = qobject_cast<Label*>(control)) {
            QVERIFY2(label->pos() == placed[i].rect.topLeft(), where);
            QVERIFY2(design.autoSize || label->size() == placed[i].rect.size(), where);
            QVERIFY2(label->autoSize() == design.autoSize, where);
            QVERIFY2(label->caption() == QString::fromUtf8(design.text), where);
            QVERIFY2(label->font().family() == fontFamily(QString::fromUtf8(design.font.family)), where);
            QVERIFY2(qFuzzyCompare(label->font().pointSizeF(), design.font.pointSize), where);
            QVERIFY2(label->font().bold() == design.font.bold, where);
            const QColor colour = design.colour.isValid() ? design.colour
                                                          : QApplication::palette().color(QPalette::HighlightedText);
            QVERIFY2(label->palette().color(QPalette::WindowText) == colour, where);
            QVERIFY2(!label->autoFillBackground(), where);  // transparent: the picture shows through
            QVERIFY2(label->alignment().testFlag(Qt::AlignLeft), where);
        } else if (auto* box = qobject_cast<TextBox*>(control)) {
            QVERIFY2(box->geometry() == placed[i].rect, where);
            QVERIFY2(box->maxLength() == 1, where);
            QVERIFY2(box->alignment().testFlag(Qt::AlignHCenter), where);
            QVERIFY2(box->text().isEmpty() && !box->isEnabled() && !box->hasFrame(), where);
            for (auto group : {QPalette::Active, QPalette::Disabled}) {
                QVERIFY2(box->palette().color(group, QPalette::Base) == QColor(Qt::black), where);
                QVERIFY2(box->palette().color(group, QPalette::Text) == design.colour, where);
            }
            QVERIFY2(box->font().family() == fontFamily(QString::fromUtf8(design.font.family)), where);
            QVERIFY2(box->font().pointSizeF() == design.font.pointSize, where);
        } else {
            auto* icon = qobject_cast<QLabel*>(control);
            QVERIFY2(icon, where);
            QVERIFY2(icon->geometry() == placed[i].rect, where);
            QVERIFY2(icon->pixmap().size() == placed[i].rect.size(), where);  // drawn at its natural size
        }
    }
    // All ten icons of an array show the same picture; the two arrays differ.
    for (size_t i = 0; i < w.ID.size(); ++i) {
        QCOMPARE(w.ID[i]->pixmap().toImage(), w.ID[0]->pixmap().toImage());
        QCOMPARE(w.IY[i]->pixmap().toImage(), w.IY[0]->pixmap().toImage());
    }
    QVERIFY(w.ID[0]->pixmap().toImage() != w.IY[0]->pixmap().toImage());
    // Tab order follows the index.
    for (size_t i = 0; i + 1 < w.T.size(); ++i)
        QCOMPARE(w.T[i]->nextInFocusChain(), static_cast<QWidget*>(w.T[i + 1]));
}

void TestForm1Layout::faceKeepsItsRelations()
{
    const QRect client(QPoint(0, 0), QSize(px(face::clientWidth), px(face::clientHeight)));
    const std::vector<Placed> placed = face::placedControls();
    for (const Placed& p : placed)
        QVERIFY2(client.contains(p.rect), qPrintable(p.name + " leaves the window"));

    // Each digit box lies in its painted window (within its frame), level with its black
    // inside; the click area covers the painted button.
    for (size_t i = 0; i < face::digitWindows.size(); ++i) {
        const face::BlackWindow& window = face::digitWindows[i];
        const QRect box = rectOf(QStringLiteral("T(%1)").arg(i));
        QVERIFY(window.inside().adjusted(-window.frame, 0, window.frame, 0).contains(box));
        QVERIFY(window.inside().top() <= box.top() && box.bottom() <= window.inside().bottom());
    }
    QVERIFY(rectOf("Label1").contains(face::confirmButton.center()));

    // Each history row lies in the history panel: the guess, then each count with its icon
    // right beside it.
    const QRect history = face::historyPanel.inside();
    const QRect heading = rectOf("Label7");  // over the panel's top edge
    QVERIFY(heading.left() > history.left() && heading.right() < history.right() && heading.top() < history.top());
    for (int row = 0; row < face::historyRows; ++row) {
        auto cell = [row](const char* array) { return rectOf(QStringLiteral("%1(%2)").arg(array).arg(row)); };
        const QByteArray where = "row " + QByteArray::number(row);
        for (const char* array : {"L", "Ld", "ID", "Ly", "IY"})
            QVERIFY2(history.contains(cell(array)), where);
        QVERIFY2(cell("L").right() < cell("Ld").left(), where);
        QVERIFY2(beside(cell("Ld"), cell("ID"), 2), where);
        QVERIFY2(beside(cell("Ly"), cell("IY"), 2), where);
        QVERIFY2(cell("ID").right() < cell("Ly").left(), where);
    }
    // The legend icons stand before their legends, in the instructions panel.
    const QRect instructions = face::instructionsPanel.inside();
    for (const char* name : {"Label16", "Label17", "Label18", "ID(9)", "IY(9)"})
        QVERIFY2(instructions.contains(rectOf(name)), name);
    QVERIFY(beside(rectOf("ID(9)"), rectOf("Label17"), 8));
    QVERIFY(beside(rectOf("IY(9)"), rectOf("Label18"), 8));

    // No two controls that take input overlap, and no control drawn after one covers it (it
    // would take its clicks). The message is one control in two labels.
    const QStringList live{"T(0)", "T(1)", "T(2)", "T(3)", "Label1", "Label3", "Label5"};
    const QStringList message{"Label3", "Label5"};
    for (size_t i = 0; i < placed.size(); ++i) {
        for (size_t j = i + 1; j < placed.size(); ++j) {
            const Placed &under = placed[i], &over = placed[j];
            if (!under.rect.intersects(over.rect) || !live.contains(under.name)
                || (message.contains(under.name) && message.contains(over.name)))
                continue;
            QFAIL(qPrintable(over.name + " covers " + under.name));
        }
    }
}

// Every label's texts, the one it opens with and those it shows during a game, show whole
// in the box the table gives it, in the game's fonts, on a plain and a doubled screen.
void TestForm1Layout::textsFitTheirBoxes()
{
    Game game;
    for (Label* label : game.w().face()->findChildren<Label*>()) {
        const QSize box = label->autoSize() ? label->size() : rectOf(label->objectName()).size();
        QStringList texts = shownLater.value(label->objectName());
        for (const Placed& p : face::placedControls())
            if (p.name == label->objectName())
                texts << QString::fromUtf8(p.design->text);
        for (const QString& text : texts) {
            for (qreal scale : {1.0, 2.0}) {
                const auto outside = inkOutside(*label, text, box, scale);
                QVERIFY2(!outside, qPrintable(QStringLiteral("%1 \"%2\" at %3x: ink at (%4, %5) outside %6 x %7")
                                                  .arg(label->objectName(), text)
                                                  .arg(scale)
                                                  .arg(outside ? outside->x() : 0)
                                                  .arg(outside ? outside->y() : 0)
                                                  .arg(box.width())
                                                  .arg(box.height())));
            }
        }
    }
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
    QCOMPARE(w.Label14->pos(), rectOf("Label14").topLeft());
    // Fixed labels keep their box.
    w.Label12->setCaption(QStringLiteral("123456789012345"));
    QCOMPARE(w.Label12->size(), rectOf("Label12").size());
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

// However often it is asked, and whatever else the label owns, one reporter follows what
// the label shows (a search for it once matched any child object of the label).
void TestForm1Layout::aLabelFollowsItsShowingOnce()
{
    Label label;
    new QObject(&label);
    accessibility::followShowing(&label);
    accessibility::followShowing(&label);
    int reporters = 0;
    for (const QObject* child : label.children())
        reporters += QByteArray(child->metaObject()->className()) == "ShowingReporter" ? 1 : 0;
    QCOMPARE(reporters, 1);
}

// What a reader walking the face hears during a game: every control in the face table's
// reading order, then the history list; of them, what shows, with its role, its name and
// the caption that names it. Hidden and empty labels are not heard.
void TestForm1Layout::screenReadersHearTheFaceInReadingOrder()
{
    Game game;
    QVERIFY(game.showActive());
    Form1& w = game.w();
    game.start("5037");
    game.guess("3058");
    w.a4_Click();
    struct Heard {
        QAccessible::Role role;
        const char* name;
        const char* labelledBy;
    };
    const QHash<QString, Heard> heard{
        {"Label9", {QAccessible::StaticText, "纪录:", nullptr}},
        {"Label10", {QAccessible::StaticText, "1000", "纪录:"}},
        {"Label13", {QAccessible::StaticText, "纪录人:", nullptr}},
        {"Label14", {QAccessible::StaticText, "Zadrevik", "纪录人:"}},
        {"Label11", {QAccessible::StaticText, "得分:", nullptr}},
        {"Label12", {QAccessible::StaticText, "0", "得分:"}},
        {"Label2", {QAccessible::StaticText, "剩余时间:", nullptr}},
        {"Lt", {QAccessible::StaticText, "300", "剩余时间:"}},
        {"Label8", {QAccessible::StaticText, "正确号码: 5037", nullptr}},
        {"Label4", {QAccessible::StaticText, "剩余次数:", nullptr}},
        {"Lc", {QAccessible::StaticText, "8", "剩余次数:"}},
        {"T(0)", {QAccessible::EditableText, "第1位数字", nullptr}},
        {"T(1)", {QAccessible::EditableText, "第2位数字", nullptr}},
        {"T(2)", {QAccessible::EditableText, "第3位数字", nullptr}},
        {"T(3)", {QAccessible::EditableText, "第4位数字", nullptr}},
        {"Label1", {QAccessible::PushButton, "确定", nullptr}},
        {"Label16", {QAccessible::StaticText, "输入四位数密码后按确定,如果密码正确,将会进入一关挑战。", nullptr}},
        {"ID(9)", {QAccessible::Graphic, "位置正确", nullptr}},
        {"Label17", {QAccessible::StaticText, "表示有多少答案，数字正确且位置正确。", nullptr}},
        {"IY(9)", {QAccessible::Graphic, "位置不正确", nullptr}},
        {"Label18", {QAccessible::StaticText, "表示有多少答案，数字正确且位置不正确。", nullptr}},
        {"Label15", {QAccessible::StaticText, "设计: 锁匠工作室", nullptr}},
        {"Label7", {QAccessible::StaticText, "记录", nullptr}},
        {"history", {QAccessible::List, "记录", "记录"}},
    };
    QStringList order;
    for (const face::Control* control : face::inReadingOrder())
        order << QString::fromUtf8(control->name);
    order << "history";
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w.face());
    QCOMPARE(face->role(), QAccessible::Client);
    QCOMPARE(face->text(QAccessible::Name), QStringLiteral("密码锁"));
    QCOMPARE(face->childCount(), order.size());
    QStringList showing;
    for (int i = 0; i < face->childCount(); ++i) {
        QAccessibleInterface* child = face->child(i);
        const QString name = i + 1 < face->childCount() ? child->object()->objectName() : QStringLiteral("history");
        const QByteArray where = QByteArray::number(i) + ": " + name.toUtf8();
        QVERIFY2(name == order[i], where + " where the table reads " + order[i].toUtf8());
        QVERIFY2(face->indexOfChild(child) == i, where);
        QVERIFY2(child->parent() == face, where);
        if (child->state().invisible)
            continue;
        showing << name;
        QVERIFY2(heard.contains(name), where + " is heard");
        const Heard& h = heard[name];
        QVERIFY2(child->role() == h.role, where);
        QVERIFY2(child->text(QAccessible::Name) == QString::fromUtf8(h.name), where);
        const auto captions = child->relations(QAccessible::Label);
        QVERIFY2(captions.size() == (h.labelledBy ? 1 : 0), where);
        if (h.labelledBy) {
            QAccessibleInterface* caption = captions.first().first;
            QVERIFY2(caption->text(QAccessible::Name) == QString::fromUtf8(h.labelledBy), where);
            // The caption does not claim its figure back: Orca 51's flat review would leave
            // the caption out and read the figure's text alone.
            QVERIFY2(caption->relations(QAccessible::Labelled).isEmpty(), where);
        }
    }
    QCOMPARE(showing.size(), heard.size());
    // The used rows are the list's items; a solved round empties it.
    QAccessibleInterface* history = face->child(face->childCount() - 1);
    QCOMPARE(history->childCount(), 1);
    QCOMPARE(history->child(0)->role(), QAccessible::ListItem);
    QCOMPARE(history->child(0)->text(QAccessible::Name), QStringLiteral("3058,位置正确 1 个,位置不正确 2 个"));
    QCOMPARE(history->indexOfChild(history->child(0)), 0);
    game.guess("1249");
    QCOMPARE(history->childCount(), 2);
    QCOMPARE(history->child(1)->text(QAccessible::Name), QStringLiteral("1249,位置正确 0 个,位置不正确 0 个"));
    // Flat review joins what lies at one height: the rows take the whole panel's extents,
    // so that they read as one line of their own, not beside a caption or 确定.
    QVERIFY(!history->rect().isEmpty());
    QCOMPARE(history->child(0)->rect(), history->rect());
    QCOMPARE(history->child(1)->rect(), history->rect());
    game.guess("5037");
    QCOMPARE(history->childCount(), 0);
    QAccessibleInterface* message = QAccessible::queryAccessibleInterface(w.Label5);
    QCOMPARE(message->text(QAccessible::Name), QStringLiteral("答题成功,进入下一轮!"));
    QVERIFY(!message->state().invisible);
    // The big count reads with its meaning.
    game.tick(291);
    QCOMPARE(QAccessible::queryAccessibleInterface(w.Label6)->text(QAccessible::Name), QStringLiteral("剩余 9 秒"));
}

// What the player hears as the game goes on, in one announcement per handler: the start,
// a refused key, the row or the round's message, then the tries left; and a game's end,
// with its score, told by the record box before its prompt, or on its own. While no game
// runs, the focus rests on the face, which says how to begin.
void TestForm1Layout::theGameIsToldInSpeech()
{
    Game game;
    QVERIFY(game.showActive());
    Form1& w = game.w();
    QCOMPARE(game.focused(), w.face());
    const auto heard = [&] {
        QCoreApplication::processEvents();
        return lastAnnouncement(w);
    };
    game.start("5037");
    QCOMPARE(heard(), QStringLiteral("游戏开始,剩余时间 300 秒,剩余次数 9。"));
    QTest::keyClick(w.T[0], Qt::Key_A);
    QCOMPARE(heard(), QStringLiteral("只能输入数字。"));
    game.guess("3058");
    QCOMPARE(heard(), QStringLiteral("3058,位置正确 1 个,位置不正确 2 个。剩余次数 8。"));
    game.platform.queueCode("1234");
    game.guess("5037");
    QCOMPARE(heard(), QStringLiteral("答题成功,进入下一轮!剩余次数 7。得分 1111。"));
    game.platform.replies.push_back({QStringLiteral("听风"), {}});
    w.a2_Click();
    QCOMPARE(game.platform.prompts.back().about, QStringLiteral("游戏结束,得分 1111。"));
    QCOMPARE(heard(), QStringLiteral("答题成功,进入下一轮!剩余次数 7。得分 1111。"));  // told once, by the box
    QCOMPARE(game.focused(), w.face());
    game.start("5037");
    heard();
    game.tick(300);
    QCOMPARE(heard(), QStringLiteral("时间到。答题失败,请继续努力!游戏结束,得分 0。"));
    QCOMPARE(game.focused(), w.face());
}

// Every question a screen reader can ask about a text box's text is answered: every kind of
// boundary, before, at and after every offset (Qt's own answer to a word or sentence at the
// end of the text never comes: seen on 6.4.2 and 6.8.2).
void TestForm1Layout::textBoxesAnswerEveryBoundary()
{
    Game game;
    QVERIFY(game.showActive());
    QLineEdit plain;
    for (QLineEdit* box : {static_cast<QLineEdit*>(game.w().T[0]), &plain}) {
        for (const QString& text : {QString(), QStringLiteral("7"), QStringLiteral("听风 Zadrevik, 300")}) {
            box->setMaxLength(100);
            box->setValidator(nullptr);
            box->setText(text);
            QAccessibleTextInterface* t = QAccessible::queryAccessibleInterface(box)->textInterface();
            QVERIFY(t);
            QCOMPARE(t->characterCount(), text.size());
            for (int b = QAccessible::CharBoundary; b <= QAccessible::NoBoundary; ++b) {
                const auto boundary = static_cast<QAccessible::TextBoundaryType>(b);
                for (int offset = -1; offset <= text.size() + 1; ++offset) {
                    for (int which = 0; which < 3; ++which) {
                        int start = -9, end = -9;
                        const QString piece = which == 0 ? t->textBeforeOffset(offset, boundary, &start, &end)
                                              : which == 1 ? t->textAtOffset(offset, boundary, &start, &end)
                                                           : t->textAfterOffset(offset, boundary, &start, &end);
                        const QByteArray where = QStringLiteral("'%1' boundary %2 offset %3 query %4")
                                                     .arg(text).arg(b).arg(offset).arg(which).toUtf8();
                        if (start == -1) {
                            QVERIFY2(piece.isEmpty() && end == -1, where);
                            continue;
                        }
                        QVERIFY2(0 <= start && start <= end && end <= text.size(), where);
                        QVERIFY2(piece == text.mid(start, end - start), where);
                    }
                }
            }
            int start = 0, end = 0;
            QCOMPARE(t->textAtOffset(0, QAccessible::LineBoundary, &start, &end), text);
            if (!text.isEmpty())
                QCOMPARE(t->textAtOffset(static_cast<int>(text.size()), QAccessible::LineBoundary, &start, &end), text);
        }
    }
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
    QCOMPARE(background.size(), face::pictureSize);
    QCOMPARE(QImage(QStringLiteral(":/background@2x.png")).size(), face::pictureSize * 2);
    // The digit windows and the two panels are black inside; the face around them is not.
    auto black = [&](QPoint p) { return QColor(background.pixel(p)) == QColor(Qt::black); };
    for (const face::BlackWindow& w : face::digitWindows)
        QVERIFY(black(w.inside().center()));
    QVERIFY(black(face::instructionsPanel.inside().center()));
    QVERIFY(black(face::historyPanel.inside().center()));
    QVERIFY(!black(face::keyCap.topLeft() - QPoint(0, 5)));
    // The key caps are red.
    for (size_t k = 0; k < face::keyCapLegends.size(); ++k) {
        const QRect cap = face::keyCap.translated(face::keyCapPitch * static_cast<int>(k), 0);
        const QColor colour = background.pixel(cap.bottomLeft() + QPoint(3, -3));
        QVERIFY2(colour.red() > 2 * colour.green() && colour.red() > 90, qPrintable(QString::number(k)));
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
