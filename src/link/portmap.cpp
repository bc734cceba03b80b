#include "link/portmap.h"

#include "common/safefile.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QRegularExpression>


namespace kav {

namespace {

constexpr int kLowestPort = 1;
constexpr int kHighestPort = 255;

} // namespace

PortMap ParsePortMap(const QByteArray &text)
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

PortMap ReadPortMap(QIODevice &device)
{
    if (!device.isOpen() && !device.open(QIODevice::ReadOnly))
        return {};
    // One byte more than a map may have tells a map from something else
    // without reading all of it (a log file put there by mistake, /dev/zero).
    const QByteArray text = device.read(kMaxPortMapBytes + 1);
    if (text.size() > kMaxPortMapBytes)
        return {};
    return ParsePortMap(text);
}

PortMap ReadPortMap(const QString &path)
{
    // Only a regular file: opening a FIFO would wait for a writer for ever.
    if (!QFileInfo(path).isFile())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return ReadPortMap(file);
}

QByteArray FormatPortMap(const PortMap &map)
{
    QByteArray text = "# COM port -> serial device, written by Kavrilink's Assign Devices\n";
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        text += "COM" + QByteArray::number(it.key()) + '=' + it.value().toUtf8() + '\n';
    return text;
}

bool WritePortMap(QIODevice &device, const PortMap &map, QString *reason)
{
    return WriteAllBytes(device, FormatPortMap(map), reason);
}

bool SavePortMap(const QString &path, const PortMap &map, QString *reason)
{
    // The old map stays whole when the new one cannot be written in full.
    return ReplaceFile(path, FormatPortMap(map), reason);
}

QString DefaultPortDevice(int number)
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(number);
#else
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
#endif
}

QString PortDevice(const PortMap &map, int number)
{
    return map.value(number, DefaultPortDevice(number));
}

} // namespace kav
