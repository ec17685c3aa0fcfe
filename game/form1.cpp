#include "game/form1.h"

#include "game/form1_accessibility.h"
#include "game/form1_layout.h"
#include "controls/artwork.h"
#include "controls/twips.h"
#include "settings/form2.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <algorithm>
#include <cstdio>
#include <exception>
#include <type_traits>

namespace {

const QString title = QStringLiteral("提示");
const QString roundSolvedText = QStringLiteral("答题成功,进入下一轮!");
const QString gameClearedText = QStringLiteral("恭喜通关,请继续挑战!");
const QString gameLostText = QStringLiteral("答题失败,请继续努力!");
const QString recordPromptAfterTries = QStringLiteral("恭喜破纪录,请输入您的大名:");
const QString recordPromptAtEnd = QStringLiteral("恭喜破纪录,请输入您的大名。");

// The window's face: the background picture, drawn unscaled from the top-left corner, in
// the version drawn for the scale nearest to the screen's.
class Face : public QWidget {
public:
    explicit Face(QWidget* parent) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter(this).drawPixmap(0, 0, artwork::pixmap(QStringLiteral("background"), devicePixelRatioF()));
    }
};

QFont fontOf(const face::Font& design)
{
    QFont font(QString::fromUtf8(design.family));
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

// Runs one start-up step; a step that fails is skipped (and logged) and the next one runs.
template <typename Step>
void skipOnFailure(const char* what, Step step)
{
    try {
        step();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "varnoth: skipped %s: %s\n", what, e.what());
    } catch (...) {
        std::fprintf(stderr, "varnoth: skipped %s\n", what);
    }
}

}  // namespace

Form1::Form1(Module1& module, Platform& platform, records::RecordsFile recordsFile, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                              | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_(module), platform_(platform), records_(std::move(recordsFile))
{
    installScreenReaderSupport();
    setWindowTitle(QStringLiteral("Varnoth"));
    setWindowIcon(programIcon());
    buildMenu();
    buildControls();
    wireHandlers();
    describeForScreenReaders(*this);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
}

QIcon Form1::programIcon()
{
    // The sizes a title bar and a task switcher use; the large one is for the desktop's
    // icon theme only, and would cost a 256 KB window property for nothing.
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addFile(QStringLiteral(":/icon-%1.png").arg(size), QSize(size, size));
    return icon;
}

void Form1::buildMenu()
{
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
    Label1->setCursor(Qt::PointingHandCursor);
    Label3->setMouseTracking(true);
    Label5->setMouseTracking(true);

    Timer1.setInterval(countdownTickMs);
    Timer2.setInterval(messageShowsMs);
}

void Form1::makeControl(const face::Control& design, const QString& name, QRect rect)
{
    QWidget* control = nullptr;
    switch (design.kind) {
    case face::Kind::DigitBox: {
        auto* box = new TextBox(face_);
        box->setFont(fontOf(design.font));
        box->setGeometry(rect);
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
        control = box;
        break;
    }
    case face::Kind::Label:
    case face::Kind::HistoryLabel: {
        auto* label = new Label(face_);
        label->setFont(fontOf(design.font));
        setTextColour(label, design.colour);
        label->setGeometry(rect);  // an auto-size label keeps the place and takes its text's size
        label->setAutoSize(design.autoSize);
        label->setCaption(QString::fromUtf8(design.text));
        control = label;
        break;
    }
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
    for (size_t i = 0; i < T.size(); ++i) {
        T[i] = control<TextBox>(element("T", i));
        T[i]->setAccessibleName(QStringLiteral("第%1位数字").arg(i + 1));
    }
    for (size_t i = 0; i < L.size(); ++i) {
        L[i] = control<Label>(element("L", i));
        Ld[i] = control<Label>(element("Ld", i));
        Ly[i] = control<Label>(element("Ly", i));
    }
    for (size_t i = 0; i < ID.size(); ++i) {
        ID[i] = control<QLabel>(element("ID", i));
        IY[i] = control<QLabel>(element("IY", i));
        ID[i]->setAccessibleName(QStringLiteral("位置正确"));
        IY[i]->setAccessibleName(QStringLiteral("位置不正确"));
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
        connect(T[static_cast<size_t>(i)], &QLineEdit::textChanged, this, [this, i] { T_Change(i); });
    }
    connect(Label1, &Label::clicked, this, [this] { Label1_Click(); });
    connect(Label3, &Label::mouseMoved, this, [this] { Label3_MouseMove(); });
    connect(Label5, &Label::mouseMoved, this, [this] { Label5_MouseMove(); });
    connect(&Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
    connect(&Timer2, &QTimer::timeout, this, [this] { Timer2_Timer(); });
    connect(Label10, &Label::captionChanged, this, [this] { rememberRecords(); });
    connect(Label14, &Label::captionChanged, this, [this] { rememberRecords(); });
}

// While the session ends no box opens, and one that was open counts as cancelled; the
// window closes once the last box has returned and its handler has finished.
template <typename F>
auto Form1::modal(F&& box) -> decltype(box())
{
    using Result = decltype(box());
    if (sessionEnding_)
        return Result();
    announcePendingNow(*this);
    ++modalDepth_;
    auto boxClosed = [this] {
        --modalDepth_;
        if (sessionEnding_ && modalDepth_ == 0)
            QTimer::singleShot(0, this, [this] { close(); });
    };
    if constexpr (std::is_void_v<Result>) {
        box();
        boxClosed();
    } else {
        Result result = box();
        boxClosed();
        return sessionEnding_ ? Result() : result;
    }
}

void Form1::tell(const QString& text)
{
    modal([&] { platform_.messageBox(text, Platform::InformationOk, title); });
}

void Form1::endSession()
{
    sessionEnding_ = true;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QDialog*>(window); box && box->isVisible())
            box->reject();
    if (modalDepth_ == 0) {
        close();
        return;
    }
    // A box's handler goes on only once the box's loop has control back, and Windows may end
    // the program as soon as the end of the session is answered, before that. So the records
    // are saved now too, as they stand once the open boxes are cancelled (a cancelled record
    // offer still sets the record), and saved again when the window closes.
    records::Values asCancelled = recordsNow();
    if (recordOfferOpen_)
        asCancelled.score = Label12->caption();
    records_.saveAhead(asCancelled);
}

// ---------------------------------------------------------------------------------------
// Start-up and shut-down

void Form1::Form_Load()
{
    skipOnFailure("loading the records", [&] {
        const records::Variables loaded = records_.load();
        m_.TimeLimit = loaded.TimeLimit;
        m_.MaxTries = loaded.MaxTries;
        m_.RecordName = loaded.RecordName;
        m_.RecordScore = loaded.RecordScore;
    });
    skipOnFailure("showing the record", [&] { Label10->setCaption(m_.RecordScore.toText()); });
    skipOnFailure("showing the record holder", [&] { Label14->setCaption(m_.RecordName.toText()); });
    skipOnFailure("seeding the random numbers", [&] { platform_.randomize(); });
    skipOnFailure("centring the window", [&] { centreOnScreen(*this); });
    if (const QString told = records_.toldAtStart(); !told.isEmpty())
        skipOnFailure("telling what the records file held", [&] { tell(told); });
    rememberRecords();
}

// The values SaveRecords writes: the time limit, the tries and the two record labels.
records::Values Form1::recordsNow() const
{
    return {m_.TimeLimit.toText(), m_.MaxTries, Label14->caption(), Label10->caption()};
}

void Form1::rememberRecords() { records_.remember(recordsNow()); }

void Form1::Form_Unload()
{
    if (const QString told = records_.save(recordsNow()); !told.isEmpty())
        tell(told);
}

void Form1::closeEvent(QCloseEvent* event)
{
    if (!unloaded_) {
        unloaded_ = true;
        Form_Unload();
    }
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

// Tries below 1 or a time limit below 1 (or not a number) cannot make a game: the
// points per round would divide by nothing. Says which setting to change, or "".
QString Form1::settingsProblem() const
{
    QStringList problems;
    if (m_.MaxTries < 1)
        problems << QStringLiteral("次数至少为1");
    const auto seconds = m_.TimeLimit.toNumber();
    if (m_.TimeLimit.isEmpty() || !seconds || *seconds < 1)
        problems << QStringLiteral("开锁时间至少为1秒");
    if (problems.isEmpty())
        return {};
    return problems.join(u',') + QStringLiteral(",请在\"设置\"中修改!");
}

void Form1::a1_Click()
{
    if (const QString problem = settingsProblem(); !problem.isEmpty()) {
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
    RoundPoints = *rules::roundPoints(m_.MaxTries, *m_.TimeLimit.toNumber());
    Label12->setCaption(QStringLiteral("0"));
}

// ---------------------------------------------------------------------------------------
// Guess entry

void Form1::T_KeyPress(int, int& keyAscii)
{
    if (!rules::isDigitKey(keyAscii)) {
        keyAscii = 0;
        platform_.beep();
    }
}

// A box that cannot take the focus (disabled, hidden, or the window waiting behind a
// modal box) is skipped rather than forced.
void Form1::focusIfPossible(TextBox* box)
{
    if (box->isEnabled() && box->isVisible() && !busyBehindModalBox())
        box->setFocus();
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

rules::Guess Form1::typedGuess() const
{
    return {T[0]->text(), T[1]->text(), T[2]->text(), T[3]->text()};
}

void Form1::emptyDigitBoxes()
{
    for (TextBox* box : T)
        box->setText({});
}

// 开始解锁 while Idle; 结束 and 正确号码 while a game runs.
void Form1::setGameMenu(bool playing)
{
    a1->setEnabled(!playing);
    a2->setEnabled(playing);
    a4->setEnabled(playing);
}

void Form1::setDigitBoxesEnabled(bool enabled)
{
    // A disabled box would pass the focus on to the next box, and on to the last one: it
    // rests on the face instead, which says how to begin.
    if (!enabled && std::find(T.begin(), T.end(), focusWidget()) != T.end()) {
        announcePendingNow(*this);
        face_->setFocus();
    }
    for (TextBox* box : T)
        box->setEnabled(enabled);
}

// ---------------------------------------------------------------------------------------
// Guess evaluation

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

void Form1::offerRecord(const QString& prompt)
{
    const double record = vb::leadingNumber(Label10->caption());
    const double score = vb::leadingNumber(Label12->caption());
    if (!(record < score))
        return;
    recordOfferOpen_ = true;
    m_.RecordName = records::cappedName(modal([&] { return platform_.inputBox(prompt, title, records::maxNameLength); }));
    recordOfferOpen_ = false;
    Label10->setCaption(Label12->caption());
    if (!m_.RecordName.toText().isEmpty())
        Label14->setCaption(m_.RecordName.toText());
}

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
        return;
    }
    // The last try solved the code: the game is cleared. Its message shows as a lost game's
    // does; the answer was hidden above, as it is for every solved round.
    announceGameEnd(*this, gameClearedText);
    returnToIdle();
    setMessageCaptions(gameClearedText);
    showMessage();
    offerRecord(recordPromptAfterTries);
}

void Form1::wrongGuess(const rules::Guess& guess, const rules::Marks& marks)
{
    for (size_t i = 0; i < L.size(); ++i) {
        if (!L[i]->caption().isEmpty())
            continue;
        L[i]->setCaption(guess[0] + guess[1] + guess[2] + guess[3]);
        Ld[i]->setCaption(vb::numberText(marks.rightPlace));
        Ly[i]->setCaption(vb::numberText(marks.wrongPlace));
        ID[i]->show();
        IY[i]->show();
        break;
    }
    emptyDigitBoxes();
    if (TriesLeft < 1) {
        announceGameEnd(*this, gameLostText);
        offerRecord(recordPromptAfterTries);
        setMessageCaptions(gameLostText);
        失败();
    }
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
    if (left <= 0) {
        Label6->hide();
        setMessageCaptions(gameLostText);
        // A score above the record is offered here as at every other ending (with the clock
        // stopped first), unless an offer is already open and this tick arrived behind it.
        Timer1.stop();
        announceGameEnd(*this, QStringLiteral("时间到。") + gameLostText);
        if (!recordOfferOpen_)
            offerRecord(recordPromptAfterTries);
        失败();
    }
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
    announceGameEnd(*this, {});
    offerRecord(recordPromptAtEnd);
    结束();
}

// No message: the player chose to stop, and one still showing goes away on time, so
// Timer2 is left alone. A revealed answer stays on view until the next game starts.
void Form1::结束() { returnToIdle(); }

void Form1::a4_Click() { Label8->show(); }

void Form1::a3_Click()
{
    modal([&] {
        Form2 dialog(m_, platform_, this);
        dialog.exec();
    });
    rememberRecords();
}
