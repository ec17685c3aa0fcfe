#include "platform/qtplatform.h"

#include "system/beep.h"
#include "text/characters.h"

#include <QAccessible>
#include <QDateTime>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QValidator>

namespace {

// The boxes' buttons carry the game's own texts, so they read so whether or not Qt's
// translations are installed.
const QString okText = QStringLiteral("确定");
const QString cancelText = QStringLiteral("取消");

// Holds a text box to a number of characters, not of UTF-16 units (text/characters.h):
// what goes past the limit is cut from what was just typed or pasted (it stands before the
// cursor), never inside a character; halves of characters, which the box's own limit in
// UTF-16 units can leave, go too.
class CharacterLimit : public QValidator {
public:
    CharacterLimit(int limit, QObject* parent) : QValidator(parent), limit_(limit) {}

    State validate(QString& input, int& pos) const override
    {
        const QString before = input.left(pos), after = input.mid(pos);
        const QString kept = text::firstCharacters(after, limit_);
        const QString typed
            = text::firstCharacters(before, std::max<qsizetype>(0, limit_ - text::characterCount(kept)));
        input = typed + kept;
        pos = static_cast<int>(typed.size());
        return Acceptable;
    }

private:
    int limit_;
};

// What a box tells before its prompt, as its description: Orca reads it as the box opens.
// Narrator and NVDA read a box's title and its focused field, not its description, so on
// Windows it is an announcement as well, raised as the box shows (from Qt 6.8 on, a UI
// Automation notification).
void tellAsItOpens(QDialog& box, const QString& about)
{
    box.setAccessibleDescription(about);
#if defined(Q_OS_WIN) && QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    if (!about.isEmpty()) {
        QTimer::singleShot(0, &box, [&box, about] {
            QAccessibleAnnouncementEvent news(&box, about);
            news.setPoliteness(QAccessible::AnnouncementPoliteness::Assertive);
            QAccessible::updateAccessibility(&news);
        });
    }
#endif
}

}  // namespace

void QtPlatform::messageBox(const QString& text, int style, const QString& title)
{
    const QMessageBox::Icon icon = (style & IconMask) == InformationOk ? QMessageBox::Information : QMessageBox::NoIcon;
    QMessageBox box(icon, title, text, QMessageBox::Ok, boxOwner_);
    box.button(QMessageBox::Ok)->setText(okText);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

QString QtPlatform::inputBox(const QString& prompt, const QString& title, int maxLength, const QString& about)
{
    QInputDialog box(boxOwner_);
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowTitle(title);
    tellAsItOpens(box, about);
    box.setLabelText(prompt);
    box.setInputMode(QInputDialog::TextInput);
    box.setOkButtonText(okText);
    box.setCancelButtonText(cancelText);
    if (auto* field = box.findChild<QLineEdit*>()) {
        field->setMaxLength(2 * maxLength);  // UTF-16 units: room for maxLength characters of any kind
        field->setValidator(new CharacterLimit(maxLength, field));
        // The name is typed at once: the field takes the focus once the box shows (Qt 6.8 in
        // a web page gives it to a button as the box opens).
        QTimer::singleShot(0, field, [field] { field->setFocus(); });
    }
    return box.exec() == QDialog::Accepted ? box.textValue() : QString();
}

void QtPlatform::beep() { systemBeep(); }

void QtPlatform::randomize()
{
    generator_.seed(static_cast<std::mt19937::result_type>(QDateTime::currentMSecsSinceEpoch()));
}

float QtPlatform::rnd()
{
    // 24 random bits scaled by 2^-24: every float in [0, 1) on that grid, never 1.
    return static_cast<float>(generator_() >> 8) * (1.0f / 16777216.0f);
}
