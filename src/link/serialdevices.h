#pragma once

#include <QDebug>
#include <QList>
#include <QString>

#include <functional>

namespace kav {

// Where udev keeps a link named after each USB serial adapter's identity; the
// link follows the adapter to whatever /dev/ttyUSB* or /dev/ttyACM* it gets.
// Windows has no such links: there an adapter is known by its serial number.
inline constexpr char kSerialByIdFolder[] = "/dev/serial/by-id";

// A serial device as the system lists it.
struct SerialDevice
{
    QString device;   // the system's name for it now, such as /dev/ttyUSB0 or COM5
    QString byIdPath; // the stable link to it in the by-id folder; empty when there is none
    QString description;
    QString manufacturer;
    QString serialNumber;
    quint16 vendorId = 0; // 0 when unknown
    quint16 productId = 0;

    friend bool operator==(const SerialDevice &a, const SerialDevice &b)
    {
        return a.device == b.device && a.byIdPath == b.byIdPath && a.description == b.description &&
               a.manufacturer == b.manufacturer && a.serialNumber == b.serialNumber && a.vendorId == b.vendorId &&
               a.productId == b.productId;
    }
    friend bool operator!=(const SerialDevice &a, const SerialDevice &b) { return !(a == b); }
};

QDebug operator<<(QDebug debug, const SerialDevice &device);

// Lists the serial devices present now: the system's list, or a test's.
using SerialDeviceLister = std::function<QList<SerialDevice>()>;

// What is known of the device: description, maker, "serial S", "VID:PID vvvv:pppp";
// empty when nothing is.
QString describeSerialDevice(const SerialDevice &device);

// Sets byIdPath of each device that a link in byIdFolder leads to (links are
// followed to their final target). The devices with a by-id path come first,
// ordered by it; the others follow in their order.
[[nodiscard]] QList<SerialDevice> attachByIdPaths(QList<SerialDevice> devices, const QString &byIdFolder);

// Orders names by their text, a trailing number by its value: COM2 before
// COM10, ttyS9 before ttyS10, ttyACM0 before ttyS0.
[[nodiscard]] bool portNameLess(const QString &a, const QString &b);

// The system's serial devices in portNameLess order, with their by-id paths
// (first) on Linux; on Windows by their port names ("COM5").
[[nodiscard]] QList<SerialDevice> listSerialDevices(const QString &byIdFolder = QString::fromLatin1(kSerialByIdFolder));

} // namespace kav
