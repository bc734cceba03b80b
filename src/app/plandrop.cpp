#include "app/plandrop.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace kav {

QString draggedPlan(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return {};
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.constFirst().isLocalFile())
        return {};
    const QFileInfo file(urls.constFirst().toLocalFile());
    if (!file.isFile() || file.suffix().compare(QLatin1String("sav"), Qt::CaseInsensitive) != 0)
        return {};
    return file.absoluteFilePath();
}

PlanDropTarget::PlanDropTarget(QWidget *window, std::function<bool()> mayOpen,
                               std::function<void(const QString &)> open)
    : QObject(window), m_mayOpen(std::move(mayOpen)), m_open(std::move(open))
{
    m_nextTurn.setSingleShot(true);
    m_nextTurn.setInterval(0);
    connect(&m_nextTurn, &QTimer::timeout, this, &PlanDropTarget::openDropped);
    window->setAcceptDrops(true);
    window->installEventFilter(this);
    // A text field takes drops of its own: the drop lands on it, not on the window.
    for (QLineEdit *field : window->findChildren<QLineEdit *>())
        field->installEventFilter(this);
}

bool PlanDropTarget::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QObject::eventFilter(watched, event);
    auto *drop = static_cast<QDropEvent *>(event);
    if (!drop->mimeData()->hasUrls())
        return false; // plain text for a field, as before
    const QString plan = draggedPlan(drop->mimeData());
    if (plan.isEmpty() || !m_mayOpen()) {
        drop->ignore();
        return true;
    }
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (type == QEvent::Drop) {
        m_dropped = plan;
        m_nextTurn.start();
    }
    return true;
}

void PlanDropTarget::openDropped()
{
    // An exchange may have begun since the drop.
    if (m_mayOpen())
        m_open(m_dropped);
}

} // namespace kav
