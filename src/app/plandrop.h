#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class QMimeData;
class QWidget;

namespace kav {

// The plan a drag carries: the path of its one local *.sav file; empty when
// it carries anything else (several files, a folder, a remote or missing file,
// another name).
[[nodiscard]] QString draggedPlan(const QMimeData *data);

// Takes plans dropped anywhere on window: one local *.sav file opens as OPEN
// opens it, after the drop has ended (a refused file's box does not hold up the
// program it was dragged from). Any other drag of files or links is refused
// without a word, and so is every drag while mayOpen() is false. The window's
// text fields still take a drag of plain text as they always have.
class PlanDropTarget : public QObject
{
public:
    PlanDropTarget(QWidget *window, std::function<bool()> mayOpen, std::function<void(const QString &)> open);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void openDropped();

    std::function<bool()> m_mayOpen;
    std::function<void(const QString &)> m_open;
    QString m_dropped; // the plan of the last drop, opened in the next turn
    QTimer m_nextTurn; // the event loop's next turn, after the drop has ended
};

} // namespace kav
