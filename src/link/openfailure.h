#pragma once

#include "link/serialdevices.h"

#include <QSerialPort>
#include <QString>
#include <QStringList>

namespace kav {

// Where the diagnosis of a failed open looks. live() is the running system;
// tests point these at fakes in a temporary folder.
struct SystemPlaces
{
    QString deviceFolder;    // "/dev": serial devices; a device's lock name is its path below it
    QStringList lockFolders; // where lock files LCK..<name> holding a pid are kept
    QString processFolder;   // "/proc": <pid>/comm and <pid>/fd/*

    [[nodiscard]] static SystemPlaces live();
};

enum class OpenFailureCause { NoSuchDevice, Permission, Busy, Other };

// Why an open failed: the device is missing (or the error says so), the user
// may not use it (permission error on a device not accessible), or another
// program holds it (permission or lock error on a device the user may use).
[[nodiscard]] OpenFailureCause classifyOpenFailure(QSerialPort::SerialPortError error, bool exists, bool accessible);

// The reason shown when opening device failed with error and the system's
// text reason. For a permission failure it says what to do: join the group
// owning the device (group, when known) or free a device another program holds.
[[nodiscard]] QString describeOpenFailure(const QString &device, QSerialPort::SerialPortError error,
                                          const QString &reason, bool accessible, const QString &group);

// describeOpenFailure's text with the cause named:
// - no such device: the serial devices that do exist (or that none does);
// - permission: the usermod line that joins the owning group;
// - busy: the process that holds it, "pid 1234 (minicom)", when a live lock
//   file or a process's open descriptor tells.
// accessible and group are the caller's view of the device (QFileInfo).
//
// Opening does not hang: QSerialPort opens with O_NONBLOCK | O_NOCTTY, so the
// system never waits for carrier, and takes its lock file without waiting; what
// remains is a device driver's own open (a USB adapter that does not answer),
// bounded by the kernel's time-outs.
[[nodiscard]] QString diagnoseOpenFailure(const QString &device, QSerialPort::SerialPortError error,
                                          const QString &reason, bool accessible, const QString &group,
                                          const SystemPlaces &places);

// The Windows counterpart, for a port name such as "COM7" (Windows keeps no
// lock files and no /proc, and opens a port for one program at a time):
// - no such port: the ports there are (as listSerialDevices gives them, each
//   with what is known of it), or that there is none;
// - access denied: another program has the port open.
[[nodiscard]] QString diagnoseComPortOpenFailure(const QString &port, QSerialPort::SerialPortError error,
                                                 const QString &reason, const QList<SerialDevice> &ports);

// The same for port, whose open of device has just failed, on the live system.
[[nodiscard]] QString diagnoseOpenFailure(const QString &device, const QSerialPort &port);

// The serial devices in places.deviceFolder (the names QSerialPortInfo lists:
// ttyS*, ttyUSB*, ttyACM*, ttyAMA*, rfcomm*, ...; serial/by-id links first),
// as they appear in the detail text.
[[nodiscard]] QStringList existingSerialDevices(const SystemPlaces &places);

// "pid 1234 (minicom)" for the process holding device, "" when nothing tells.
[[nodiscard]] QString deviceHolder(const QString &device, const SystemPlaces &places);

// The detail under "Connection Error to Radio": what to check.
[[nodiscard]] QString connectionErrorDetail(const QString &device);

} // namespace kav
