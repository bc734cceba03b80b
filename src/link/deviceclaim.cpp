#include "link/deviceclaim.h"

#include "link/portmap.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif

namespace kav {

namespace {

#ifdef Q_OS_UNIX
QString systemLockFolder()
{
    for (const QString &folder : {QStringLiteral("/run/lock"), QStringLiteral("/var/lock")}) {
        const QFileInfo info(folder);
        if (info.isDir() && info.isWritable())
            return folder;
    }
    return QDir::tempPath();
}
#endif

} // namespace

DeviceClaim::DeviceClaim(QString folder) : m_folder(std::move(folder)) {}

DeviceClaim::~DeviceClaim() = default;

bool DeviceClaim::claim(const QString &device, QString *reason)
{
    release();
#ifdef Q_OS_UNIX
    const QString canonical = QFileInfo(device).canonicalFilePath();
    m_openPath = canonical.isEmpty() ? device : canonical;
    struct stat info
    {
    };
    if (canonical.isEmpty() || ::stat(QFile::encodeName(canonical).constData(), &info) != 0 || !S_ISCHR(info.st_mode))
        return true;
    const QString folder = m_folder.isEmpty() ? systemLockFolder() : m_folder;
    const QString name = QStringLiteral("LCK.kavrilink.%1.%2").arg(major(info.st_rdev)).arg(minor(info.st_rdev));
    auto lock = std::make_unique<QLockFile>(QDir(folder).filePath(name));
    lock->setStaleLockTime(0); // a holder that no longer runs has left it, whatever its age
    if (lock->tryLock(0)) {
        m_lock = std::move(lock);
        return true;
    }
    if (lock->error() != QLockFile::LockFailedError)
        return true; // no lock can be made here: the port's own locking still applies
    qint64 pid = 0;
    QString host;
    QString holder;
    if (!lock->getLockInfo(&pid, &host, &holder))
        holder.clear();
    if (reason) {
        *reason = holder.isEmpty()
                      ? QStringLiteral("%1: the device %2 is in use by another opener").arg(device, canonical)
                      : QStringLiteral("%1: the device %2 is in use by %3 (process %4)")
                            .arg(device, canonical, holder)
                            .arg(pid);
    }
    return false;
#else
    // Windows lets one program at a time open a port (another gets "access
    // denied"), and a port has one name: "COM5" is opened as it is.
    m_openPath = windowsPortName(device);
    Q_UNUSED(reason)
    return true;
#endif
}

void DeviceClaim::release()
{
    m_lock.reset(); // unlocks
}

} // namespace kav
