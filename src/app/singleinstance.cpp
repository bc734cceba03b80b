#include "app/singleinstance.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

namespace kav {

namespace {

// A lock file this young that names nobody may be another copy still writing it.
constexpr qint64 kFreshLockSeconds = 5;

} // namespace

SingleInstance::SingleInstance(const QString &lockPath) : m_path(lockPath), m_lock(lockPath)
{
    // Staleness is decided by whether the owning process still runs, never by age.
    m_lock.setStaleLockTime(0);
}

bool SingleInstance::acquire()
{
    if (m_lock.tryLock(0))
        return true;
    const QString withoutCheck = QStringLiteral("; running without the check for another running copy");
    if (m_lock.error() != QLockFile::LockFailedError) {
        m_notice = QStringLiteral("The lock file %1 cannot be made%2").arg(m_path, withoutCheck);
        return true;
    }
    // QLockFile has already taken over a lock of a dead process; what is left
    // is a live holder, or a file that names nobody.
    qint64 pid = 0;
    QString host;
    QString application;
    if (m_lock.getLockInfo(&pid, &host, &application))
        return false;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_notice = QStringLiteral("The lock file %1 cannot be read (%2)%3").arg(m_path, file.errorString(), withoutCheck);
        return true;
    }
    file.close();
    if (QFileInfo(m_path).lastModified().secsTo(QDateTime::currentDateTime()) < kFreshLockSeconds)
        return false;
    if (!m_lock.removeStaleLockFile()) {
        m_notice = QStringLiteral("The damaged lock file %1 cannot be removed%2").arg(m_path, withoutCheck);
        return true;
    }
    // Another copy starting at the same moment may win the fresh lock.
    return m_lock.tryLock(0) || m_lock.error() != QLockFile::LockFailedError;
}

} // namespace kav
