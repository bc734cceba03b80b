#include "app/singleinstance.h"

namespace kav {

SingleInstance::SingleInstance(const QString &lockPath) : m_lock(lockPath)
{
    // Staleness is decided by whether the owning process still runs, never by age.
    m_lock.setStaleLockTime(0);
}

bool SingleInstance::acquire()
{
    if (m_lock.tryLock(0))
        return true;
    return m_lock.error() != QLockFile::LockFailedError;
}

} // namespace kav
