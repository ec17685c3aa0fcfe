#include "platform/accessibility.h"

#include "platform/controls.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QTimer>

namespace {

// The role a label plays when it is more than a caption, kept on the label itself.
const char* const roleProperty = "accessibleRole";

QAccessible::Role roleOf(const QWidget* widget)
{
    const QVariant role = widget->property(roleProperty);
    return role.isValid() ? static_cast<QAccessible::Role>(role.toInt()) : QAccessible::StaticText;
}

class LabelAccessible : public QAccessibleWidget {
public:
    explicit LabelAccessible(Label* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

    QAccessible::Role role() const override { return roleOf(label()); }

    // What is read is what is shown; a button has no caption of its own and is named.
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && label()->accessibleName().isEmpty())
            return label()->caption();
        return QAccessibleWidget::text(t);
    }

    // A label without text shows nothing, so it is not reported as showing; the button is
    // drawn on the face and shows without a caption.
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        if (!isButton()) {
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
        return isButton() ? QStringList{pressAction()} : QAccessibleWidget::actionNames();
    }

    // Queued, as a click arrives: the press returns at once even when the click then
    // opens a modal box, so the reader that pressed is not held until the box closes.
    void doAction(const QString& action) override
    {
        if (isButton() && action == pressAction()) {
            QMetaObject::invokeMethod(label(), &Label::click, Qt::QueuedConnection);
            return;
        }
        QAccessibleWidget::doAction(action);
    }

private:
    Label* label() const { return static_cast<Label*>(widget()); }
    bool isButton() const { return role() == QAccessible::PushButton; }
};

QAccessibleInterface* labelInterface(const QString& className, QObject* object)
{
    if (className == QLatin1String("Label") && object && object->isWidgetType())
        return new LabelAccessible(static_cast<Label*>(object));
    return nullptr;
}

// Qt tells screen readers that a widget is showing as it is shown; this tells them again
// when the caption of a label already in view changes. The check waits until the handler
// that changed the caption is done, so a caption replaced or hidden within the same
// handler (never painted) is not announced, and a label shown and captioned by the same
// handler is announced once.
class Announcer : public QObject {
public:
    explicit Announcer(Label* label) : QObject(label), label_(label)
    {
        label->installEventFilter(this);
        connect(label, &Label::captionChanged, this, &Announcer::captionChanged);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == label_ && event->type() == QEvent::Show) {
            justShown_ = true;
            QTimer::singleShot(0, this, &Announcer::settle);
        }
        return false;
    }

private:
    void captionChanged()
    {
        if (!label_->isVisible() || justShown_)
            return;
        pending_ = true;
        QTimer::singleShot(0, this, &Announcer::settle);
    }

    void settle()
    {
        if (pending_ && label_->isVisible() && !label_->caption().isEmpty()) {
            QAccessibleEvent shown(label_, QAccessible::ObjectShow);
            QAccessible::updateAccessibility(&shown);
        }
        pending_ = false;
        justShown_ = false;
    }

    Label* label_;
    bool justShown_ = false;
    bool pending_ = false;
};

}  // namespace

namespace accessibility {

void install() { QAccessible::installFactory(labelInterface); }

void linkCaption(QLabel* caption, QWidget* figure) { caption->setBuddy(figure); }

void makeButton(Label* label, const QString& name)
{
    label->setProperty(roleProperty, static_cast<int>(QAccessible::PushButton));
    label->setAccessibleName(name);
}

void announceWhenShown(Label* label)
{
    label->setProperty(roleProperty, static_cast<int>(QAccessible::Notification));
    new Announcer(label);
}

}  // namespace accessibility
