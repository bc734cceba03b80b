#pragma once

#include "radio/backupstore.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <memory>

class QDirIterator;

namespace kav {

// Prunes a backups folder as BackupStore::prune() does, a bounded number of
// entries per event-loop turn, so that a folder of 100,000 files never holds
// up the window: first the listing, then the deletions, each kEntriesPerTurn
// at a time on a zero timer.
class BackupPruner : public QObject
{
    Q_OBJECT

public:
    static constexpr int kEntriesPerTurn = 256;

    explicit BackupPruner(BackupStore store, QObject *parent = nullptr);
    ~BackupPruner() override;

    // Begins on the next turn of the event loop; once only.
    void start();
    bool isFinished() const { return m_finished; }

Q_SIGNALS:
    // Pruning is over; deleted holds the names of the files deleted.
    void finished(const QStringList &deleted);

private:
    void onTurn();

    BackupStore m_store;
    QTimer m_turn;
    std::unique_ptr<QDirIterator> m_listing; // while listing
    BackupCollection m_found;
    QStringList m_doomed; // once listed: what is to go
    qsizetype m_next = 0;
    QStringList m_deleted;
    bool m_started = false;
    bool m_finished = false;
};

} // namespace kav
