// The settings dialog: what it shows, what it lets be typed, and what closing commits.
#include "accessibility/accessibility.h"
#include "system/chinese.h"
#include "settings/form2.h"
#include "support/layoutchecks.h"
#include "support/scriptedplatform.h"

#include <QAccessible>
#include <QApplication>
#include <QScreen>
#include <QTest>
#include <QWindow>

namespace {

// The two settings the dialog edits, as the game keeps them.
struct Settings {
    vb::Variant TimeLimit;
    qint16 MaxTries;
    ScriptedPlatform platform;

    Settings(const vb::Variant& timeLimit = 300.0, qint16 tries = 9) : TimeLimit(timeLimit), MaxTries(tries) {}
};

// Opens the dialog shown and active, as the menu item does.
std::unique_ptr<Form2> open(Settings& s)
{
    auto dialog = std::make_unique<Form2>(s.TimeLimit, s.MaxTries, s.platform);
    dialog->show();
    dialog->activateWindow();
    if (!QTest::qWaitForWindowActive(dialog.get()))
        qWarning("dialog did not become active");
    return dialog;
}

void retype(TextBox* box, const char* keys)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, keys);
}

}  // namespace

class TestForm2 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        installChineseFonts();
        accessibility::install();
    }
    void laidOutAsDesigned();
    void showsTheCurrentSettings();
    void longStoredValuesAreShownWholeAndKept();
    void keyFilterBeepsAndRefuses();
    void editingInsideTheText_data();
    void editingInsideTheText();
    void everyWayOfClosingCommits_data();
    void everyWayOfClosingCommits();
    void emptyBoxesKeepTheirSetting();
    void zeroesAreAccepted();
    void pastedTextThatIsNotAWholeNumberKeepsTheSetting();
    void screenReadersNameTheBoxesByTheirLabels();
};

void TestForm2::laidOutAsDesigned()
{
    Settings s;
    auto dialog = open(s);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("设置"));
    QCOMPARE(dialog->size(), QSize(309, 110));
    QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
    QVERIFY(!dialog->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!dialog->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(dialog->isModal());
    QCOMPARE(dialog->palette().color(QPalette::Window), QColor(64, 64, 64));
    // Each box has its caption before it and its unit after it, on its line; the boxes
    // stand one above the other in the dialog; nothing overlaps; every text shows whole in
    // the part of its label that lies in the dialog.
    const struct {
        Label* caption;
        TextBox* box;
        Label* unit;
        const char* captionText;
        const char* unitText;
    } lines[] = {
        {dialog->Label1, dialog->Text1, dialog->Label2, "开锁时间:", "秒"},
        {dialog->Label3, dialog->Text2, dialog->Label5, "次    数:", "次"},
    };
    QList<QWidget*> controls;
    for (const auto& line : lines) {
        QCOMPARE(line.caption->caption(), QString::fromUtf8(line.captionText));
        QCOMPARE(line.unit->caption(), QString::fromUtf8(line.unitText));
        QVERIFY(beside(line.caption->geometry(), line.box->geometry(), 8));
        QVERIFY(beside(line.box->geometry(), line.unit->geometry(), 8));
        for (Label* label : {line.caption, line.unit}) {
            QCOMPARE(label->palette().color(QPalette::WindowText), QColor(Qt::white));
            QCOMPARE(label->font().pointSizeF(), 9.0);
            const QSize shown = label->geometry().intersected(dialog->rect()).size();
            for (qreal scale : {1.0, 2.0})
                QVERIFY2(!inkOutside(*label, label->caption(), shown, scale), qPrintable(label->caption()));
        }
        controls << line.caption << line.box << line.unit;
    }
    QCOMPARE(dialog->Text1->geometry().left(), dialog->Text2->geometry().left());
    QCOMPARE(dialog->Text1->width(), dialog->Text2->width());
    QVERIFY(dialog->Text1->geometry().bottom() < dialog->Text2->geometry().top());
    QVERIFY(dialog->rect().contains(dialog->Text1->geometry()) && dialog->rect().contains(dialog->Text2->geometry()));
    for (qsizetype i = 0; i < controls.size(); ++i) {
        for (qsizetype j = i + 1; j < controls.size(); ++j)
            QVERIFY2(controls[i]->geometry().intersected(controls[j]->geometry()).width() <= 1,  // a shared column
                     qPrintable(controls[i]->objectName() + " overlaps " + controls[j]->objectName()));
    }
    QCOMPARE(dialog->Text1->toolTip(), QStringLiteral("指每一关所能用的时间限制"));
    QCOMPARE(dialog->Text2->toolTip(), QStringLiteral("每一关可用的次数,同时也是一次解锁的关数!"));
    QVERIFY(dialog->Text1->alignment().testFlag(Qt::AlignLeft));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog->Text1));
    QTest::keyClick(dialog->Text1, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog->Text2));
    // Centred on the screen (a real window manager's frame: e2e_centred).
    const QRect screen = dialog->screen()->geometry();
    QVERIFY(qAbs(dialog->frameGeometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(dialog->frameGeometry().center().y() - screen.center().y()) <= 1);
}

void TestForm2::showsTheCurrentSettings()
{
    Settings s("060", 6);
    auto dialog = open(s);
    QCOMPARE(dialog->Text1->text(), QStringLiteral("060"));
    QCOMPARE(dialog->Text2->text(), QStringLiteral("6"));
    Settings n(120.0, 3);
    auto other = open(n);
    QCOMPARE(other->Text1->text(), QStringLiteral("120"));
    QCOMPARE(other->Text2->text(), QStringLiteral("3"));
}

void TestForm2::longStoredValuesAreShownWholeAndKept()
{
    Settings s("1200", 12);
    auto dialog = open(s);
    QCOMPARE(dialog->Text1->text(), QStringLiteral("1200"));
    QCOMPARE(dialog->Text2->text(), QStringLiteral("12"));
    dialog->Text1->end(false);
    QTest::keyClick(dialog->Text1, Qt::Key_5);  // typing is refused while over the limit
    QCOMPARE(dialog->Text1->text(), QStringLiteral("1200"));
    dialog->close();
    QCOMPARE(s.TimeLimit, vb::Variant("1200"));
    QCOMPARE(int(s.MaxTries), 12);

    // Back within the limit, the limit holds again.
    Settings t("1200", 9);
    auto again = open(t);
    again->Text1->end(false);
    QTest::keyClick(again->Text1, Qt::Key_Backspace);
    QTest::keyClick(again->Text1, Qt::Key_7);
    QCOMPARE(again->Text1->text(), QStringLiteral("120"));
}

void TestForm2::keyFilterBeepsAndRefuses()
{
    Settings s;
    auto dialog = open(s);
    for (TextBox* box : {dialog->Text1, dialog->Text2}) {
        const QString before = box->text();
        const int beeps = s.platform.beeps;
        box->setFocus();
        QTest::keyClick(box, Qt::Key_A);
        QTest::keyClick(box, Qt::Key_Space);
        QTest::keyClick(box, Qt::Key_Minus);
        QTest::keyClick(box, Qt::Key_Return);
        QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QStringLiteral("五"), Qt::NoModifier);
        QCOMPARE(s.platform.beeps, beeps + 6);
        QCOMPARE(box->text(), before);
        QVERIFY(dialog->isVisible());  // Enter closes nothing
    }
    retype(dialog->Text1, "045");
    QCOMPARE(dialog->Text1->text(), QStringLiteral("045"));
    QTest::keyClick(dialog->Text1, Qt::Key_9);  // three characters at most
    QCOMPARE(dialog->Text1->text(), QStringLiteral("045"));
    retype(dialog->Text2, "78");
    QCOMPARE(dialog->Text2->text(), QStringLiteral("7"));
    QCOMPARE(s.platform.beeps, 12);
}

// Delete, the arrows, Home and Backspace work inside the text as usual: the caret stays
// where they leave it, also as a long stored value comes back within the limit.
void TestForm2::editingInsideTheText_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QList<int>>("keys");  // Qt key codes, typed in turn into the time box
    QTest::addColumn<QString>("result");
    QTest::newRow("Home, Delete, a digit") << "300" << QList<int>{Qt::Key_Home, Qt::Key_Delete, Qt::Key_2} << "200";
    QTest::newRow("Left, Backspace, a digit")
        << "300" << QList<int>{Qt::Key_Left, Qt::Key_Backspace, Qt::Key_5} << "350";
    QTest::newRow("a long value back within the limit")
        << "1200" << QList<int>{Qt::Key_Home, Qt::Key_Delete, Qt::Key_Delete, Qt::Key_9} << "900";
}

void TestForm2::editingInsideTheText()
{
    QFETCH(QString, stored);
    QFETCH(QList<int>, keys);
    QFETCH(QString, result);
    Settings s(stored);
    auto dialog = open(s);
    dialog->Text1->setFocus();
    dialog->Text1->end(false);
    for (int key : keys)
        QTest::keyClick(dialog->Text1, static_cast<Qt::Key>(key));
    QCOMPARE(dialog->Text1->text(), result);
}

void TestForm2::everyWayOfClosingCommits_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("close button") << "close";
    QTest::newRow("Escape") << "escape";
    QTest::newRow("window manager close (Alt+F4)") << "wm";
    QTest::newRow("reject") << "reject";
}

void TestForm2::everyWayOfClosingCommits()
{
    QFETCH(QString, how);
    Settings s;
    auto dialog = open(s);
    retype(dialog->Text1, "999");
    retype(dialog->Text2, "4");
    if (how == "close") {
        dialog->close();
    } else if (how == "escape") {
        QTest::keyClick(dialog->Text2, Qt::Key_Escape);
        QCOMPARE(s.platform.beeps, 0);
    } else if (how == "wm") {
        QWindow* window = dialog->windowHandle();
        QVERIFY(window);
        QVERIFY(window->close());
    } else {
        dialog->reject();
    }
    QVERIFY(!dialog->isVisible());
    QCOMPARE(s.TimeLimit, vb::Variant("999"));
    QCOMPARE(int(s.MaxTries), 4);
}

void TestForm2::emptyBoxesKeepTheirSetting()
{
    Settings s("060", 6);
    auto dialog = open(s);
    retype(dialog->Text1, "");
    retype(dialog->Text2, "");
    QVERIFY(dialog->Text1->text().isEmpty());
    dialog->close();
    QCOMPARE(s.TimeLimit, vb::Variant("060"));
    QCOMPARE(int(s.MaxTries), 6);
}

void TestForm2::zeroesAreAccepted()
{
    Settings s;
    auto dialog = open(s);
    retype(dialog->Text1, "000");
    retype(dialog->Text2, "0");
    dialog->close();
    QCOMPARE(s.TimeLimit, vb::Variant("000"));  // as text, unchanged
    QCOMPARE(int(s.MaxTries), 0);
}

void TestForm2::pastedTextThatIsNotAWholeNumberKeepsTheSetting()
{
    Settings s(300.0, 9);
    auto dialog = open(s);
    dialog->Text1->setText("1.5");
    dialog->Text2->setText("x");
    dialog->close();
    QCOMPARE(s.TimeLimit, vb::Variant(300.0));
    QCOMPARE(int(s.MaxTries), 9);

    auto again = open(s);
    again->Text1->setText(" 45");
    again->Text2->setText("-");
    again->close();
    QCOMPARE(s.TimeLimit, vb::Variant(300.0));
    QCOMPARE(int(s.MaxTries), 9);
}

// Each box is named by the label before it (linked both ways), its hover tip describes
// it, and the dialog says that closing it keeps the values.
void TestForm2::screenReadersNameTheBoxesByTheirLabels()
{
    Settings s;
    auto dialog = open(s);
    for (auto [label, box] : {std::pair{dialog->Label1, dialog->Text1}, std::pair{dialog->Label3, dialog->Text2}}) {
        QAccessibleInterface* boxIface = QAccessible::queryAccessibleInterface(box);
        QAccessibleInterface* labelIface = QAccessible::queryAccessibleInterface(label);
        QCOMPARE(boxIface->text(QAccessible::Name), label->caption());
        QCOMPARE(boxIface->text(QAccessible::Description), box->toolTip());
        const auto captions = boxIface->relations(QAccessible::Label);
        QCOMPARE(captions.size(), 1);
        QCOMPARE(captions.first().first, labelIface);
        const auto named = labelIface->relations(QAccessible::Labelled);
        QCOMPARE(named.size(), 1);
        QCOMPARE(named.first().first, boxIface);
    }
    QCOMPARE(QAccessible::queryAccessibleInterface(dialog.get())->text(QAccessible::Description),
             QStringLiteral("关闭对话框即保存设置。"));
}

QTEST_MAIN(TestForm2)
#include "test_form2.moc"
