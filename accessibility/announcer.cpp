#include "accessibility/announcer.h"

#include <QAccessible>
#include <QAccessibleObject>
#include <QWidget>
#include <QWindow>

namespace accessibility {

#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)

Announcer::Announcer(QWidget* widget) : QObject(widget), widget_(widget) {}

void Announcer::say(const QString& text)
{
    QAccessibleAnnouncementEvent announcement(widget_, text);
    QAccessible::updateAccessibility(&announcement);
}

#else

namespace {

// A notification beside the widget, read-only and never drawn, that reads as its name.
class NotificationAccessible : public QAccessibleObject {
public:
    explicit NotificationAccessible(QObject* notification) : QAccessibleObject(notification) {}
    QAccessible::Role role() const override { return QAccessible::Notification; }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? object()->objectName() : QString();
    }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.readOnly = true;
        return state;
    }
    QWindow* window() const override { return widget()->window()->windowHandle(); }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(widget()); }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

private:
    QWidget* widget() const { return static_cast<QWidget*>(object()->parent()); }
};

const char* const notificationClass = "varnoth-notification";

QAccessibleInterface* notificationInterface(const QString&, QObject* object)
{
    return object && object->property(notificationClass).toBool() ? new NotificationAccessible(object) : nullptr;
}

}  // namespace

Announcer::Announcer(QWidget* widget) : QObject(widget), widget_(widget)
{
    [[maybe_unused]] static const bool installed = [] {
        QAccessible::installFactory(notificationInterface);
        return true;
    }();
    for (QObject*& notification : notifications_) {
        notification = new QObject(widget);
        notification->setProperty(notificationClass, true);
    }
}

void Announcer::say(const QString& text)
{
    QObject* notification = notifications_[next_++ % notifications_.size()];
    notification->setObjectName(text);
    QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(notification);
    QAccessibleEvent renamed(spoken, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&renamed);
    QAccessibleEvent shown(spoken, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}

#endif

}  // namespace accessibility
