#pragma once

#include <QString>

#include <memory>

class QLockFile;

namespace kav {

// Keeps a serial device to one opener while it is open, whatever name it is
// opened by (the device, a symlink such as /dev/serial/by-id/..., another node
// with the same device number): a lock file named after the device number, in
// the system's lock folder, which also names the holder. Root is not exempt,
// unlike the terminal's own exclusive mode. On Windows, which opens a port for
// one program only, it claims nothing and opens the port by its capital name.
class DeviceClaim
{
public:
    // folder: where the lock files go; empty for the system's lock folder.
    explicit DeviceClaim(QString folder = {});
    ~DeviceClaim();
    DeviceClaim(const DeviceClaim &) = delete;
    DeviceClaim &operator=(const DeviceClaim &) = delete;

    // Claims device for this object. False, with a reason naming the device and
    // its holder, when another opener has it. A path that is not a device, or a
    // lock folder that cannot be written, claims nothing and succeeds: the open
    // itself then decides.
    [[nodiscard]] bool claim(const QString &device, QString *reason);
    void release();

    // The device's canonical path (symlinks resolved), to be opened by; the
    // path given when it has none.
    QString openPath() const { return m_openPath; }

private:
    QString m_folder;
    QString m_openPath;
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace kav
