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
                    << describeSerialDevice(device) << ')';
    return debug;
}

QString describeSerialDevice(const SerialDevice &device)
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

QList<SerialDevice> attachByIdPaths(QList<SerialDevice> devices, const QString &byIdFolder)
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

bool portNameLess(const QString &a, const QString &b)
{
    // "COM12" -> ("COM", "12"); the number compares by value, then by its zeros ("COM01" after "COM1").
    const auto split = [](const QString &name) {
        qsizetype digits = name.size();
        while (digits > 0 && name.at(digits - 1).isDigit())
            --digits;
        QStringView number = QStringView(name).mid(digits);
        while (number.size() > 1 && number.front() == QLatin1Char('0'))
            number = number.mid(1);
        return std::make_pair(QStringView(name).left(digits), number);
    };
    const auto [stemA, numberA] = split(a);
    const auto [stemB, numberB] = split(b);
    if (const int stems = stemA.compare(stemB); stems != 0)
        return stems < 0;
    if (numberA.size() != numberB.size())
        return numberA.size() < numberB.size();
    if (const int numbers = numberA.compare(numberB); numbers != 0)
        return numbers < 0;
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

QList<SerialDevice> listSerialDevices(const QString &byIdFolder)
{
    QList<SerialDevice> devices;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
        // "COM5", as comport.map and the user name it; QSerialPort adds the "\\.\" itself.
        const QString name = info.portName();
#else
        const QString name = info.systemLocation();
#endif
        devices.append({name, QString(), info.description(), info.manufacturer(), info.serialNumber(),
                        info.hasVendorIdentifier() ? info.vendorIdentifier() : quint16(0),
                        info.hasProductIdentifier() ? info.productIdentifier() : quint16(0)});
    }
    std::stable_sort(devices.begin(), devices.end(),
                     [](const SerialDevice &a, const SerialDevice &b) { return portNameLess(a.device, b.device); });
#ifdef Q_OS_WIN
    Q_UNUSED(byIdFolder)
    return devices;
#else
    return attachByIdPaths(std::move(devices), byIdFolder);
#endif
}

} // namespace kav
