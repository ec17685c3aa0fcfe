#include "platform/qtplatform.h"

#include <QApplication>
#include <QDateTime>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace {

// The boxes' buttons carry the game's own texts, so they read so whether or not Qt's
// translations are installed.
const QString okText = QStringLiteral("确定");
const QString cancelText = QStringLiteral("取消");

}  // namespace

void QtPlatform::messageBox(const QString& text, int style, const QString& title)
{
    const QMessageBox::Icon icon = (style & IconMask) == InformationOk ? QMessageBox::Information : QMessageBox::NoIcon;
    QMessageBox box(icon, title, text, QMessageBox::Ok, boxOwner_);
    box.button(QMessageBox::Ok)->setText(okText);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

QString QtPlatform::inputBox(const QString& prompt, const QString& title, int maxLength)
{
    QInputDialog box(boxOwner_);
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowTitle(title);
    box.setLabelText(prompt);
    box.setInputMode(QInputDialog::TextInput);
    box.setOkButtonText(okText);
    box.setCancelButtonText(cancelText);
    if (auto* field = box.findChild<QLineEdit*>())
        field->setMaxLength(maxLength);  // counts UTF-16 units, so never more characters than that
    return box.exec() == QDialog::Accepted ? box.textValue() : QString();
}

void QtPlatform::beep() { QApplication::beep(); }

void QtPlatform::randomize()
{
    generator_.seed(static_cast<std::mt19937::result_type>(QDateTime::currentMSecsSinceEpoch()));
}

float QtPlatform::rnd()
{
    // 24 random bits scaled by 2^-24: every float in [0, 1) on that grid, never 1.
    return static_cast<float>(generator_() >> 8) * (1.0f / 16777216.0f);
}
