#include "settings/form2.h"

#include "accessibility/accessibility.h"
#include "controls/twips.h"
#include "platform/keyfilter.h"
#include "system/centring.h"

#include <QApplication>
#include <QRegularExpression>

namespace {

// The client area, in twips, and its dark grey.
constexpr int clientWidth = 4635;
constexpr int clientHeight = 1650;
const QColor background(64, 64, 64);

// The most digits typing may leave in each box.
constexpr int timeLimitDigits = 3;
constexpr int triesDigits = 1;

Label* makeLabel(QWidget* parent, const char* name, QRect rect, const QString& text)
{
    auto* label = new Label(parent);
    label->setObjectName(QString::fromUtf8(name));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(palette);
    label->setGeometry(rect);
    label->setCaption(text);
    return label;
}

// The box's text comes from the settings, at load.
TextBox* makeBox(QWidget* parent, const char* name, QRect rect, int limit, const QString& tip)
{
    auto* box = new TextBox(parent);
    box->setObjectName(QString::fromUtf8(name));
    box->setGeometry(rect);
    box->setTypingLimit(limit);
    box->setToolTip(tip);  // also what a screen reader gives as the box's description
    box->setEscapeClosesWindow(true);
    return box;
}

// Only a whole number written in digits is taken from a box; anything else (which only
// pasting can bring in) leaves the setting as it was.
bool isWholeNumber(const QString& text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    return digits.match(text).hasMatch();
}

}  // namespace

Form2::Form2(vb::Variant& timeLimit, qint16& maxTries, Platform& platform, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      TimeLimit(timeLimit), MaxTries(maxTries), platform_(platform)
{
    setWindowTitle(QStringLiteral("设置"));
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(px(clientWidth), px(clientHeight));
    askForFrame(*this);  // with the size fixed; answered while the controls are made
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, background);
    setPalette(palette);
    setAutoFillBackground(true);

    Label1 = makeLabel(this, "Label1", twipsRect(120, 480, 975, 255), QStringLiteral("开锁时间:"));
    Text1 = makeBox(this, "Text1", twipsRect(1080, 360, 3135, 330), timeLimitDigits,
                    QStringLiteral("指每一关所能用的时间限制"));
    Label2 = makeLabel(this, "Label2", twipsRect(4320, 480, 375, 255), QStringLiteral("秒"));
    Label3 = makeLabel(this, "Label3", twipsRect(120, 1200, 855, 255), QStringLiteral("次    数:"));
    Text2 = makeBox(this, "Text2", twipsRect(1080, 1080, 3135, 330), triesDigits,
                    QStringLiteral("每一关可用的次数,同时也是一次解锁的关数!"));
    Label5 = makeLabel(this, "Label5", twipsRect(4320, 1200, 255, 255), QStringLiteral("次"));
    setTabOrder(Text1, Text2);

    // A screen reader names each box by the label before it, and says how to keep the values.
    accessibility::linkCaption(Label1, Text1);
    accessibility::linkCaption(Label3, Text2);
    setAccessibleDescription(QStringLiteral("关闭对话框即保存设置。"));

    for (TextBox* box : {Text1, Text2}) {
        box->setKeyPressHandler([this](int& keyAscii) { DigitKeyFilter(keyAscii); });
        box->setInputMethodHints(Qt::ImhDigitsOnly);  // a phone offers its digit keys
    }

    Form_Load();
    Text1->setFocus();
}

void Form2::Form_Load()
{
    centreOnScreen(*this);
    Text1->setWholeText(TimeLimit.toText());
    Text2->setWholeText(vb::numberText(MaxTries));
}

void Form2::DigitKeyFilter(int& keyAscii) { ::DigitKeyFilter(keyAscii, platform_); }

void Form2::Form_Unload()
{
    if (const QString text = Text1->text(); isWholeNumber(text))
        TimeLimit = text;
    if (const QString text = Text2->text(); isWholeNumber(text))
        if (const auto tries = vb::toInt16(text))
            MaxTries = *tries;
}

void Form2::done(int result)
{
    if (!unloaded_) {
        unloaded_ = true;
        Form_Unload();
    }
    QDialog::done(result);
}
