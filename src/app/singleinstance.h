#pragma once

#include <QLockFile>
#include <QString>

namespace kav {

// Detects another running instance through a lock file in the application
// folder. A lock that names no live process of this program is stale and taken
// over: a dead pid, a pid now used by another program, and a file left empty or
// garbled by a power loss. A lock of another computer (a restored or roaming
// home folder) cannot be checked; it is taken over once it is older than
// kForeignLockDays by its modification time, and blocks until then.
class SingleInstance
{
public:
    explicit SingleInstance(const QString &lockPath);

    // False only when another live instance holds the lock. When no lock can be
    // made or read at all (an unwritable folder, a lock file of another user),
    // the program runs without the check and notice() says why.
    [[nodiscard]] bool acquire();

    // For standard error: why the check is off, or whose lock was taken over; else empty.
    QString notice() const { return m_notice; }
    // After acquire() returned false: the lock file and its holder (process,
    // program, host, since when), for the detail of "Already Program Running".
    QString holder() const { return m_holder; }

    static constexpr qint64 kForeignLockDays = 1;

private:
    QString m_path;
    QLockFile m_lock;
    QString m_notice;
    QString m_holder;
};

} // namespace kav
