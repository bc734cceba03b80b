#include "app/singleinstance.h"

#include "common/printable.h"
#include "common/shownpath.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

namespace kav {

namespace {

// A lock file this young that names nobody may be another copy still writing it.
constexpr qint64 kFreshLockSeconds = 5;

// This computer's name as QLockFile writes it into the lock: on Windows the
// computer name (COMPUTERNAME, "BENCH-PC"), which is not the host name
// QSysInfo gives ("bench-pc.local"); elsewhere the host name.
QString thisComputer()
{
#ifdef Q_OS_WIN
    return qEnvironmentVariable("COMPUTERNAME");
#else
    return QSysInfo::machineHostName();
#endif
}

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
    const QString shown = shownPath(m_path);
    if (m_lock.error() != QLockFile::LockFailedError) {
        m_notice = QStringLiteral("The lock file %1 cannot be made%2").arg(shown, withoutCheck);
        return true;
    }
    // QLockFile has already taken over a lock of a dead process; what is left
    // is a live holder, or a file that names nobody.
    qint64 pid = 0;
    QString host;
    QString application;
    if (m_lock.getLockInfo(&pid, &host, &application)) {
        const QDateTime since = QFileInfo(m_path).lastModified();
        const QString thisHost = thisComputer();
        const QString where =
            host == thisHost ? QStringLiteral("this computer") : QStringLiteral("host ") + printableText(host);
        m_holder = QStringLiteral("The lock file %1 is held by process %2 (%3) on %4 since %5.")
                       .arg(shown)
                       .arg(pid)
                       .arg(application.isEmpty() ? QStringLiteral("a program") : printableText(application), where,
                            since.toString(QStringLiteral("yyyy-MM-dd HH:mm")));
        // Another computer's process cannot be looked at; after a day its copy is taken to be gone.
        if (host == thisHost || since.secsTo(QDateTime::currentDateTime()) < kForeignLockDays * 24 * 3600)
            return false;
        if (!m_lock.removeStaleLockFile() || !m_lock.tryLock(0))
            return false; // another copy took it just now, or it cannot be removed: the holder stands
        m_notice = QStringLiteral("Took over the lock file %1 of process %2 on %3, unchanged since %4")
                       .arg(shown)
                       .arg(pid)
                       .arg(where, since.toString(QStringLiteral("yyyy-MM-dd HH:mm")));
        m_holder.clear();
        return true;
    }
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_notice =
            QStringLiteral("The lock file %1 cannot be read (%2)%3").arg(shown, file.errorString(), withoutCheck);
        return true;
    }
    file.close();
    if (QFileInfo(m_path).lastModified().secsTo(QDateTime::currentDateTime()) < kFreshLockSeconds) {
        m_holder = QStringLiteral("The lock file %1 is being made by another copy starting now.").arg(shown);
        return false;
    }
    if (!m_lock.removeStaleLockFile()) {
        m_notice = QStringLiteral("The damaged lock file %1 cannot be removed%2").arg(shown, withoutCheck);
        return true;
    }
    // Another copy starting at the same moment may win the fresh lock.
    return m_lock.tryLock(0) || m_lock.error() != QLockFile::LockFailedError;
}

} // namespace kav
