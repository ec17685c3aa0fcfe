#include "controls/controls.h"

#include "controls/artwork.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

Label::Label(QWidget* parent) : QLabel(parent)
{
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextFormat(Qt::PlainText);
}

void Label::setAutoSize(bool autoSize)
{
    autoSize_ = autoSize;
    setWordWrap(!autoSize);
    if (autoSize_)
        adjustSize();
}

void Label::setCaption(const QString& caption)
{
    const bool changed = caption != text();
    setText(caption);
    if (autoSize_)
        adjustSize();
    if (changed)
        emit captionChanged();
}

void Label::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        pressed_ = true;
    QLabel::mousePressEvent(event);
}

void Label::mouseReleaseEvent(QMouseEvent* event)
{
    const bool wasPressed = pressed_;
    pressed_ = false;
    QLabel::mouseReleaseEvent(event);
    if (wasPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

// Qt delivers the second press of a double-click to mousePressEvent as well, just before
// this: that press is no click of its own, so its release is not one either.
void Label::mouseDoubleClickEvent(QMouseEvent* event)
{
    pressed_ = false;
    event->accept();
}

void Label::mouseMoveEvent(QMouseEvent* event)
{
    QLabel::mouseMoveEvent(event);
    emit mouseMoved();
}

TextBox::TextBox(QWidget* parent) : QLineEdit(parent)
{
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (typingLimit_ > 0 && text().size() <= typingLimit_)
            limitLength(typingLimit_);
    });
}

void TextBox::setTypingLimit(int limit)
{
    typingLimit_ = limit;
    limitLength(std::max<int>(limit, static_cast<int>(text().size())));
}

void TextBox::setWholeText(const QString& text)
{
    limitLength(std::max<int>(typingLimit_, static_cast<int>(text.size())));
    setText(text);
}

// QLineEdit::setMaxLength sets the text again, which puts the caret at the end: it is set
// only when the length changes, and the caret and selection stay where the player left them.
void TextBox::limitLength(int length)
{
    if (maxLength() == length)
        return;
    const int caret = cursorPosition();
    const int start = selectionStart();  // -1 without a selection
    const int selected = selectionLength();
    setMaxLength(length);
    if (start < 0)
        setCursorPosition(caret);
    else if (caret == start)
        setSelection(start + selected, -selected);
    else
        setSelection(start, selected);
}

int TextBox::typedCharacter(const QKeyEvent& event)
{
    if (event.key() == Qt::Key_Delete || event.text().isEmpty())
        return -1;
    const char16_t c = event.text().at(0).unicode();
    const bool ctrl = event.modifiers().testFlag(Qt::ControlModifier)
        && !event.modifiers().testFlag(Qt::AltModifier);
    if (ctrl && c >= 0x40 && c < 0x80)
        return c & 0x1f;  // Ctrl+C -> 3, Ctrl+V -> 22, whatever text the platform attached
    return c;
}

bool TextBox::passes(int keyAscii)
{
    if (keyPress_)
        keyPress_(keyAscii);
    return keyAscii != 0;
}

void TextBox::keyPressEvent(QKeyEvent* event)
{
    if (escapeClosesWindow_ && event->key() == Qt::Key_Escape) {
        event->ignore();
        return;
    }
    const int typed = typedCharacter(*event);
    if (typed >= 0 && !passes(typed)) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TextBox::inputMethodEvent(QInputMethodEvent* event)
{
    // Text committed by an input method is typed text too: each character passes the handler.
    bool allPass = true;
    for (QChar c : event->commitString())
        allPass = passes(c.unicode()) && allPass;
    if (allPass) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent refused;  // ends any composition without inserting anything
    QLineEdit::inputMethodEvent(&refused);
    event->accept();
}

Picture::Picture(const QString& artworkName, QWidget* parent) : QLabel(parent), artworkName_(artworkName)
{
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setPixmap(artwork::pixmap(artworkName_, 1.0));
}

void Picture::paintEvent(QPaintEvent*)
{
    QPainter(this).drawPixmap(0, 0, artwork::pixmap(artworkName_, devicePixelRatioF()));
}
