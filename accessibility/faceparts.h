// What a screen reader reads on a window's face that is no widget of its own: parts that
// say what they are and what they read as (a history row, the history), and news spoken on
// the face's behalf.
#pragma once

#include <QAccessible>
#include <QObject>
#include <QRect>
#include <QString>
#include <array>

class QWidget;

namespace accessibility {

// A part says what it is and what it reads as; install() makes every part answer a reader
// from that, read-only, in its face's window, as a child of the object it belongs to.
class FacePart : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual QAccessible::Role role() const = 0;
    virtual QString name() const = 0;
    virtual bool shows() const { return true; }
    // Where it lies on the screen: nowhere of its own, unless it says.
    virtual QRect rect() const { return {}; }
    // What a reader finds in it, in order: nothing, unless it says.
    virtual QList<QObject*> items() const { return {}; }
    // The caption that names it, if any.
    virtual QWidget* caption() const { return nullptr; }
};

// A reader's child of an object whose children are these objects: the one at an index
// (none out of range), and the index of one (-1 if it is not among them).
QAccessibleInterface* interfaceAt(const QList<QObject*>& objects, int index);
int indexIn(const QList<QObject*>& objects, const QAccessibleInterface* child);

// The reader's view of a FacePart (the factory install() adds).
QAccessibleInterface* facePartInterface(const QString& className, QObject* object);

// News spoken at once on behalf of a face. From Qt 6.8 on it is the platform's own
// announcement, which Qt raises for the face: AT-SPI's Announcement signal on Linux (Orca
// speaks it as it speaks notifications), a UI Automation notification on Windows (Narrator,
// NVDA). Before Qt 6.8 there is no announcement event, so each is a notification on the
// face that is never drawn: a reader speaks its text as it "shows". A few take turns, so
// that a reader that gets to one late still finds the text it was shown with.
class Announcer : public QObject {
    Q_OBJECT
public:
    explicit Announcer(QWidget* face);  // one of the face's children
    void say(const QString& text);
    QString lastSaid() const { return lastSaid_; }

private:
    QWidget* face_;
    QString lastSaid_;
#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
    std::array<class Notification*, 4> notifications_{};
    size_t next_ = 0;
#endif
};

}  // namespace accessibility
