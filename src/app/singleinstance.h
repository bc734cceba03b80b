#pragma once

#include <QLockFile>

namespace kav {

// Detects another running instance through a lock file in the application
// folder. A lock left by a process that no longer runs is taken over.
class SingleInstance
{
public:
    explicit SingleInstance(const QString &lockPath);

    // False only when another live instance holds the lock. When no lock can be
    // made at all (an unwritable folder), the program runs without the check.
    [[nodiscard]] bool acquire();

private:
    QLockFile m_lock;
};

} // namespace kav
