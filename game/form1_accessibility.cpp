#include "game/form1_accessibility.h"

#include "game/form1.h"
#include "platform/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>
#include <QWindow>

namespace {

QRect onScreen(const QWidget* widget) { return {widget->mapToGlobal(QPoint(0, 0)), widget->size()}; }

QWindow* windowOf(const QWidget* widget) { return widget->window()->windowHandle(); }

// One row of the history: the guess and its two counts, read as one sentence.
class HistoryRow : public QObject {
    Q_OBJECT
public:
    HistoryRow(QObject* list, Label* guessLabel, Label* rightPlaceLabel, Label* wrongPlaceLabel)
        : QObject(list), guess(guessLabel), rightPlace(rightPlaceLabel), wrongPlace(wrongPlaceLabel)
    {
    }

    bool used() const { return guess && !guess->caption().isEmpty(); }

    QString sentence() const
    {
        if (!used())
            return {};
        return QStringLiteral("%1,位置正确 %2 个,位置不正确 %3 个")
            .arg(guess->caption(), rightPlace->caption(), wrongPlace->caption());
    }

    QRect rect() const
    {
        if (!guess || !wrongPlace)
            return {};
        return onScreen(guess).united(onScreen(wrongPlace));
    }

    QPointer<Label> guess, rightPlace, wrongPlace;
};

// The history panel: its rows, under the heading that names it.
class HistoryList : public QObject {
    Q_OBJECT
public:
    HistoryList(QWidget* face, Label* headingLabel) : QObject(face), heading(headingLabel) {}

    QList<HistoryRow*> usedRows() const
    {
        QList<HistoryRow*> used;
        for (HistoryRow* row : findChildren<HistoryRow*>(QString(), Qt::FindDirectChildrenOnly))
            if (row->used())
                used.append(row);
        return used;
    }

    QRect rect() const
    {
        QRect all;
        for (const HistoryRow* row : findChildren<HistoryRow*>(QString(), Qt::FindDirectChildrenOnly))
            all = all.united(row->rect());
        return all;
    }

    QPointer<Label> heading;
};

class HistoryRowAccessible : public QAccessibleObject {
public:
    explicit HistoryRowAccessible(HistoryRow* row) : QAccessibleObject(row) {}

    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QString text(QAccessible::Text t) const override { return t == QAccessible::Name ? row()->sentence() : QString(); }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.readOnly = true;
        state.invisible = !row()->used();
        return state;
    }
    QRect rect() const override { return row()->rect(); }
    QWindow* window() const override { return row()->guess ? windowOf(row()->guess) : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(row()->parent()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

private:
    HistoryRow* row() const { return static_cast<HistoryRow*>(object()); }
};

class HistoryListAccessible : public QAccessibleObject {
public:
    explicit HistoryListAccessible(HistoryList* list) : QAccessibleObject(list) {}

    QAccessible::Role role() const override { return QAccessible::List; }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name && list()->heading ? list()->heading->caption() : QString();
    }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.readOnly = true;
        return state;
    }
    QRect rect() const override { return list()->rect(); }
    QWindow* window() const override { return list()->heading ? windowOf(list()->heading) : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(list()->parent()); }

    // Only the used rows are items, in the order they were filled.
    int childCount() const override { return static_cast<int>(list()->usedRows().size()); }
    QAccessibleInterface* child(int index) const override
    {
        const QList<HistoryRow*> used = list()->usedRows();
        return index >= 0 && index < used.size() ? QAccessible::queryAccessibleInterface(used.at(index)) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child ? static_cast<int>(list()->usedRows().indexOf(qobject_cast<HistoryRow*>(child->object()))) : -1;
    }

    QList<QPair<QAccessibleInterface*, QAccessible::Relation>> relations(QAccessible::Relation match) const override
    {
        if ((match & QAccessible::Label) && list()->heading)
            return {{QAccessible::queryAccessibleInterface(list()->heading), QAccessible::Label}};
        return {};
    }

private:
    HistoryList* list() const { return static_cast<HistoryList*>(object()); }
};

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

class FaceAccessible : public QAccessibleWidget {
public:
    // The face is a child of the window, so the window outlives this interface.
    FaceAccessible(QWidget* face, const Form1& window) : QAccessibleWidget(face, QAccessible::Client), window_(window)
    {
    }

    int childCount() const override { return static_cast<int>(readingOrder(window_).size()); }
    QAccessibleInterface* child(int index) const override
    {
        const QList<QObject*> order = readingOrder(window_);
        return index >= 0 && index < order.size() ? QAccessible::queryAccessibleInterface(order.at(index)) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child ? static_cast<int>(readingOrder(window_).indexOf(child->object())) : -1;
    }

private:
    const Form1& window_;
};

QAccessibleInterface* form1Interface(const QString& className, QObject* object)
{
    if (!object)
        return nullptr;
    if (className == QLatin1String("HistoryRow"))
        return new HistoryRowAccessible(static_cast<HistoryRow*>(object));
    if (className == QLatin1String("HistoryList"))
        return new HistoryListAccessible(static_cast<HistoryList*>(object));
    if (className == QLatin1String("QWidget") && object->isWidgetType()) {
        auto* face = static_cast<QWidget*>(object);
        const auto* window = dynamic_cast<const Form1*>(face->parentWidget());
        if (window && window->face() == face)
            return new FaceAccessible(face, *window);
    }
    return nullptr;
}

}  // namespace

void installScreenReaderSupport()
{
    accessibility::install();
    QAccessible::installFactory(form1Interface);
}

void describeForScreenReaders(Form1& w)
{
    accessibility::linkCaption(w.Label9, w.Label10);
    accessibility::linkCaption(w.Label13, w.Label14);
    accessibility::linkCaption(w.Label11, w.Label12);
    accessibility::linkCaption(w.Label2, w.Lt);
    accessibility::linkCaption(w.Label4, w.Lc);
    accessibility::makeButton(w.Label1, QStringLiteral("确定"));
    accessibility::announceWhenShown(w.Label5);
    accessibility::announceWhenShown(w.Label6);
    auto* history = new HistoryList(w.face(), w.Label7);
    for (size_t i = 0; i < w.L.size(); ++i)
        new HistoryRow(history, w.L[i], w.Ld[i], w.Ly[i]);
}

#include "form1_accessibility.moc"
