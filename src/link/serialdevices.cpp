#include "link/serialdevices.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSerialPortInfo>

#include <algorithm>

namespace kav {

QDebug operator<<(QDebug debug, const SerialDevice &device)
{
    const QDebugStateSaver saver(debug);
    debug.nospace() << "SerialDevice(" << device.device << ", " << device.byIdPath << ", "
                    << DescribeSerialDevice(device) << ')';
    return debug;
}

QString DescribeSerialDevice(const SerialDevice &device)
{
    QStringList about;
    for (const QString &part : {device.description, device.manufacturer}) {
        if (!part.isEmpty())
            about.append(part);
    }
    if (!device.serialNumber.isEmpty())
        about.append(QStringLiteral("serial ") + device.serialNumber);
    if (device.vendorId != 0 || device.productId != 0) {
        about.append(QStringLiteral("VID:PID %1:%2")
                         .arg(device.vendorId, 4, 16, QLatin1Char('0'))
                         .arg(device.productId, 4, 16, QLatin1Char('0')));
    }
    return about.join(QStringLiteral(", "));
}

QList<SerialDevice> AttachByIdPaths(QList<SerialDevice> devices, const QString &byIdFolder)
{
    // Target -> link; sorted by name, so the first link of a device wins.
    QHash<QString, QString> links;
    const QFileInfoList entries = QDir(byIdFolder).entryInfoList(QDir::Files | QDir::System, QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (!entry.isSymLink())
            continue;
        const QString target = entry.canonicalFilePath(); // empty for a link to nothing
        if (!target.isEmpty() && !links.contains(target))
            links.insert(target, entry.absoluteFilePath());
    }
    for (SerialDevice &device : devices) {
        const QString target = QFileInfo(device.device).canonicalFilePath();
        device.byIdPath = target.isEmpty() ? QString() : links.value(target);
    }
    std::stable_sort(devices.begin(), devices.end(), [](const SerialDevice &a, const SerialDevice &b) {
        if (a.byIdPath.isEmpty() != b.byIdPath.isEmpty())
            return !a.byIdPath.isEmpty();
        return a.byIdPath < b.byIdPath;
    });
    return devices;
}

QList<SerialDevice> ListSerialDevices(const QString &byIdFolder)
{
    QList<SerialDevice> devices;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        devices.append({info.systemLocation(), QString(), info.description(), info.manufacturer(), info.serialNumber(),
                        info.hasVendorIdentifier() ? info.vendorIdentifier() : quint16(0),
                        info.hasProductIdentifier() ? info.productIdentifier() : quint16(0)});
    }
    return AttachByIdPaths(std::move(devices), byIdFolder);
}

} // namespace kav
