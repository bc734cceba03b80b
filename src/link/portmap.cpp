#include "link/portmap.h"

#include "common/safefile.h"
#include "common/shownpath.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QRegularExpression>
#include <QStringDecoder>

namespace kav {

namespace {

constexpr int kLowestPort = 1;
constexpr int kHighestPort = 255;

} // namespace

PortMap parsePortMap(const QByteArray &text)
{
    static const QRegularExpression key(QStringLiteral("^com([0-9]{1,3})$"), QRegularExpression::CaseInsensitiveOption);
    PortMap map;
    QString all = QString::fromUtf8(text);
    if (all.startsWith(QChar(0xFEFF))) // a byte order mark left by some editors
        all.remove(0, 1);
    const QStringList lines = all.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")));
    for (QString line : lines) {
        const qsizetype comment = line.indexOf(QLatin1Char('#'));
        if (comment >= 0)
            line.truncate(comment);
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0)
            continue;
        const QRegularExpressionMatch match = key.match(line.left(equals).trimmed());
        const QString device = line.mid(equals + 1).trimmed();
        if (!match.hasMatch() || device.isEmpty())
            continue;
        const int number = match.captured(1).toInt();
        if (number < kLowestPort || number > kHighestPort)
            continue;
        map.insert(number, device);
    }
    return map;
}

namespace {

PortMapRead unusable(const QString &reason)
{
    return {PortMapStatus::Unusable, {}, reason};
}

} // namespace

PortMapRead readPortMap(QIODevice &device)
{
    if (!device.isOpen() && !device.open(QIODevice::ReadOnly))
        return unusable(device.errorString());
    // One byte more than a map may have tells a map from something else
    // without reading all of it (a log file put there by mistake, /dev/zero).
    const QByteArray text = device.read(kMaxPortMapBytes + 1);
    if (text.size() > kMaxPortMapBytes)
        return unusable(QStringLiteral("it is larger than %1 bytes").arg(kMaxPortMapBytes));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)utf8.decode(text);
    if (utf8.hasError() || text.contains('\0'))
        return unusable(QStringLiteral("it is not a text file"));
    return {PortMapStatus::Read, parsePortMap(text), {}};
}

PortMapRead readPortMap(const QString &path)
{
    const QFileInfo info(path);
    const auto refused = [&path](const QString &why) {
        return unusable(QStringLiteral("%1: %2").arg(shownPath(path), why));
    };
    if (!info.exists())
        return info.isSymLink() ? refused(QStringLiteral("it is a link that leads nowhere")) : PortMapRead{};
    if (info.isDir())
        return refused(QStringLiteral("it is a folder"));
    // Only a regular file: opening a FIFO would wait for a writer for ever,
    // and a device may never end.
    if (!info.isFile())
        return refused(QStringLiteral("it is not a regular file"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refused(file.errorString());
    PortMapRead read = readPortMap(file);
    if (file.error() != QFileDevice::NoError)
        return refused(file.errorString());
    if (read.status == PortMapStatus::Unusable)
        return refused(read.reason);
    return read;
}

QByteArray formatPortMap(const PortMap &map)
{
    QByteArray text = "# COM port -> serial device, written by Kavrilink's Assign Devices\n";
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        text += "COM" + QByteArray::number(it.key()) + '=' + it.value().toUtf8() + '\n';
    return text;
}

bool writePortMap(QIODevice &device, const PortMap &map, QString *reason)
{
    return writeAllBytes(device, formatPortMap(map), reason);
}

bool savePortMap(const QString &path, const PortMap &map, QString *reason)
{
    // The old map stays whole when the new one cannot be written in full.
    return replaceFile(path, formatPortMap(map), reason);
}

QString defaultPortDevice(int number)
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(number);
#else
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
#endif
}

QString windowsPortName(const QString &device)
{
    static const QRegularExpression port(QStringLiteral(R"re(^(\\\\\.\\)?com([0-9]{1,3})$)re"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QString trimmed = device.trimmed();
    const QRegularExpressionMatch match = port.match(trimmed);
    if (!match.hasMatch())
        return device;
    return match.captured(1) + QStringLiteral("COM") + match.captured(2);
}

QString deviceInMap(const PortMap &map, int number)
{
    return map.value(number, defaultPortDevice(number));
}

bool resolvePortDevice(const PortMapRead &read, int number, QString *device, QString *reason)
{
    if (read.status == PortMapStatus::Unusable) {
        if (reason)
            *reason = QStringLiteral("COM%1: the device map %2").arg(number).arg(read.reason);
        return false;
    }
    if (device)
        *device = deviceInMap(read.map, number);
    return true;
}

} // namespace kav
