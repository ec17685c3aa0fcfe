#include "game/form1_accessibility.h"

#include "game/form1.h"
#include "game/form1_layout.h"
#include "accessibility/accessibility.h"
#include "accessibility/faceparts.h"
#include "accessibility/atspi.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>
#include <QWindow>

namespace {

using accessibility::FacePart;
using accessibility::indexIn;
using accessibility::interfaceAt;

QRect onScreen(const QWidget* widget) { return {widget->mapToGlobal(QPoint(0, 0)), widget->size()}; }

// A history row as a sentence: the guess and its two counts.
QString rowSentence(const Label* guess, const Label* rightPlace, const Label* wrongPlace)
{
    return QStringLiteral("%1,位置正确 %2 个,位置不正确 %3 个")
        .arg(guess->caption(), rightPlace->caption(), wrongPlace->caption());
}

// One row of the history: the guess and its two counts, read as one sentence. It is one
// of the list's items while it is used, and the readers are told when it joins or leaves.
//
// A row reports the extents of the whole history panel, not its own strip of it. Flat
// review puts on one line whatever lies at one height, so a row's own strip would join
// the row to the caption or the buttons beside it ("剩余次数: 9012,…", 确定 on the line of
// the second row). All the rows on the panel's extents read as one line of their own, the
// history, in their order; the boxes and 确定 keep a line to themselves.
class HistoryRow : public FacePart {
    Q_OBJECT
public:
    HistoryRow(FacePart* list, Label* guessLabel, Label* rightPlaceLabel, Label* wrongPlaceLabel)
        : FacePart(list), guess(guessLabel), rightPlace(rightPlaceLabel), wrongPlace(wrongPlaceLabel)
    {
        for (Label* label : {guessLabel, rightPlaceLabel, wrongPlaceLabel})
            connect(label, &Label::captionChanged, this, &HistoryRow::changed);
    }

    bool used() const { return guess && !guess->caption().isEmpty(); }

    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QString name() const override
    {
        return used() && rightPlace && wrongPlace ? rowSentence(guess, rightPlace, wrongPlace) : QString();
    }
    bool shows() const override { return used(); }
    QRect rect() const override { return list()->rect(); }

    QPointer<Label> guess, rightPlace, wrongPlace;

private:
    FacePart* list() const { return static_cast<FacePart*>(parent()); }

    void changed()
    {
        QAccessibleInterface* me = QAccessible::queryAccessibleInterface(this);
        const bool nowUsed = used();
        if (nowUsed != listed_) {
            const int index = static_cast<int>(nowUsed ? list()->items().indexOf(this) : 0);
            atspi::reportChildrenChanged(QAccessible::queryAccessibleInterface(list()), me, nowUsed, index);
            atspi::reportShowing(me, nowUsed);
            listed_ = nowUsed;
        }
        if (nowUsed) {
            QAccessibleEvent renamed(me, QAccessible::NameChanged);
            QAccessible::updateAccessibility(&renamed);
        }
    }

    bool listed_ = false;  // what the readers were last told
};

// The history panel: its rows, under the heading that names it. Only the used rows are
// items, in the order they were filled.
class HistoryList : public FacePart {
    Q_OBJECT
public:
    HistoryList(QWidget* face, Label* heading) : FacePart(face), heading_(heading) {}

    QAccessible::Role role() const override { return QAccessible::List; }
    QString name() const override { return heading_ ? heading_->caption() : QString(); }
    QWidget* caption() const override { return heading_; }
    QList<QObject*> items() const override
    {
        QList<QObject*> used;
        for (HistoryRow* row : rows())
            if (row->used())
                used.append(row);
        return used;
    }

    // The panel's rows, from the first row's guess to the last row's second count.
    QRect rect() const override
    {
        QRect all;
        for (const HistoryRow* row : rows())
            if (row->guess && row->wrongPlace)
                all = all.united(onScreen(row->guess)).united(onScreen(row->wrongPlace));
        return all;
    }

private:
    QList<HistoryRow*> rows() const { return findChildren<HistoryRow*>(QString(), Qt::FindDirectChildrenOnly); }

    QPointer<Label> heading_;
};

// The parts as sentences: each ends in a full stop unless it already ends in a mark.
QString sentences(const QStringList& parts)
{
    QString text;
    for (const QString& part : parts) {
        if (part.isEmpty())
            continue;
        text += part;
        if (!part.endsWith(u'!') && !part.endsWith(u'。') && !part.endsWith(u'?'))
            text += u'。';
    }
    return text;
}

// The face as it reads: its controls in the face table's reading order, then the history
// panel on the right, whose labels and icons are read through the list that stands for them.
QList<QObject*> readingOrder(const Form1& w)
{
    QList<QObject*> order;
    for (const face::Control* control : face::inReadingOrder())
        order.append(w.face()->findChild<QWidget*>(QString::fromUtf8(control->name), Qt::FindDirectChildrenOnly));
    order.append(w.face()->findChild<HistoryList*>(QString(), Qt::FindDirectChildrenOnly));
    return order;
}

// The face is the window's client area, named for the lock, and says how to begin. While
// no game runs the keyboard focus rests on it (the boxes are disabled), so a reader reads
// it at start, after every game and when a box closes. (As a panel, Orca 48 leaves its name
// out whenever it names the window first, as it does when a box has closed.)
class FaceAccessible : public QAccessibleWidget {
public:
    // The face is a child of the window, so the window outlives this interface.
    FaceAccessible(QWidget* face, const Form1& window) : QAccessibleWidget(face, QAccessible::Client), window_(window) {}

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.focusable = true;
        return state;
    }

    int childCount() const override { return static_cast<int>(readingOrder(window_).size()); }
    QAccessibleInterface* child(int index) const override { return interfaceAt(readingOrder(window_), index); }
    int indexOfChild(const QAccessibleInterface* child) const override { return indexIn(readingOrder(window_), child); }

private:
    const Form1& window_;
};

QAccessibleInterface* form1Interface(const QString& className, QObject* object)
{
    if (!object)
        return nullptr;
    if (className == QLatin1String("Face") && object->isWidgetType()) {
        auto* face = static_cast<QWidget*>(object);
        const auto* window = dynamic_cast<const Form1*>(face->parentWidget());
        if (window && window->face() == face)
            return new FaceAccessible(face, *window);
    }
    return nullptr;
}

// What the player hears as the game goes on, beyond what a reader reads from the window by
// itself: each handler's news, in one announcement on the face.
accessibility::Announcer* narratorOf(const Form1& w)
{
    return w.face()->findChild<accessibility::Announcer*>(QString(), Qt::FindDirectChildrenOnly);
}

}  // namespace

void installScreenReaderSupport()
{
    accessibility::install();
    QAccessible::installFactory(form1Interface);
}

// Every control is named as the face table says, and read as what it is there: a click
// area as its button, a caption as naming its figure.
void describeForScreenReaders(Form1& w)
{
    auto control = [&w](const QString& name) {
        return w.face()->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
    };
    for (const face::Placed& placed : face::placedControls()) {
        QWidget* widget = control(placed.name);
        const QString spoken = QString::fromUtf8(placed.design->spoken);
        auto* label = qobject_cast<Label*>(widget);
        if (label && placed.design->kind == face::Kind::ClickArea)
            accessibility::makeButton(label, spoken);
        else if (label && spoken.contains(QLatin1String("%1")))
            accessibility::speakAs(label, spoken);
        else if (!spoken.isEmpty())
            widget->setAccessibleName(spoken);
        if (label && *placed.design->names)
            accessibility::linkCaption(label, control(QString::fromUtf8(placed.design->names)));
        if (label)
            accessibility::followShowing(label);
    }
    auto* history = new HistoryList(w.face(), w.Label7);
    for (size_t i = 0; i < w.L.size(); ++i)
        new HistoryRow(history, w.L[i], w.Ld[i], w.Ly[i]);
    w.face()->setAccessibleName(QString::fromUtf8(face::spokenName));
    w.face()->setAccessibleDescription(QString::fromUtf8(face::spokenDescription));
    w.face()->setFocus();
    new accessibility::Announcer(w.face());
}

QString spokenNews(const Form1& w, const News& news)
{
    QStringList parts;
    if (news.gameStarted)
        parts << QStringLiteral("游戏开始,剩余时间 %1 秒,剩余次数 %2").arg(w.Lt->caption(), w.Lc->caption());
    if (news.row && *news.row < w.L.size())
        parts << rowSentence(w.L[*news.row], w.Ld[*news.row], w.Ly[*news.row]);
    parts << news.result;
    if (news.triesLeft)
        parts << QStringLiteral("剩余次数 %1").arg(w.Lc->caption());
    if (news.score)
        parts << QStringLiteral("得分 %1").arg(w.Label12->caption());
    if (news.gameOver)
        parts << QStringLiteral("游戏结束,得分 %1").arg(w.Label12->caption());
    if (news.secondsLeft)
        parts << QAccessible::queryAccessibleInterface(w.Label6)->text(QAccessible::Name);
    if (news.keyRefused)
        parts << QStringLiteral("只能输入数字");
    return sentences(parts);
}

void announce(const Form1& w, const News& news)
{
    const QString text = spokenNews(w, news);
    if (accessibility::Announcer* narrator = narratorOf(w); narrator && !text.isEmpty())
        narrator->say(text);
}

QString lastAnnouncement(const Form1& w)
{
    const accessibility::Announcer* narrator = narratorOf(w);
    return narrator ? narrator->lastSaid() : QString();
}

#include "form1_accessibility.moc"
