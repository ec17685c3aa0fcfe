// The main window's handlers and procedures, in the order a player meets them: start-up
// and shut-down, a game's start and its code, typing a guess, checking it, the countdown
// and its messages, the end of a game and the answer, the settings. The controls are built
// from the face table in form1_controls.cpp; what a screen reader hears is told from here,
// once per handler, through form1_accessibility.h.
#include "game/form1.h"

#include "game/form1_accessibility.h"
#include "system/centring.h"
#include "system/console.h"
#include "platform/keyfilter.h"
#include "settings/form2.h"

#include <QCloseEvent>
#include <QLayout>
#include <algorithm>
#include <exception>

namespace {

const QString title = QStringLiteral("提示");
const QString roundSolvedText = QStringLiteral("答题成功,进入下一轮!");
const QString gameClearedText = QStringLiteral("恭喜通关,请继续挑战!");
const QString gameLostText = QStringLiteral("答题失败,请继续努力!");
const QString timeUpText = QStringLiteral("时间到。");
const QString recordPromptAfterTries = QStringLiteral("恭喜破纪录,请输入您的大名:");
const QString recordPromptAtEnd = QStringLiteral("恭喜破纪录,请输入您的大名。");

// Runs one start-up step; a step that fails is skipped (and logged) and the next one runs.
template <typename Step>
void skipOnFailure(const char* what, Step step)
{
    try {
        step();
    } catch (const std::exception& e) {
        logLine(QStringLiteral("skipped %1: %2").arg(QLatin1StringView(what), QString::fromLocal8Bit(e.what())));
    } catch (...) {
        logLine(QStringLiteral("skipped %1").arg(QLatin1StringView(what)));
    }
}

}  // namespace

Form1::Form1(Module1& module, Platform& platform, records::RecordsFile recordsFile, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                              | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_(module), platform_(platform), run_(std::move(recordsFile))
{
    run_.attachWindow([this] { return recordsOnceBoxesCancelled(); }, [this] { close(); });
    setWindowTitle(QStringLiteral("Varnoth"));
    setWindowIcon(programIcon());
    buildMenu();
    buildControls();
    wireHandlers();
    describeForScreenReaders(*this);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    // Once the size is fixed, as the window manager draws a fixed window's frame without a
    // handle to resize it by; the answer comes while the records load, and the load centres.
    askForFrame(*this);
}

// ---------------------------------------------------------------------------------------
// Start-up and shut-down

void Form1::Form_Load()
{
    skipOnFailure("loading the records", [&] { static_cast<records::Records&>(m_) = run_.load(); });
    skipOnFailure("showing the record", [&] { Label10->setCaption(m_.RecordScore.toText()); });
    skipOnFailure("showing the record holder", [&] { Label14->setCaption(m_.RecordName.toText()); });
    skipOnFailure("seeding the random numbers", [&] { platform_.randomize(); });
    skipOnFailure("centring the window", [&] { centreOnScreen(*this); });
    if (const QString told = run_.toldAtStart(); !told.isEmpty())
        skipOnFailure("telling what the records file held", [&] { tell(told); });
    rememberRecords();
}

// The values SaveRecords writes: the time limit, the tries and the two record labels.
records::Records Form1::recordsNow() const
{
    return {m_.TimeLimit, m_.MaxTries, Label14->caption(), Label10->caption()};
}

// As they will stand once any open box is cancelled: a cancelled record offer still sets
// the record.
records::Records Form1::recordsOnceBoxesCancelled() const
{
    records::Records records = recordsNow();
    if (recordOfferOpen_)
        records.RecordScore = Label12->caption();
    return records;
}

void Form1::rememberRecords() { run_.remember(recordsNow()); }

void Form1::Form_Unload()
{
    if (const QString told = run_.windowCloses(recordsNow()); !told.isEmpty())
        tell(told);
}

// Closing twice (the session's end, then the close box) saves once: the run saves once.
void Form1::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

// ---------------------------------------------------------------------------------------
// Round start and secret code

void Form1::mm()
{
    const rules::Code code = rules::drawCode([this] { return platform_.rnd(); });
    m_.SecretDigit1 = code[0];
    m_.SecretDigit2 = code[1];
    m_.SecretDigit3 = code[2];
    m_.SecretDigit4 = code[3];
    Label8->setCaption(rules::answerText(code));
}

void Form1::clear()
{
    for (size_t i = 0; i < L.size(); ++i) {
        if (L[i]->caption().isEmpty())
            continue;
        L[i]->setCaption({});
        Ld[i]->setCaption({});
        Ly[i]->setCaption({});
        ID[i]->hide();
        IY[i]->hide();
    }
}

void Form1::a1_Click()
{
    const std::optional<double> seconds = m_.TimeLimit.toNumber();
    // A missing limit is always a problem named in the message; testing it here as well
    // lets the compiler see that the limit is there below.
    if (const QString problem = rules::settingsProblem(m_.MaxTries, seconds); !problem.isEmpty() || !seconds) {
        tell(problem);
        return;
    }
    mm();
    setDigitBoxesEnabled(true);
    focusIfPossible(T[0]);
    setGameMenu(true);
    m_.InitialTries = static_cast<double>(m_.MaxTries);
    TriesLeft = m_.MaxTries;
    Lt->setCaption(m_.TimeLimit.toText());
    Timer1.start();
    Lc->setCaption(m_.InitialTries.toText());
    Label8->hide();
    RoundPoints = rules::roundPoints(m_.MaxTries, *seconds);
    Label12->setCaption(QStringLiteral("0"));
    announce(*this, {.gameStarted = true});
}

// ---------------------------------------------------------------------------------------
// Guess entry

void Form1::T_KeyPress(int, int& keyAscii)
{
    DigitKeyFilter(keyAscii, platform_);
    if (keyAscii == 0)
        announce(*this, {.keyRefused = true});
}

// After every change of any box the caret goes to the first empty box.
void Form1::T_Change(int)
{
    for (TextBox* box : T) {
        if (box->text().isEmpty()) {
            focusIfPossible(box);
            return;
        }
    }
}

// A box that cannot take the focus (disabled, hidden, or the window waiting behind a
// modal box) is skipped rather than forced.
void Form1::focusIfPossible(TextBox* box)
{
    if (box->isEnabled() && box->isVisible() && !run_.boxOpen())
        box->setFocus();
}

rules::Guess Form1::typedGuess() const
{
    return {T[0]->text(), T[1]->text(), T[2]->text(), T[3]->text()};
}

void Form1::emptyDigitBoxes()
{
    for (TextBox* box : T)
        box->setText({});
}

void Form1::setDigitBoxesEnabled(bool enabled)
{
    // A disabled box would pass the focus on to the next box, and on to the last one: it
    // rests on the face instead, which says how to begin.
    if (!enabled && std::find(T.begin(), T.end(), focusWidget()) != T.end())
        face_->setFocus();
    for (TextBox* box : T)
        box->setEnabled(enabled);
}

// 开始解锁 while Idle; 结束 and 正确号码 while a game runs.
void Form1::setGameMenu(bool playing)
{
    a1->setEnabled(!playing);
    a2->setEnabled(playing);
    a4->setEnabled(playing);
}

// ---------------------------------------------------------------------------------------
// Guess evaluation

void Form1::Label1_Click()
{
    const rules::Guess guess = typedGuess();
    switch (rules::checkGuess(guess)) {
    case rules::GuessProblem::EmptyBox:
        tell(QStringLiteral("不能有空值!"));
        return;
    case rules::GuessProblem::RepeatedDigit:
        tell(QStringLiteral("数字重复!"));
        return;
    case rules::GuessProblem::None:
        break;
    }
    const rules::Marks marks = rules::scoreGuess(guess, secretCode());
    TriesLeft = static_cast<qint16>(TriesLeft - 1);
    Lc->setCaption(vb::numberText(TriesLeft));
    if (marks.rightPlace == static_cast<int>(rules::codeLength))
        roundSolved();
    else
        wrongGuess(guess, marks);
}

rules::Code Form1::secretCode() const
{
    auto digit = [](const vb::Variant& d) { return static_cast<int>(d.toNumber().value_or(0)); };
    return {digit(m_.SecretDigit1), digit(m_.SecretDigit2), digit(m_.SecretDigit3), digit(m_.SecretDigit4)};
}

void Form1::roundSolved()
{
    clear();
    Label6->hide();
    emptyDigitBoxes();
    mm();
    Lt->setCaption(m_.TimeLimit.toText());
    Timer1.start();  // from the top of a second, so that the new round gets its whole time
    Label12->setCaption(vb::numberText(vb::leadingNumber(Label12->caption()) + vb::leadingNumber(RoundPoints)));
    Label8->hide();
    if (TriesLeft >= 1) {
        setMessageCaptions(roundSolvedText);
        showMessage();
        announce(*this, {.result = roundSolvedText, .triesLeft = true, .score = true});
        return;
    }
    // The last try solved the code: the game is cleared. Its message shows as a lost game's
    // does; the answer was hidden above, as it is for every solved round.
    returnToIdle();
    setMessageCaptions(gameClearedText);
    showMessage();
    offerRecord(recordPromptAfterTries, {.result = gameClearedText, .gameOver = true});
}

// The guess fills the first free history row, if one is left (more than nine wrong guesses
// in one round find none).
void Form1::wrongGuess(const rules::Guess& guess, const rules::Marks& marks)
{
    std::optional<size_t> row;
    for (size_t i = 0; i < L.size() && !row; ++i) {
        if (!L[i]->caption().isEmpty())
            continue;
        L[i]->setCaption(guess[0] + guess[1] + guess[2] + guess[3]);
        Ld[i]->setCaption(vb::numberText(marks.rightPlace));
        Ly[i]->setCaption(vb::numberText(marks.wrongPlace));
        ID[i]->show();
        IY[i]->show();
        row = i;
    }
    emptyDigitBoxes();
    if (TriesLeft >= 1) {
        announce(*this, {.row = row, .triesLeft = true});
        return;
    }
    offerRecord(recordPromptAfterTries, {.row = row, .result = gameLostText, .triesLeft = true, .gameOver = true});
    setMessageCaptions(gameLostText);
    失败();
}

// Tells how the game ended and, for a score above the record, asks for the holder's name:
// the box tells the end itself, before its prompt, so that a screen reader says them in
// that order (Orca 48 reads a box that opens before news sent just ahead of it).
void Form1::offerRecord(const QString& prompt, const News& end)
{
    const double record = vb::leadingNumber(Label10->caption());
    const double score = vb::leadingNumber(Label12->caption());
    if (!(record < score)) {
        announce(*this, end);
        return;
    }
    const QString about = spokenNews(*this, end);
    recordOfferOpen_ = true;
    m_.RecordName = run_.modal([&] { return platform_.inputBox(prompt, title, records::maxNameLength, about); });
    recordOfferOpen_ = false;
    Label10->setCaption(Label12->caption());
    if (!m_.RecordName.toText().isEmpty())
        Label14->setCaption(m_.RecordName.toText());
}

void Form1::setMessageCaptions(const QString& sentence)
{
    Label3->setCaption(u' ' + sentence);
    Label5->setCaption(sentence);
}

void Form1::showMessage()
{
    Label3->show();
    Label5->show();
    Timer2.start();
}

// Every end of a game (lost, cleared, or ended from the menu) leaves the window Idle this
// way: no clock and no last-seconds count, the boxes emptied while still enabled (each
// change moves the focus to the first empty box, which must be able to take it) and then
// disabled, the history empty, 开始解锁 the only game item, and no time or tries shown.
void Form1::returnToIdle()
{
    Label6->hide();
    Timer1.stop();
    emptyDigitBoxes();
    clear();
    setDigitBoxesEnabled(false);
    setGameMenu(false);
    Lt->setCaption({});
    Lc->setCaption({});
}

// ---------------------------------------------------------------------------------------
// Countdown and messages

void Form1::Timer1_Timer()
{
    const auto count = vb::strictNumber(Lt->caption());
    if (!count) {
        // Only a broken time limit can leave no number here; end the round rather than tick forever.
        Lt->setCaption(QStringLiteral("0"));
    } else {
        Lt->setCaption(vb::numberText(*count - 1));
    }
    const double left = vb::strictNumber(Lt->caption()).value_or(0);
    if (left < lastSeconds) {
        Label6->show();
        Label6->setCaption(Lt->caption());
    }
    // At or below zero, so a time limit that is not a whole number still runs out.
    if (left > 0) {
        if (left < lastSeconds)
            announce(*this, {.secondsLeft = true});
        return;
    }
    Label6->hide();
    setMessageCaptions(gameLostText);
    // A score above the record is offered here as at every other ending (with the clock
    // stopped first), unless an offer is already open and this tick arrived behind it: the
    // handler that opened it has told the game's end already.
    Timer1.stop();
    if (!recordOfferOpen_)
        offerRecord(recordPromptAfterTries, {.result = timeUpText + gameLostText, .gameOver = true});
    失败();
}

void Form1::失败()
{
    returnToIdle();
    showMessage();  // with the captions the caller set
    // The round is lost, so its answer goes too, even one revealed from the menu.
    Label8->hide();
}

void Form1::Timer2_Timer()
{
    Label5->hide();
    Label3->hide();
    Timer2.stop();
}

void Form1::Label3_MouseMove()
{
    Label3->hide();
    Label5->hide();
}

void Form1::Label5_MouseMove()
{
    Label5->hide();
    Label3->hide();
}

// ---------------------------------------------------------------------------------------
// Game end, answer reveal, settings

void Form1::a2_Click()
{
    offerRecord(recordPromptAtEnd, {.gameOver = true});
    结束();
}

// No message: the player chose to stop, and one still showing goes away on time, so
// Timer2 is left alone. A revealed answer stays on view until the next game starts.
void Form1::结束() { returnToIdle(); }

void Form1::a4_Click() { Label8->show(); }

void Form1::a3_Click()
{
    run_.modal([&] {
        Form2 dialog(m_.TimeLimit, m_.MaxTries, platform_, this);
        dialog.exec();
    });
    rememberRecords();
}

// ---------------------------------------------------------------------------------------
// Boxes

void Form1::tell(const QString& text)
{
    run_.modal([&] { platform_.messageBox(text, Platform::InformationOk, title); });
}
