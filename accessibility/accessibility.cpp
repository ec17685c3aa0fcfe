#include "accessibility/accessibility.h"

#include "accessibility/atspi.h"
#include "accessibility/faceparts.h"
#include "controls/controls.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPointer>
#include <QStyle>
#include <QValidator>

#include <algorithm>

namespace {

// The role a label plays when it is more than a caption, kept on the label itself, and
// the sentence it reads as.
const char* const roleProperty = "accessibleRole";
const char* const spokenFormatProperty = "accessibleSpokenFormat";

QAccessible::Role roleOf(const QWidget* widget)
{
    const QVariant role = widget->property(roleProperty);
    return role.isValid() ? static_cast<QAccessible::Role>(role.toInt()) : QAccessible::StaticText;
}

bool isButton(const Label* label) { return roleOf(label) == QAccessible::PushButton; }

// What a reader is told the label shows: a label without text shows nothing; the button
// is drawn on the face and shows without a caption.
bool showsSomething(const Label* label)
{
    return label->isVisible() && (isButton(label) || !label->caption().isEmpty());
}

class LabelAccessible : public QAccessibleWidget {
public:
    explicit LabelAccessible(Label* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

    QAccessible::Role role() const override { return roleOf(label()); }

    // What is read is what is shown, or the sentence around it; a button has no caption of
    // its own and is named.
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && label()->accessibleName().isEmpty()) {
            const QString format = label()->property(spokenFormatProperty).toString();
            if (!format.isEmpty() && !label()->caption().isEmpty())
                return format.arg(label()->caption());
            return label()->caption();
        }
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        if (!isButton(label())) {
            state.readOnly = true;
            if (label()->caption().isEmpty())
                state.invisible = true;
        }
        return state;
    }

    // Qt reports the caption side of a link (a sibling whose buddy this is); this adds the
    // other side, the figure that this caption names.
    QList<QPair<QAccessibleInterface*, QAccessible::Relation>> relations(QAccessible::Relation match) const override
    {
        auto related = QAccessibleWidget::relations(match);
        if (match & QAccessible::Labelled) {
            if (QWidget* figure = label()->buddy())
                if (QAccessibleInterface* named = QAccessible::queryAccessibleInterface(figure))
                    related.append({named, QAccessible::Labelled});
        }
        return related;
    }

    QStringList actionNames() const override
    {
        return isButton(label()) ? QStringList{pressAction()} : QAccessibleWidget::actionNames();
    }

    // Queued, as a click arrives: the press returns at once even when the click then
    // opens a modal box, so the reader that pressed is not held until the box closes.
    void doAction(const QString& action) override
    {
        if (isButton(label()) && action == pressAction()) {
            QMetaObject::invokeMethod(label(), &Label::click, Qt::QueuedConnection);
            return;
        }
        QAccessibleWidget::doAction(action);
    }

private:
    Label* label() const { return static_cast<Label*>(widget()); }
};

// The pieces a one-line text divides into at a boundary, as [start, end) offsets that
// together cover the text: characters (a surrogate pair is one), words and the runs
// between them, or the whole line (a one-line box holds one sentence, one paragraph).
QList<QPair<int, int>> piecesOf(const QString& text, QAccessible::TextBoundaryType boundary)
{
    const int n = static_cast<int>(text.size());
    QList<QPair<int, int>> pieces;
    if (boundary == QAccessible::CharBoundary) {
        for (int i = 0; i < n;) {
            const int length = text.at(i).isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate() ? 2 : 1;
            pieces.append({i, i + length});
            i += length;
        }
    } else if (boundary == QAccessible::WordBoundary) {
        auto inWord = [&](int i) { return text.at(i).isLetterOrNumber() || text.at(i).isMark(); };
        for (int i = 0; i < n;) {
            int end = i + 1;
            while (end < n && inWord(end) == inWord(i))
                ++end;
            pieces.append({i, end});
            i = end;
        }
    } else if (n > 0) {
        pieces.append({0, n});
    }
    return pieces;
}

// A one-line text box as a screen reader reads it: it finds every boundary itself, and
// otherwise answers as Qt's own description of a QLineEdit does.
//
// A workaround (qtversions.h): Qt's own never returns when asked for the word or the
// sentence at the end of the text, as Orca asks after End or Ctrl+Left there, and the game
// freezes. QAccessibleTextInterface::textAtOffset (qaccessible.cpp), which Qt's
// QAccessibleLineEdit calls, loops while QTextBoundaryFinder::toNextBoundary() is below the
// text's length, and at the end that returns -1, for ever. Seen on Qt 6.4.2 and 6.8.2; no fix
// known. To tell: on a Qt without the fix, textAtOffset(length, WordBoundary) of Qt's own
// description of a QLineEdit holding "ab cd" never returns, and without this description the
// boundary test of the text boxes (test_form1_layout) hangs.
class LineEditAccessible : public QAccessibleWidget,
                           public QAccessibleTextInterface,
                           public QAccessibleEditableTextInterface {
public:
    explicit LineEditAccessible(QLineEdit* edit) : QAccessibleWidget(edit, QAccessible::EditableText) {}

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        if (t == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return shown();
        return QAccessibleWidget::text(t);
    }

    void setText(QAccessible::Text t, const QString& text) override
    {
        if (t != QAccessible::Value) {
            QAccessibleWidget::setText(t, text);
            return;
        }
        QString newText = text;
        int position = 0;
        if (edit()->validator() && edit()->validator()->validate(newText, position) != QValidator::Acceptable)
            return;
        edit()->setText(newText);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        if (edit()->isReadOnly())
            state.readOnly = true;
        else
            state.editable = true;
        if (edit()->echoMode() != QLineEdit::Normal)
            state.passwordEdit = true;
        state.selectableText = true;
        if (edit()->hasSelectedText())
            state.selected = true;
        if (edit()->contextMenuPolicy() != Qt::NoContextMenu && edit()->contextMenuPolicy() != Qt::PreventContextMenu)
            state.hasPopup = true;
        return state;
    }

    // --- Text ---------------------------------------------------------------------------

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override
    {
        *startOffset = *endOffset = 0;
        if (selectionIndex != 0 || !edit()->hasSelectedText())
            return;
        *startOffset = edit()->selectionStart();
        *endOffset = *startOffset + static_cast<int>(edit()->selectedText().size());
    }
    int selectionCount() const override { return edit()->hasSelectedText() ? 1 : 0; }
    void addSelection(int startOffset, int endOffset) override { setSelection(0, startOffset, endOffset); }
    void removeSelection(int selectionIndex) override
    {
        if (selectionIndex == 0)
            edit()->deselect();
    }
    void setSelection(int selectionIndex, int startOffset, int endOffset) override
    {
        if (selectionIndex == 0)
            edit()->setSelection(startOffset, endOffset - startOffset);
    }

    int cursorPosition() const override { return edit()->cursorPosition(); }
    void setCursorPosition(int position) override { edit()->setCursorPosition(position); }

    QString text(int startOffset, int endOffset) const override
    {
        const QString all = shown();
        startOffset = std::clamp(startOffset, 0, static_cast<int>(all.size()));
        endOffset = endOffset < 0 ? static_cast<int>(all.size()) : std::clamp(endOffset, startOffset, static_cast<int>(all.size()));
        return all.mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return static_cast<int>(shown().size()); }

    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                             int* endOffset) const override
    {
        return piece(offset, boundary, -1, startOffset, endOffset);
    }
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                         int* endOffset) const override
    {
        return piece(offset, boundary, 0, startOffset, endOffset);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                            int* endOffset) const override
    {
        return piece(offset, boundary, 1, startOffset, endOffset);
    }

    // Where the character is drawn, on the screen: the box's text area, the text placed by
    // its alignment, the character by the widths of those before it.
    QRect characterRect(int offset) const override
    {
        const QString all = edit()->displayText();
        if (offset < 0 || offset >= all.size())
            return {};
        const QFontMetrics metrics(edit()->font());
        QRect area = edit()->contentsRect().marginsRemoved(edit()->textMargins());
        if (edit()->hasFrame()) {
            const int frame = edit()->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit());
            area.adjust(frame, frame, -frame, -frame);
        }
        area.adjust(horizontalMargin, 0, -horizontalMargin, 0);
        const int width = metrics.horizontalAdvance(all);
        const Qt::Alignment alignment = QStyle::visualAlignment(edit()->layoutDirection(), edit()->alignment());
        int left = area.left();
        if (alignment & Qt::AlignHCenter)
            left = area.left() + (area.width() - width) / 2;
        else if (alignment & Qt::AlignRight)
            left = area.right() + 1 - width;
        const int x = left + metrics.horizontalAdvance(all.left(offset));
        const int y = area.top() + (area.height() - metrics.height()) / 2;
        const QRect character(x, y, metrics.horizontalAdvance(all.mid(offset, 1)), metrics.height());
        return character.translated(edit()->mapToGlobal(QPoint(0, 0)));
    }
    int offsetAtPoint(const QPoint& point) const override
    {
        return edit()->cursorPositionAt(edit()->mapFromGlobal(point));
    }
    void scrollToSubstring(int startIndex, int endIndex) override
    {
        edit()->setCursorPosition(endIndex);
        edit()->setCursorPosition(startIndex);
    }
    // One run of the box's own look.
    QString attributes(int offset, int* startOffset, int* endOffset) const override
    {
        Q_UNUSED(offset);
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }

    // --- Editable text ------------------------------------------------------------------

    void deleteText(int startOffset, int endOffset) override
    {
        edit()->setSelection(startOffset, endOffset - startOffset);
        edit()->del();
    }
    void insertText(int offset, const QString& text) override
    {
        edit()->setCursorPosition(offset);
        edit()->insert(text);
    }
    void replaceText(int startOffset, int endOffset, const QString& text) override
    {
        edit()->setSelection(startOffset, endOffset - startOffset);
        edit()->insert(text);
    }

private:
    static constexpr int horizontalMargin = 2;  // QLineEdit's own, between frame and text

    QLineEdit* edit() const { return static_cast<QLineEdit*>(widget()); }

    // The text as the box shows it: a password is not read out.
    QString shown() const
    {
        switch (edit()->echoMode()) {
        case QLineEdit::Normal: return edit()->text();
        case QLineEdit::NoEcho: return {};
        default: return edit()->displayText();
        }
    }

    // The piece of the text at the offset (which 0), or the one before (-1) or after (1) it.
    // No piece starts at the end of the text, except that the end is on the one line.
    QString piece(int offset, QAccessible::TextBoundaryType boundary, int which, int* startOffset,
                  int* endOffset) const
    {
        QString all = shown();
        const int n = static_cast<int>(all.size());
        *startOffset = *endOffset = -1;
        if (offset == -2)
            offset = cursorPosition();
        if (offset < 0 || offset > n)
            return {};
        if (boundary == QAccessible::NoBoundary) {
            if (which != 0)
                return {};
            *startOffset = 0;
            *endOffset = n;
            return all;
        }
        const QList<QPair<int, int>> pieces = piecesOf(all, boundary);
        qsizetype at = pieces.size();  // the end of the text: after the last piece
        for (qsizetype i = 0; i < pieces.size(); ++i)
            if (pieces[i].first <= offset && offset < pieces[i].second)
                at = i;
        const bool wholeLine = boundary != QAccessible::CharBoundary && boundary != QAccessible::WordBoundary;
        if (at == pieces.size() && wholeLine && !pieces.isEmpty())
            at = pieces.size() - 1;
        if (at == pieces.size() && which == 0) {
            *startOffset = *endOffset = n;
            return {};
        }
        const qsizetype wanted = at + which;
        if (wanted < 0 || wanted >= pieces.size())
            return {};
        *startOffset = pieces[wanted].first;
        *endOffset = pieces[wanted].second;
        return all.mid(*startOffset, *endOffset - *startOffset);
    }
};

QAccessibleInterface* controlInterface(const QString& className, QObject* object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    if (className == QLatin1String("Label"))
        return new LabelAccessible(static_cast<Label*>(object));
    if (className == QLatin1String("QLineEdit"))
        return new LineEditAccessible(static_cast<QLineEdit*>(object));
    return nullptr;
}

// Tells the readers each time what the label shows starts or stops: on being shown or
// hidden, and on gaining or losing its caption.
class ShowingReporter : public QObject {
    Q_OBJECT
public:
    explicit ShowingReporter(Label* label) : QObject(label), label_(label), shown_(showsSomething(label))
    {
        label->installEventFilter(this);
        connect(label, &Label::captionChanged, this, &ShowingReporter::check);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == label_ && (event->type() == QEvent::Show || event->type() == QEvent::Hide))
            check();
        return false;
    }

private:
    void check()
    {
        const bool shows = showsSomething(label_);
        if (shows == shown_)
            return;
        shown_ = shows;
        atspi::reportShowing(QAccessible::queryAccessibleInterface(label_), shows);
    }

    Label* label_;
    bool shown_;
};

}  // namespace

namespace accessibility {

void install()
{
    QAccessible::installFactory(controlInterface);
    QAccessible::installFactory(facePartInterface);
    atspi::relayKeysInOrder();
}

void followShowing(Label* label)
{
    if (!label->findChild<ShowingReporter*>(QString(), Qt::FindDirectChildrenOnly))
        new ShowingReporter(label);
}

void speakAs(Label* label, const QString& format) { label->setProperty(spokenFormatProperty, format); }

void linkCaption(QLabel* caption, QWidget* figure) { caption->setBuddy(figure); }

void makeButton(Label* label, const QString& name)
{
    label->setProperty(roleProperty, static_cast<int>(QAccessible::PushButton));
    label->setAccessibleName(name);
}

}  // namespace accessibility

#include "accessibility.moc"
