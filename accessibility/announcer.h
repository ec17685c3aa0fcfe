// News for a screen reader, spoken at once on behalf of a widget. From Qt 6.8 on it is the
// platform's own announcement, which Qt raises for the widget: AT-SPI's Announcement signal
// on Linux (Orca speaks it as it speaks notifications), a UI Automation notification on
// Windows (Narrator, NVDA). Before Qt 6.8 there is no announcement event, so each is a
// notification beside the widget that is never drawn: a reader speaks its text as it
// "shows". A few take turns, so that a reader that gets to one late still finds the text it
// was shown with.
#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>
#include <array>

class QWidget;

namespace accessibility {

class Announcer : public QObject {
public:
    explicit Announcer(QWidget* widget);  // one of the widget's children
    void say(const QString& text);

private:
    QWidget* widget_;
#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
    std::array<QObject*, 4> notifications_{};
    size_t next_ = 0;
#endif
};

}  // namespace accessibility
