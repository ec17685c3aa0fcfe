#include "accessibility/faceparts.h"

#include "accessibility/atspi.h"

#include <QAccessibleObject>
#include <QWidget>
#include <QWindow>

namespace accessibility {

namespace {

class FacePartAccessible : public QAccessibleObject {
public:
    explicit FacePartAccessible(FacePart* part) : QAccessibleObject(part) {}

    QAccessible::Role role() const override { return part()->role(); }
    QString text(QAccessible::Text t) const override { return t == QAccessible::Name ? part()->name() : QString(); }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.readOnly = true;
        state.invisible = !part()->shows();
        return state;
    }
    QRect rect() const override { return part()->rect(); }
    QWindow* window() const override
    {
        for (QObject* above = part()->parent(); above; above = above->parent())
            if (above->isWidgetType())
                return static_cast<QWidget*>(above)->window()->windowHandle();
        return nullptr;
    }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(part()->parent()); }
    int childCount() const override { return static_cast<int>(part()->items().size()); }
    QAccessibleInterface* child(int index) const override { return interfaceAt(part()->items(), index); }
    int indexOfChild(const QAccessibleInterface* child) const override { return indexIn(part()->items(), child); }
    QList<QPair<QAccessibleInterface*, QAccessible::Relation>> relations(QAccessible::Relation match) const override
    {
        if ((match & QAccessible::Label) && part()->caption())
            return {{QAccessible::queryAccessibleInterface(part()->caption()), QAccessible::Label}};
        return {};
    }

private:
    FacePart* part() const { return static_cast<FacePart*>(object()); }
};

}  // namespace

QAccessibleInterface* interfaceAt(const QList<QObject*>& objects, int index)
{
    return index >= 0 && index < objects.size() ? QAccessible::queryAccessibleInterface(objects.at(index)) : nullptr;
}

int indexIn(const QList<QObject*>& objects, const QAccessibleInterface* child)
{
    return child ? static_cast<int>(objects.indexOf(child->object())) : -1;
}

QAccessibleInterface* facePartInterface(const QString&, QObject* object)
{
    auto* part = qobject_cast<FacePart*>(object);
    return part ? new FacePartAccessible(part) : nullptr;
}

#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)

Announcer::Announcer(QWidget* face) : QObject(face), face_(face) {}

void Announcer::say(const QString& text)
{
    lastSaid_ = text;
    QAccessibleAnnouncementEvent announcement(face_, text);
    QAccessible::updateAccessibility(&announcement);
    atspi::announce(text);
}

#else

class Notification : public FacePart {
public:
    using FacePart::FacePart;
    QAccessible::Role role() const override { return QAccessible::Notification; }
    QString name() const override { return text; }
    QString text;
};

Announcer::Announcer(QWidget* face) : QObject(face), face_(face)
{
    for (Notification*& notification : notifications_)
        notification = new Notification(face);
}

void Announcer::say(const QString& text)
{
    lastSaid_ = text;
    Notification* notification = notifications_[next_++ % notifications_.size()];
    notification->text = text;
    QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(notification);
    QAccessibleEvent renamed(spoken, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&renamed);
    QAccessibleEvent shown(spoken, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}

#endif

}  // namespace accessibility
