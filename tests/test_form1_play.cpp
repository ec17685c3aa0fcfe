// Playing the game in the main window: starting, typing a guess, the countdown, scoring,
// the endings and the record, with timer ticks called directly (never real seconds).
#include "system/chinese.h"
#include "text/gb18030.h"
#include "support/gamefixture.h"

#include <QClipboard>
#include <QInputMethodEvent>
#include <QTest>

namespace {

// Everything a player can see or use, as one text, so two states can be compared whole.
QString stateOf(Form1& w)
{
    QStringList s;
    auto label = [&](Label* l) { s << l->objectName() + "=" + l->caption() + (l->isVisibleTo(&w) ? "" : " hidden"); };
    for (Label* l : {w.Lt, w.Lc, w.Label3, w.Label5, w.Label6, w.Label8, w.Label10, w.Label12, w.Label14})
        label(l);
    for (size_t i = 0; i < 9; ++i) {
        label(w.L[i]);
        label(w.Ld[i]);
        label(w.Ly[i]);
        s << QString("icons%1=%2%3").arg(i).arg(w.ID[i]->isVisibleTo(&w)).arg(w.IY[i]->isVisibleTo(&w));
    }
    for (TextBox* t : w.T)
        s << t->objectName() + "=" + t->text() + (t->isEnabled() ? "" : " disabled");
    s << QString("menu=%1%2%3%4").arg(w.a1->isEnabled()).arg(w.a2->isEnabled()).arg(w.a4->isEnabled()).arg(w.a3->isEnabled());
    s << QString("timers=%1%2").arg(w.Timer1.isActive()).arg(w.Timer2.isActive());
    return s.join('\n');
}

// The Idle phase: boxes empty and disabled, history empty, clock off. Every ending also
// hides the big count, which at start is visible but empty.
void verifyIdle(Form1& w, bool afterAnEnding = true)
{
    for (TextBox* t : w.T) {
        QVERIFY(t->text().isEmpty());
        QVERIFY(!t->isEnabled());
    }
    for (size_t i = 0; i < 9; ++i) {
        QVERIFY(w.L[i]->caption().isEmpty());
        QVERIFY(w.Ld[i]->caption().isEmpty());
        QVERIFY(w.Ly[i]->caption().isEmpty());
        QVERIFY(!w.ID[i]->isVisibleTo(&w));
        QVERIFY(!w.IY[i]->isVisibleTo(&w));
    }
    QVERIFY(w.ID[9]->isVisibleTo(&w));
    QVERIFY(w.IY[9]->isVisibleTo(&w));
    QVERIFY(!w.Timer1.isActive());
    QVERIFY(w.a1->isEnabled());
    QVERIFY(!w.a2->isEnabled());
    QVERIFY(!w.a4->isEnabled());
    QVERIFY(w.a3->isEnabled());
    QVERIFY(w.Lt->caption().isEmpty());
    QVERIFY(w.Lc->caption().isEmpty());
    if (afterAnEnding)
        QVERIFY(!w.Label6->isVisibleTo(&w));
    else
        QVERIFY(w.Label6->caption().isEmpty());
}

void verifyMessage(Form1& w, const QString& sentence)
{
    QVERIFY(w.Label3->isVisibleTo(&w));
    QVERIFY(w.Label5->isVisibleTo(&w));
    QCOMPARE(w.Label3->caption(), " " + sentence);
    QCOMPARE(w.Label5->caption(), sentence);
    QVERIFY(w.Timer2.isActive());
}

const QString lost = QStringLiteral("答题失败,请继续努力!");
const QString solved = QStringLiteral("答题成功,进入下一轮!");
const QString cleared = QStringLiteral("恭喜通关,请继续挑战!");
const QString promptAfterTries = QStringLiteral("恭喜破纪录,请输入您的大名:");
const QString promptAtEnd = QStringLiteral("恭喜破纪录,请输入您的大名。");

}  // namespace

class TestForm1Play : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        installChineseFonts();
        installScreenReaderSupport();
    }

    // starting a game
    void startingAGameArmsTheWindow();
    void pointsPerRoundFromTheSettings_data();
    void pointsPerRoundFromTheSettings();
    void settingsThatCannotMakeAGameAreRefused_data();
    void settingsThatCannotMakeAGameAreRefused();
    void clearEmptiesOnlyUsedRows();

    // typing a guess
    void keyFilterAcceptsDigitsAndBackspaceOnly();
    void inputMethodTextIsFiltered();
    void typingFourDigitsFillsTheBoxesLeftToRight();
    void focusRuleJumpsToTheFirstEmptyBox();
    void pastedTextIsOnlyEverOneDigit();

    // the countdown
    void countdownFrom300();
    void countdownShowsLastSecondsFromTheFirstTick_data();
    void countdownShowsLastSecondsFromTheFirstTick();
    void timeLimitThatIsNotWholeStillRunsOut();
    void timeOutAfterASolvedRoundShowsTheFailure();
    void messageHiddenByItsTimerOrThePointer();
    void failingTwiceLeavesTheSameState();

    // scoring a guess
    void checksComeBeforeAnyTryIsUsed();
    void wrongGuessFillsTheNextRow();
    void solvedRoundsRaiseTheScore();
    void triesAreOneBudgetForTheWholeGame();
    void fullHistoryRecordsNothingAndGoesOn();

    // endings and the record
    void recordOffer_data();
    void recordOffer();
    void endingFromTheMenu();
    void everyEndingReturnsToIdle_data();
    void everyEndingReturnsToIdle();
    void timeOutOffersTheRecordWithTheClockStopped();
    void timeOutBehindTheLastTrysRecordBox();
    void timeOutBehindTheEndRecordBox();
    void settingsDialogDoesNotPauseTheClock();
};

// ---------------------------------------------------------------------------------------

void TestForm1Play::startingAGameArmsTheWindow()
{
    Game game;
    QVERIFY(game.showActive());
    Form1& w = game.w();
    w.Label8->show();  // revealed in an earlier game
    game.start("5037");
    QVERIFY(!w.a1->isEnabled());
    QVERIFY(w.a2->isEnabled());
    QVERIFY(w.a4->isEnabled());
    for (TextBox* t : w.T) {
        QVERIFY(t->isEnabled());
        QVERIFY(t->text().isEmpty());
    }
    QCOMPARE(game.focused(), static_cast<QWidget*>(w.T[0]));
    QVERIFY(w.Timer1.isActive());
    QCOMPARE(w.Lt->caption(), QStringLiteral("300"));
    QCOMPARE(w.Lc->caption(), QStringLiteral("9"));
    QCOMPARE(w.TriesLeft, qint16(9));
    QCOMPARE(game.module.InitialTries.toText(), QStringLiteral("9"));
    QVERIFY(!w.Label8->isVisibleTo(&w));
    QCOMPARE(w.Label8->caption(), QStringLiteral("正确号码: 5037"));
    QCOMPARE(w.Label12->caption(), QStringLiteral("0"));
    QCOMPARE(w.RoundPoints, QStringLiteral("1111"));
    QCOMPARE(game.module.SecretDigit1.toText(), QStringLiteral("5"));
    QCOMPARE(game.module.SecretDigit4.toText(), QStringLiteral("7"));
    QVERIFY(!w.Timer2.isActive());
}

void TestForm1Play::pointsPerRoundFromTheSettings_data()
{
    QTest::addColumn<int>("tries");
    QTest::addColumn<QString>("timeLimit");
    QTest::addColumn<QString>("points");
    // The rounding rules themselves are tested on the pure function; these rows check
    // that the window feeds it the settings, text or number, as they stand.
    QTest::newRow("defaults") << 9 << "300" << "1111";
    QTest::newRow("typed with a leading zero") << 9 << "060" << "5555";
    QTest::newRow("32 tries") << 32 << "300" << "313";
}

void TestForm1Play::pointsPerRoundFromTheSettings()
{
    QFETCH(int, tries);
    QFETCH(QString, timeLimit);
    QFETCH(QString, points);
    Game game;
    game.module.MaxTries = static_cast<qint16>(tries);
    game.module.TimeLimit = timeLimit;
    game.start();
    QCOMPARE(game.w().RoundPoints, points);
    QCOMPARE(game.w().Lt->caption(), timeLimit);  // the text as set: "060" stays "060"
}

void TestForm1Play::settingsThatCannotMakeAGameAreRefused_data()
{
    QTest::addColumn<int>("tries");
    QTest::addColumn<QString>("timeLimit");
    QTest::addColumn<QString>("mentions");
    QTest::newRow("no tries") << 0 << "300" << "次数";
    QTest::newRow("half a second") << 9 << "0.5" << "开锁时间";
    QTest::newRow("not a number") << 9 << "soon" << "开锁时间";
}

void TestForm1Play::settingsThatCannotMakeAGameAreRefused()
{
    QFETCH(int, tries);
    QFETCH(QString, timeLimit);
    QFETCH(QString, mentions);
    Game game;
    game.module.MaxTries = static_cast<qint16>(tries);
    game.module.TimeLimit = timeLimit;
    const QString before = stateOf(game.w());
    game.w().a1_Click();
    QCOMPARE(game.platform.messages.size(), size_t(1));
    QCOMPARE(game.platform.messages[0].title, QStringLiteral("提示"));
    QVERIFY(game.platform.messages[0].text.contains(mentions));
    QVERIFY(game.platform.messages[0].text.contains(QStringLiteral("设置")));
    QCOMPARE(stateOf(game.w()), before);
    verifyIdle(game.w(), false);
    QVERIFY(game.w().RoundPoints.isEmpty());
}

void TestForm1Play::clearEmptiesOnlyUsedRows()
{
    Game game;
    Form1& w = game.w();
    for (size_t i : {0u, 2u}) {
        w.L[i]->setCaption("1234");
        w.Ld[i]->setCaption("1");
        w.Ly[i]->setCaption("2");
        w.ID[i]->show();
        w.IY[i]->show();
    }
    w.Ld[5]->setCaption("x");  // a row whose guess is empty is left exactly as it is
    w.ID[5]->show();
    w.clear();
    for (size_t i : {0u, 2u}) {
        QVERIFY(w.L[i]->caption().isEmpty());
        QVERIFY(w.Ld[i]->caption().isEmpty());
        QVERIFY(w.Ly[i]->caption().isEmpty());
        QVERIFY(!w.ID[i]->isVisibleTo(&w));
        QVERIFY(!w.IY[i]->isVisibleTo(&w));
    }
    QCOMPARE(w.Ld[5]->caption(), QStringLiteral("x"));
    QVERIFY(w.ID[5]->isVisibleTo(&w));
    QVERIFY(w.ID[9]->isVisibleTo(&w));
    QVERIFY(w.IY[9]->isVisibleTo(&w));
}

// ---------------------------------------------------------------------------------------

void TestForm1Play::keyFilterAcceptsDigitsAndBackspaceOnly()
{
    Game game;
    QVERIFY(game.showActive());
    game.start();
    TextBox* box = game.w().T[0];
    const struct {
        Qt::Key key;
        QString text;
        Qt::KeyboardModifiers modifiers;
        const char* what;
    } refused[] = {
        {Qt::Key_A, "a", Qt::NoModifier, "letter"},
        {Qt::Key_Space, " ", Qt::NoModifier, "space"},
        {Qt::Key_Minus, "-", Qt::NoModifier, "minus"},
        {Qt::Key_Period, ".", Qt::NoModifier, "full stop"},
        {Qt::Key_Return, "\r", Qt::NoModifier, "Enter"},
        {Qt::Key_Escape, "\x1b", Qt::NoModifier, "Escape"},
        {Qt::Key_unknown, QStringLiteral("５"), Qt::NoModifier, "full-width digit"},
        {Qt::Key_C, "c", Qt::ControlModifier, "Ctrl+C"},
        {Qt::Key_V, "v", Qt::ControlModifier, "Ctrl+V"},
        {Qt::Key_C, "\x03", Qt::ControlModifier, "Ctrl+C as X11 sends it"},
    };
    for (const auto& k : refused) {
        const int beeps = game.platform.beeps;
        QTest::sendKeyEvent(QTest::Click, box, k.key, k.text, k.modifiers);
        QVERIFY2(game.platform.beeps == beeps + 1, k.what);
        QVERIFY2(box->text().isEmpty(), k.what);
    }
    QCOMPARE(game.w().Label1->caption(), QString());  // Enter submitted nothing
    QVERIFY(game.platform.messages.empty());

    // Backspace in an empty box: taken, no beep, nothing moves.
    QTest::keyClick(box, Qt::Key_Backspace);
    QCOMPARE(game.platform.beeps, 10);

    // Ctrl+V refused even with a digit on the clipboard.
    QApplication::clipboard()->setText("7");
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    QVERIFY(box->text().isEmpty());
    QCOMPARE(game.platform.beeps, 11);

    // A digit is taken; Delete and the arrows work without the filter.
    QTest::keyClick(box, Qt::Key_4);
    QCOMPARE(box->text(), QStringLiteral("4"));
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Home);
    QTest::keyClick(box, Qt::Key_Right);
    QTest::keyClick(box, Qt::Key_Left);
    QTest::keyClick(box, Qt::Key_Delete);
    QVERIFY(box->text().isEmpty());
    QCOMPARE(game.platform.beeps, 11);
}

void TestForm1Play::inputMethodTextIsFiltered()
{
    Game game;
    QVERIFY(game.showActive());
    game.start();
    TextBox* box = game.w().T[0];
    QInputMethodEvent chinese;
    chinese.setCommitString(QStringLiteral("五"));
    QApplication::sendEvent(box, &chinese);
    QVERIFY(box->text().isEmpty());
    QCOMPARE(game.platform.beeps, 1);
    QInputMethodEvent digit;
    digit.setCommitString(QStringLiteral("5"));
    QApplication::sendEvent(box, &digit);
    QCOMPARE(box->text(), QStringLiteral("5"));
    QCOMPARE(game.platform.beeps, 1);
}

void TestForm1Play::typingFourDigitsFillsTheBoxesLeftToRight()
{
    Game game;
    QVERIFY(game.showActive());
    game.start();
    for (char digit : {'3', '0', '5', '8'})
        QTest::keyClick(game.focused(), digit);
    Form1& w = game.w();
    QCOMPARE(w.T[0]->text() + w.T[1]->text() + w.T[2]->text() + w.T[3]->text(), QStringLiteral("3058"));
    QCOMPARE(game.focused(), static_cast<QWidget*>(w.T[3]));  // stays in the last box
    QTest::keyClick(game.focused(), Qt::Key_9);               // a full box takes nothing more
    QCOMPARE(w.T[3]->text(), QStringLiteral("8"));
    QCOMPARE(game.platform.beeps, 0);

    // Clicking 确定 with the mouse submits; the boxes empty and the caret is back in T(0).
    QTest::mouseClick(w.Label1, Qt::LeftButton);
    QCOMPARE(w.L[0]->caption(), QStringLiteral("3058"));
    QCOMPARE(w.Ld[0]->caption(), QStringLiteral("1"));
    QCOMPARE(w.Ly[0]->caption(), QStringLiteral("2"));
    QCOMPARE(game.focused(), static_cast<QWidget*>(w.T[0]));

    // A double-click is one click: one guess, one try, and no message about the emptied boxes.
    for (char digit : {'1', '2', '4', '9'})
        QTest::keyClick(game.focused(), digit);
    QTest::mouseDClick(w.windowHandle(), Qt::LeftButton, {}, w.Label1->mapTo(&w, w.Label1->rect().center()));
    QCOMPARE(w.L[1]->caption(), QStringLiteral("1249"));
    QCOMPARE(w.Lc->caption(), QStringLiteral("7"));
    QVERIFY(game.platform.messages.empty());
}

void TestForm1Play::focusRuleJumpsToTheFirstEmptyBox()
{
    Game game;
    QVERIFY(game.showActive());
    game.start();
    Form1& w = game.w();

    // A digit typed into T(2) while T(0) is empty is taken; the caret goes back to T(0).
    w.T[2]->setFocus();
    QTest::keyClick(w.T[2], Qt::Key_5);
    QCOMPARE(w.T[2]->text(), QStringLiteral("5"));
    QCOMPARE(game.focused(), static_cast<QWidget*>(w.T[0]));

    // T(0)..T(2) filled, T(3) empty: typing into T(3) fills it and the caret stays.
    QTest::keyClicks(w.T[0], "1");
    QCOMPARE(game.focused(), static_cast<QWidget*>(w.T[1]));
    QTest::keyClicks(w.T[1], "2");
    QCOMPARE(game.focused(), static_cast<QWidget*>(w.T[3]));
    QTest::keyClicks(w.T[3], "7");
    QCOMPARE(game.focused(), static_cast<QWidget*>(w.T[3]));

    // Backspace in T(2) with the boxes before it full: emptied, caret stays in T(2).
    w.T[2]->setFocus();
    w.T[2]->end(false);
    QTest::keyClick(w.T[2], Qt::Key_Backspace);
    QVERIFY(w.T[2]->text().isEmpty());
    QCOMPARE(game.focused(), static_cast<QWidget*>(w.T[2]));

    // Backspace in T(3) with T(2) empty: the caret goes to T(2), the earliest empty box.
    w.T[3]->setFocus();
    w.T[3]->end(false);
    QTest::keyClick(w.T[3], Qt::Key_Backspace);
    QCOMPARE(game.focused(), static_cast<QWidget*>(w.T[2]));

    // A selected digit is replaced by a new one, and the rule runs.
    w.T[0]->setFocus();
    w.T[0]->selectAll();
    QTest::keyClick(w.T[0], Qt::Key_9);
    QCOMPARE(w.T[0]->text(), QStringLiteral("9"));
    QCOMPARE(game.focused(), static_cast<QWidget*>(w.T[2]));
}

void TestForm1Play::pastedTextIsOnlyEverOneDigit()
{
    Game game;
    QVERIFY(game.showActive());
    game.start();
    TextBox* box = game.w().T[1];
    for (const char* clip : {"x", "５", " ", "-"}) {
        QApplication::clipboard()->setText(QString::fromUtf8(clip));
        box->paste();
        QVERIFY2(box->text().isEmpty(), clip);
    }
    QApplication::clipboard()->setText("78");
    box->paste();
    QCOMPARE(box->text(), QStringLiteral("7"));
    QCOMPARE(game.focused(), static_cast<QWidget*>(game.w().T[0]));  // the rule ran
}

// ---------------------------------------------------------------------------------------

void TestForm1Play::countdownFrom300()
{
    Game game;
    game.start();
    Form1& w = game.w();
    game.tick();
    QCOMPARE(w.Lt->caption(), QStringLiteral("299"));
    QVERIFY(w.Label6->caption().isEmpty());
    game.tick(289);
    QCOMPARE(w.Lt->caption(), QStringLiteral("10"));
    QVERIFY(w.Label6->caption().isEmpty());
    game.tick();
    QCOMPARE(w.Lt->caption(), QStringLiteral("9"));
    QVERIFY(w.Label6->isVisibleTo(&w));
    QCOMPARE(w.Label6->caption(), QStringLiteral("9"));
    game.tick(8);
    QCOMPARE(w.Label6->caption(), QStringLiteral("1"));
    QVERIFY(w.a2->isEnabled());  // still playing after 299 ticks
    game.tick();                 // the 300th
    verifyIdle(w);
    verifyMessage(w, lost);
    QVERIFY(!w.Label8->isVisibleTo(&w));
    QVERIFY(game.platform.prompts.empty());  // 0 points do not beat 1000
}

void TestForm1Play::countdownShowsLastSecondsFromTheFirstTick_data()
{
    QTest::addColumn<QString>("timeLimit");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("ticksToLose");
    QTest::newRow("10") << "10" << "9" << 10;
    QTest::newRow("5") << "5" << "4" << 5;
}

void TestForm1Play::countdownShowsLastSecondsFromTheFirstTick()
{
    QFETCH(QString, timeLimit);
    QFETCH(QString, shown);
    QFETCH(int, ticksToLose);
    Game game;
    game.module.TimeLimit = timeLimit;
    game.start();
    Form1& w = game.w();
    game.tick();
    QVERIFY(w.Label6->isVisibleTo(&w));
    QCOMPARE(w.Label6->caption(), shown);
    game.tick(ticksToLose - 2);
    QVERIFY(w.Timer1.isActive());
    game.tick();
    verifyIdle(w);
    verifyMessage(w, lost);
}

void TestForm1Play::timeLimitThatIsNotWholeStillRunsOut()
{
    Game game;
    game.module.TimeLimit = "2.5";
    game.start();
    game.tick(2);
    QCOMPARE(game.w().Lt->caption(), QStringLiteral("0.5"));
    QVERIFY(game.w().Timer1.isActive());
    game.tick();  // -0.5: past zero ends the round too
    verifyIdle(game.w());
    verifyMessage(game.w(), lost);
}

void TestForm1Play::timeOutAfterASolvedRoundShowsTheFailure()
{
    Game game;
    game.module.TimeLimit = "3";
    game.start("5037");
    game.platform.queueCode("1234");
    game.guess("5037");
    verifyMessage(game.w(), solved);
    game.w().Timer2_Timer();
    game.tick(3);
    verifyIdle(game.w());
    verifyMessage(game.w(), lost);
    QCOMPARE(game.w().Label12->caption(), QStringLiteral("111100"));  // 1111 scaled by 300 / 3
}

void TestForm1Play::messageHiddenByItsTimerOrThePointer()
{
    Game game;
    QVERIFY(game.showActive());
    Form1& w = game.w();
    game.start("5037");
    game.platform.queueCode("1234");
    game.guess("5037");
    verifyMessage(w, solved);
    const QString score = w.Label12->caption();
    const QString clock = w.Lt->caption();

    // The pointer over the message hides both labels; the score, the clock and Timer2 stay.
    if (QGuiApplication::platformName() == QLatin1String("minimal"))
        QSKIP("Qt's minimal platform (the Windows build's headless one) has no pointer");
    QTest::mouseMove(w.Label5, QPoint(20, 10));
    QTRY_VERIFY(!w.Label5->isVisible());
    QVERIFY(!w.Label3->isVisible());
    QVERIFY(w.Timer2.isActive());
    QCOMPARE(w.Label12->caption(), score);
    QCOMPARE(w.Lt->caption(), clock);
    w.Timer2_Timer();
    QVERIFY(!w.Timer2.isActive());

    // Shown again, Timer2's single tick hides it.
    game.platform.queueCode("5037");
    game.guess("1234");
    verifyMessage(w, solved);
    w.Label3_MouseMove();
    QVERIFY(!w.Label3->isVisible() && !w.Label5->isVisible());
    game.platform.queueCode("1234");
    game.guess("5037");
    w.Timer2_Timer();
    QVERIFY(!w.Label3->isVisible());
    QVERIFY(!w.Label5->isVisible());
    QVERIFY(!w.Timer2.isActive());
}

void TestForm1Play::failingTwiceLeavesTheSameState()
{
    Game game;
    QVERIFY(game.showActive());
    game.start();
    game.guess("1249");
    game.w().a4_Click();
    game.w().失败();
    const QString once = stateOf(game.w());
    game.w().失败();
    QCOMPARE(stateOf(game.w()), once);
    verifyIdle(game.w());
    game.w().结束();
    const QString ended = stateOf(game.w());
    game.w().结束();
    QCOMPARE(stateOf(game.w()), ended);
}

// ---------------------------------------------------------------------------------------

void TestForm1Play::checksComeBeforeAnyTryIsUsed()
{
    Game game;
    Form1& w = game.w();
    w.Label1_Click();  // Idle: the boxes are empty
    QCOMPARE(game.platform.messages.back().text, QStringLiteral("不能有空值!"));

    game.start();
    const QString before = stateOf(w);
    game.guess("11_3");  // empty is tested first, even with a repeat
    QCOMPARE(game.platform.messages.back().text, QStringLiteral("不能有空值!"));
    QCOMPARE(game.platform.messages.back().style, Platform::InformationOk);
    QCOMPARE(game.platform.messages.back().title, QStringLiteral("提示"));
    game.guess("1123");
    QCOMPARE(game.platform.messages.back().text, QStringLiteral("数字重复!"));
    QCOMPARE(game.platform.messages.back().style, Platform::InformationOk);
    QCOMPARE(game.platform.messages.back().title, QStringLiteral("提示"));
    QCOMPARE(game.platform.messages.size(), size_t(3));
    QCOMPARE(w.TriesLeft, qint16(9));
    QCOMPARE(w.Lc->caption(), QStringLiteral("9"));
    QCOMPARE(w.T[0]->text() + w.T[1]->text() + w.T[2]->text() + w.T[3]->text(), QStringLiteral("1123"));
    QVERIFY(w.L[0]->caption().isEmpty());
}

void TestForm1Play::wrongGuessFillsTheNextRow()
{
    Game game;
    QVERIFY(game.showActive());
    Form1& w = game.w();
    game.start("5037");
    game.guess("3058");
    game.guess("1249");
    game.guess("0937");
    QCOMPARE(w.L[0]->caption(), QStringLiteral("3058"));
    QCOMPARE(w.Ld[0]->caption(), QStringLiteral("1"));
    QCOMPARE(w.Ly[0]->caption(), QStringLiteral("2"));
    QCOMPARE(w.L[1]->caption(), QStringLiteral("1249"));
    QCOMPARE(w.Ld[1]->caption(), QStringLiteral("0"));
    QCOMPARE(w.Ly[1]->caption(), QStringLiteral("0"));
    QVERIFY(w.ID[1]->isVisibleTo(&w) && w.IY[1]->isVisibleTo(&w));  // shown even for counts of 0
    QCOMPARE(w.L[2]->caption(), QStringLiteral("0937"));
    QCOMPARE(w.Ld[2]->caption(), QStringLiteral("2"));
    QCOMPARE(w.Ly[2]->caption(), QStringLiteral("1"));
    QVERIFY(w.L[3]->caption().isEmpty());
    QVERIFY(!w.ID[3]->isVisibleTo(&w));
    QCOMPARE(w.Lc->caption(), QStringLiteral("6"));
    for (TextBox* t : w.T)
        QVERIFY(t->text().isEmpty());
    QCOMPARE(game.focused(), static_cast<QWidget*>(w.T[0]));
}

void TestForm1Play::solvedRoundsRaiseTheScore()
{
    Game game;
    QVERIFY(game.showActive());
    Form1& w = game.w();
    game.start("5037");
    game.guess("1249");
    game.tick(295);  // the last seconds are showing
    w.a4_Click();
    QVERIFY(w.Label8->isVisibleTo(&w));
    w.Timer1.stop();  // the new round's clock starts afresh, from the top of a second
    game.platform.queueCode("8421");
    game.guess("5037");
    QCOMPARE(w.Label12->caption(), QStringLiteral("1111"));
    QCOMPARE(w.Lt->caption(), QStringLiteral("300"));
    QVERIFY(w.Timer1.isActive());
    QCOMPARE(w.Lc->caption(), QStringLiteral("7"));
    QVERIFY(!w.Label6->isVisibleTo(&w));
    QVERIFY(!w.Label8->isVisibleTo(&w));
    QCOMPARE(w.Label8->caption(), QStringLiteral("正确号码: 8421"));
    QVERIFY(w.L[0]->caption().isEmpty());
    QVERIFY(!w.ID[0]->isVisibleTo(&w));
    for (TextBox* t : w.T)
        QVERIFY(t->text().isEmpty() && t->isEnabled());
    QCOMPARE(game.focused(), static_cast<QWidget*>(w.T[0]));
    verifyMessage(w, solved);

    game.platform.queueCode("1234");
    game.guess("8421");
    QCOMPARE(w.Label12->caption(), QStringLiteral("2222"));
    QCOMPARE(w.Label8->caption(), QStringLiteral("正确号码: 1234"));
}

void TestForm1Play::triesAreOneBudgetForTheWholeGame()
{
    // Eight wrong guesses leave one try and the game running; a ninth wrong one loses.
    {
        Game game;
        game.start("5037");
        for (int i = 0; i < 8; ++i)
            game.guess("1249");
        QCOMPARE(game.w().Lc->caption(), QStringLiteral("1"));
        QVERIFY(game.w().Timer1.isActive());
        QCOMPARE(game.w().L[7]->caption(), QStringLiteral("1249"));
        game.guess("1249");
        verifyIdle(game.w());
        verifyMessage(game.w(), lost);
        QCOMPARE(game.w().Label12->caption(), QStringLiteral("0"));
    }
    // Solving with the ninth try, after rounds solved on the way, clears the game.
    {
        Game game;
        game.start("5037");
        game.platform.queueCode("1234");
        game.guess("5037");
        for (int i = 0; i < 7; ++i)
            game.guess("5678");
        QCOMPARE(game.w().Lc->caption(), QStringLiteral("1"));
        game.platform.queueCode("8765");
        game.guess("1234");
        verifyIdle(game.w());
        verifyMessage(game.w(), cleared);
        QCOMPARE(game.w().Label12->caption(), QStringLiteral("2222"));
        QCOMPARE(game.w().Label10->caption(), QStringLiteral("2222"));  // beat 1000
        QCOMPARE(game.platform.prompts.size(), size_t(1));
        QCOMPARE(game.platform.prompts[0].prompt, promptAfterTries);
        QVERIFY(game.platform.drawsLeft() == 0);  // a new code was drawn for the next round
    }
}

void TestForm1Play::fullHistoryRecordsNothingAndGoesOn()
{
    Game game;
    game.module.MaxTries = 12;
    game.start("5037");
    for (int i = 0; i < 9; ++i)
        game.guess("1249");
    QCOMPARE(game.w().L[8]->caption(), QStringLiteral("1249"));
    game.guess("1248");
    QCOMPARE(game.w().Lc->caption(), QStringLiteral("2"));
    for (size_t i = 0; i < 9; ++i)
        QCOMPARE(game.w().L[i]->caption(), QStringLiteral("1249"));
    QVERIFY(game.w().Timer1.isActive());
}

// ---------------------------------------------------------------------------------------

void TestForm1Play::recordOffer_data()
{
    QTest::addColumn<QString>("record");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("offered");
    QTest::addColumn<QString>("recordAfter");
    QTest::addColumn<QString>("holderAfter");
    QTest::newRow("equal is no record") << "1111" << "Wang" << false << "1111" << "Zadrevik";
    QTest::newRow("higher score, named") << "1000" << "王小明" << true << "1111" << "王小明";
    QTest::newRow("higher score, cancelled") << "1000" << "" << true << "1111" << "Zadrevik";
    QTest::newRow("record not a number counts as 0") << "many" << "Li" << true << "1111" << "Li";
    QTest::newRow("record read from its leading number") << "1200pts" << "Li" << false << "1200pts" << "Zadrevik";
    QTest::newRow("long name: the box takes the first 32")
        << "1000" << QString(40, u'长') << true << "1111" << QString(32, u'长');
    QTest::newRow("31 letters and one outside the BMP: all kept")
        << "1000" << QString(31, u'a') + QStringLiteral("𠀀") << true << "1111" << QString(31, u'a') + QStringLiteral("𠀀");
}

void TestForm1Play::recordOffer()
{
    QFETCH(QString, record);
    QFETCH(QString, typed);
    QFETCH(bool, offered);
    QFETCH(QString, recordAfter);
    QFETCH(QString, holderAfter);
    Game game;
    Form1& w = game.w();
    w.Label10->setCaption(record);
    game.module.MaxTries = 2;
    game.module.TimeLimit = "300";
    game.start("5037");
    game.platform.queueCode("1234");
    game.guess("5037");
    QCOMPARE(w.Label12->caption(), QStringLiteral("5000"));
    w.Label12->setCaption("1111");  // the score to compare, as if earned over several rounds
    game.platform.replies.push_back({typed, {}});
    game.guess("5678");  // the last try, wrong
    QCOMPARE(game.platform.prompts.size(), size_t(offered ? 1 : 0));
    if (offered) {
        QCOMPARE(game.platform.prompts[0].prompt, promptAfterTries);
        QCOMPARE(game.platform.prompts[0].title, QStringLiteral("提示"));
        QCOMPARE(game.platform.prompts[0].maxLength, records::maxNameLength);
        QCOMPARE(game.module.RecordName.toText(), typed.isEmpty() ? QString() : holderAfter);
    }
    QCOMPARE(w.Label10->caption(), recordAfter);
    QCOMPARE(w.Label14->caption(), holderAfter);
    verifyIdle(w);
    verifyMessage(w, lost);
}

void TestForm1Play::endingFromTheMenu()
{
    Game game;
    QVERIFY(game.showActive());
    Form1& w = game.w();
    game.start("5037");
    game.platform.queueCode("1234");
    game.guess("5037");
    w.Timer2_Timer();
    game.guess("5678");
    game.platform.replies.push_back({QStringLiteral("李雷"), {}});
    w.a2_Click();
    QCOMPARE(game.platform.prompts.size(), size_t(1));
    QCOMPARE(game.platform.prompts[0].prompt, promptAtEnd);
    QCOMPARE(game.platform.prompts[0].title, QStringLiteral("提示"));
    QCOMPARE(w.Label10->caption(), QStringLiteral("1111"));
    QCOMPARE(w.Label14->caption(), QStringLiteral("李雷"));
    QCOMPARE(w.Label12->caption(), QStringLiteral("1111"));
    verifyIdle(w);
    QVERIFY(!w.Label3->isVisibleTo(&w));  // no message
    QVERIFY(!w.Timer2.isActive());
    QVERIFY(game.platform.messages.empty());

    // Closing the window saves the new record with the settings.
    w.close();
    QFile file(game.dir.filePath("dat.ini"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(gb18030::decode(file.readAll()).text, QStringLiteral("300,9,李雷,1111\r\n\r\n"));
}

void TestForm1Play::everyEndingReturnsToIdle_data()
{
    QTest::addColumn<QString>("ending");
    QTest::addColumn<bool>("answerStays");
    QTest::addColumn<QString>("message");  // what shows afterwards
    QTest::newRow("lost by tries") << "tries" << false << lost;
    QTest::newRow("lost on time") << "time" << false << lost;
    QTest::newRow("cleared") << "cleared" << false << cleared;
    // Ending from the menu shows nothing new and leaves the message it found to its timer.
    QTest::newRow("ended from the menu") << "menu" << true << solved;
}

// Each ending meets a game with everything showing that an ending must take away: a count
// in the last seconds, a history row, a digit typed, the answer revealed, a message up.
void TestForm1Play::everyEndingReturnsToIdle()
{
    QFETCH(QString, ending);
    QFETCH(bool, answerStays);
    QFETCH(QString, message);
    Game game;
    Form1& w = game.w();
    game.module.MaxTries = 3;
    game.module.TimeLimit = "5";
    game.start("5037");
    game.platform.queueCode("1234");
    game.guess("5037");
    w.a4_Click();
    game.guess("5678");
    game.tick();
    QVERIFY(w.Label6->isVisibleTo(&w));
    w.T[0]->setText(QStringLiteral("1"));
    if (ending == "tries") {
        game.guess("5678");
    } else if (ending == "time") {
        game.tick(4);
    } else if (ending == "cleared") {
        game.guess("1234");
    } else {
        w.a2_Click();
    }
    verifyIdle(w);
    QCOMPARE(w.Label8->isVisibleTo(&w), answerStays);
    verifyMessage(w, message);
}

void TestForm1Play::timeOutOffersTheRecordWithTheClockStopped()
{
    Game game;
    Form1& w = game.w();
    game.module.TimeLimit = "2";
    game.start("5037");
    game.platform.queueCode("1234");
    game.guess("5037");  // 166650 points for a 2-second round beat 1000
    bool clockStopped = false;
    game.platform.replies.push_back({QStringLiteral("快手"), [&] {
                                         clockStopped = !w.Timer1.isActive();
                                         w.Timer2_Timer();  // the message timer fires behind the box
                                     }});
    game.tick(2);
    QVERIFY(clockStopped);
    QCOMPARE(game.platform.prompts.size(), size_t(1));
    QCOMPARE(game.platform.prompts[0].prompt, promptAfterTries);
    QCOMPARE(w.Label10->caption(), w.Label12->caption());
    QCOMPARE(w.Label14->caption(), QStringLiteral("快手"));
    verifyIdle(w);
    verifyMessage(w, lost);
}

void TestForm1Play::timeOutBehindTheLastTrysRecordBox()
{
    Game game;
    QVERIFY(game.showActive());
    Form1& w = game.w();
    game.module.MaxTries = 2;
    game.start("5037");
    game.platform.queueCode("1234");
    game.guess("5037");  // 5000 points
    w.Timer2_Timer();
    game.tick(298);
    // The last try fails; while the record box is open the clock runs out behind it.
    game.platform.replies.push_back({QStringLiteral("韩梅梅"), [&] { game.tick(2); }});
    game.guess("5678");
    QCOMPARE(game.platform.prompts.size(), size_t(1));  // no second offer from the time-out
    QCOMPARE(w.Label10->caption(), QStringLiteral("5000"));
    QCOMPARE(w.Label14->caption(), QStringLiteral("韩梅梅"));
    verifyIdle(w);
    verifyMessage(w, lost);
}

void TestForm1Play::timeOutBehindTheEndRecordBox()
{
    Game game;
    QVERIFY(game.showActive());
    Form1& w = game.w();
    game.start("5037");
    game.platform.queueCode("1234");
    game.guess("5037");
    w.Timer2_Timer();
    game.tick(298);
    game.platform.replies.push_back({QStringLiteral("Lily"), [&] { game.tick(2); }});
    w.a2_Click();
    QCOMPARE(game.platform.prompts.size(), size_t(1));
    QCOMPARE(game.platform.prompts[0].prompt, promptAtEnd);
    QCOMPARE(w.Label10->caption(), QStringLiteral("1111"));
    QCOMPARE(w.Label14->caption(), QStringLiteral("Lily"));
    verifyIdle(w);
    verifyMessage(w, lost);  // the time-out's message stays until Timer2 ticks
    QVERIFY(!w.Label8->isVisibleTo(&w));
}

void TestForm1Play::settingsDialogDoesNotPauseTheClock()
{
    Game game;
    QVERIFY(game.showActive());
    Form1& w = game.w();
    game.module.TimeLimit = "3";
    game.start();
    bool sawDialog = false;
    QTimer::singleShot(0, this, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        sawDialog = dialog && dialog->windowTitle() == QStringLiteral("设置");
        game.tick(3);  // the round runs out while the dialog is open
        if (dialog)
            dialog->close();
    });
    w.a3_Click();
    QVERIFY(sawDialog);
    verifyIdle(w);
    verifyMessage(w, lost);
    QCOMPARE(game.module.TimeLimit.toText(), QStringLiteral("3"));
}

QTEST_MAIN(TestForm1Play)
#include "test_form1_play.moc"
