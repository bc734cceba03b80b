#pragma once

#include <QLockFile>
#include <QString>

namespace kav {

// Detects another running instance through a lock file in the application
// folder. A lock that names no live process of this program is stale and taken
// over: a dead pid, a pid now used by another program, and a file left empty or
// garbled by a power loss.
class SingleInstance
{
public:
    explicit SingleInstance(const QString &lockPath);

    // False only when another live instance holds the lock. When no lock can be
    // made or read at all (an unwritable folder, a lock file of another user),
    // the program runs without the check and notice() says why.
    [[nodiscard]] bool acquire();

    // Why the check is off, for standard error; empty while it is on.
    QString notice() const { return m_notice; }

private:
    QString m_path;
    QLockFile m_lock;
    QString m_notice;
};

} // namespace kav
