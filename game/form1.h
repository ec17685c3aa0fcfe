// The main window: the lock, the history of guesses, the score and the clock, with
// the handlers and procedures that play the game.
#pragma once

#include "game/form1_accessibility.h"
#include "game/form1_layout.h"
#include "game/module1.h"
#include "game/run.h"
#include "game/rules.h"
#include "controls/controls.h"
#include "platform/platform.h"

#include <QMainWindow>
#include <QTimer>
#include <array>

class QAction;
class QMenu;

class Form1 : public QMainWindow {
public:
    static constexpr int countdownTickMs = 1000;  // Timer1: one second of the round
    static constexpr int messageShowsMs = 2000;   // Timer2: how long a result message stays
    static constexpr int lastSeconds = 10;        // Label6 shows the count while fewer are left

    Form1(Module1& module, Platform& platform, records::RecordsFile recordsFile, QWidget* parent = nullptr);

    // --- Controls, named as designed --------------------------------------------------
    QMenu* a0 = nullptr;      // 选项
    QAction* a1 = nullptr;    // 开始解锁
    QAction* a2 = nullptr;    // 结束
    QAction* a4 = nullptr;    // 正确号码
    QAction* a3 = nullptr;    // 设置

    std::array<TextBox*, rules::codeLength> T{};  // the digit boxes
    std::array<Label*, face::historyRows> L{};     // history: the guess
    std::array<Label*, face::historyRows> Ld{};    // history: right digit, right place
    std::array<Label*, face::historyRows> Ly{};    // history: right digit, wrong place
    std::array<QLabel*, face::historyRows + 1> ID{};  // green plus icons; the last is the legend
    std::array<QLabel*, face::historyRows + 1> IY{};  // orange plus icons; the last is the legend

    Label* Label1 = nullptr;   // click area over the drawn 确定 button
    Label* Label2 = nullptr;
    Label* Label3 = nullptr;   // result message, white, with a leading space
    Label* Label4 = nullptr;
    Label* Label5 = nullptr;   // result message, magenta
    Label* Label6 = nullptr;   // the big last-seconds count
    Label* Label7 = nullptr;
    Label* Label8 = nullptr;   // the answer
    Label* Label9 = nullptr;
    Label* Label10 = nullptr;  // the record score
    Label* Label11 = nullptr;
    Label* Label12 = nullptr;  // the score of the current game
    Label* Label13 = nullptr;
    Label* Label14 = nullptr;  // the record holder
    Label* Label15 = nullptr;
    Label* Label16 = nullptr;
    Label* Label17 = nullptr;
    Label* Label18 = nullptr;
    Label* Lt = nullptr;       // seconds left in the round
    Label* Lc = nullptr;       // tries left

    QTimer Timer1;  // the round's countdown
    QTimer Timer2;  // hides the result message

    // --- Window variables -------------------------------------------------------------
    qint16 TriesLeft = 0;
    QString RoundPoints;

    // --- Handlers ---------------------------------------------------------------------
    void Form_Load();
    void Form_Unload();
    void a1_Click();
    void a2_Click();
    void a3_Click();
    void a4_Click();
    void T_KeyPress(int index, int& keyAscii);
    void T_Change(int index);
    void Label1_Click();
    void Label3_MouseMove();
    void Label5_MouseMove();
    void Timer1_Timer();
    void Timer2_Timer();

    // --- Procedures -------------------------------------------------------------------
    void clear();
    void mm();
    void 失败();
    void 结束();

    // The program icon for windows: the 16, 32 and 48 pixel pictures.
    static QIcon programIcon();

    // How the run ends: the records saved once, the boxes open, the session's end.
    Run& run() { return run_; }

    // The client area below the menu bar, where the background is drawn.
    QWidget* face() const { return face_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenu();
    void buildControls();
    void makeControl(const face::Control& design, const QString& name, QRect rect);
    void bindControls();
    template <typename Control>
    Control* control(const QString& name) const;
    void wireHandlers();

    // The result message: Label3 with one leading space, Label5 without. Only the captions.
    void setMessageCaptions(const QString& sentence);
    // Shows the message with the captions it holds, until Timer2 ticks.
    void showMessage();
    // What every end of a game does; see the definition.
    void returnToIdle();
    void offerRecord(const QString& prompt, const News& end);
    rules::Guess typedGuess() const;
    rules::Code secretCode() const;
    void roundSolved();
    void wrongGuess(const rules::Guess& guess, const rules::Marks& marks);
    void emptyDigitBoxes();
    void focusIfPossible(TextBox* box);
    void setDigitBoxesEnabled(bool enabled);
    void setGameMenu(bool playing);

    records::Records recordsNow() const;
    records::Records recordsOnceBoxesCancelled() const;
    void rememberRecords();
    void tell(const QString& text);

    Module1& m_;
    Platform& platform_;
    Run run_;
    QWidget* face_ = nullptr;
    bool recordOfferOpen_ = false;
};
