#include "radio/backuppruner.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <utility>

namespace kav {

BackupPruner::BackupPruner(BackupStore store, QObject *parent) : QObject(parent), m_store(std::move(store))
{
    m_turn.setInterval(0);
    connect(&m_turn, &QTimer::timeout, this, &BackupPruner::onTurn);
}

BackupPruner::~BackupPruner() = default;

void BackupPruner::start()
{
    if (m_started)
        return;
    m_started = true;
    m_listing = std::make_unique<QDirIterator>(m_store.folder(), QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    m_turn.start();
}

void BackupPruner::onTurn()
{
    if (m_listing) {
        for (int i = 0; i < kEntriesPerTurn && m_listing->hasNext(); ++i) {
            m_listing->next();
            m_found.add(m_listing->fileInfo());
        }
        if (m_listing->hasNext())
            return;
        m_listing.reset();
        m_doomed = m_found.toPrune(m_store.now());
        m_found = {};
        return;
    }
    const QDir dir(m_store.folder());
    for (int i = 0; i < kEntriesPerTurn && m_next < m_doomed.size(); ++i, ++m_next) {
        const QString &name = m_doomed.at(m_next);
        if (QFile::remove(dir.filePath(name)))
            m_deleted.append(name);
    }
    if (m_next < m_doomed.size())
        return;
    m_turn.stop();
    m_finished = true;
    Q_EMIT finished(m_deleted);
}

} // namespace kav
