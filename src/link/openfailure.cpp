#include "link/openfailure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <map>

namespace kav {

namespace {

// What QSerialPortInfo looks for on Linux.
const QStringList &serialNamePatterns()
{
    static const QStringList patterns = {
        QStringLiteral("ttyS*"),   QStringLiteral("ttyO*"),   QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*"),
        QStringLiteral("ttyGS*"),  QStringLiteral("ttyMI*"),  QStringLiteral("ttymxc*"), QStringLiteral("ttyAMA*"),
        QStringLiteral("ttyTHS*"), QStringLiteral("rfcomm*"), QStringLiteral("ircomm*"), QStringLiteral("tnt*"),
    };
    return patterns;
}

// A family with more members than this is shown as its first and last.
constexpr int kFamilyShownWhole = 4;
// Lock files hold a pid in a line; anything longer is not one.
constexpr qint64 kMaxLockFileSize = 256;

// The groups made for serial devices: joining one gives a user the serial ports
// and nothing more. Other owners (root, tty, disk, video, ...) are never
// suggested: joining them would open far more than this port.
bool isSerialDeviceGroup(const QString &group)
{
    return group == QLatin1String("dialout") || group == QLatin1String("uucp");
}

// What a user lacking permission can do, for a device owned by group. With
// command, the command or rule to run; without, what the user must be.
QString groupAdvice(const QString &device, const QString &group, bool command)
{
    if (isSerialDeviceGroup(group)) {
        return command ? QStringLiteral(" To join it: sudo usermod -aG %1 \"$USER\"").arg(group)
                       : QStringLiteral(". Your user must be a member of the group \"%1\" that owns the device (then "
                                        "log in again).")
                             .arg(group);
    }
    if (!command) {
        if (group == QLatin1String("root"))
            return QStringLiteral(". The device can be opened by root only.");
        return QStringLiteral(". The device belongs to the group \"%1\", which is not meant for serial devices; "
                              "joining it would give your user far more than this port.")
            .arg(group);
    }
    const QString name = QFileInfo(QFileInfo(device).canonicalFilePath()).fileName();
    return QStringLiteral(" To let your user open it, add the udev rule SUBSYSTEM==\"tty\", KERNEL==\"%1\", "
                          "GROUP=\"dialout\", MODE=\"0660\" to /etc/udev/rules.d/60-serial-dialout.rules, run "
                          "sudo udevadm control --reload && sudo udevadm trigger, and join the group: sudo usermod "
                          "-aG dialout \"$USER\"")
        .arg(name.isEmpty() ? QFileInfo(device).fileName() : name);
}

QString withDevice(const QString &device, const QString &reason)
{
    return QStringLiteral("%1: %2").arg(device, reason);
}

// "ttyS12" -> ("ttyS", 12); names without a number have -1.
std::pair<QString, int> splitNumber(const QString &name)
{
    qsizetype digits = name.size();
    while (digits > 0 && name.at(digits - 1).isDigit())
        --digits;
    if (digits == name.size() || name.size() - digits > 6)
        return {name, -1};
    return {name.left(digits), name.mid(digits).toInt()};
}

// The name QSerialPort gives the lock of device: its path below the device
// folder, '/' turned into '_' ("/dev/pts/3" -> "pts_3").
QString lockName(const QString &device, const QString &deviceFolder)
{
    QString name = device;
    const QString prefix = deviceFolder + QLatin1Char('/');
    if (name.startsWith(prefix))
        name.remove(0, prefix.size());
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QStringLiteral("LCK..") + name;
}

QString processName(const QString &processFolder, qint64 pid)
{
    QFile comm(QStringLiteral("%1/%2/comm").arg(processFolder).arg(pid));
    if (!comm.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(comm.read(kMaxLockFileSize)).trimmed();
}

QString describeProcess(const QString &processFolder, qint64 pid)
{
    const QString name = processName(processFolder, pid);
    return name.isEmpty() ? QStringLiteral("pid %1").arg(pid) : QStringLiteral("pid %1 (%2)").arg(pid).arg(name);
}

// The pid in a lock file (first line, ASCII, as Qt and lockdev write it); 0 when none.
qint64 lockPid(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > kMaxLockFileSize)
        return 0;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray firstLine = file.readLine(kMaxLockFileSize).trimmed();
    bool ok = false;
    const qint64 pid = firstLine.toLongLong(&ok);
    return ok && pid > 0 ? pid : 0;
}

bool processRuns(const QString &processFolder, qint64 pid)
{
    return QFileInfo(QStringLiteral("%1/%2").arg(processFolder).arg(pid)).isDir();
}

} // namespace

SystemPlaces SystemPlaces::live()
{
    // The folders QSerialPort tries for its lock, and the temporary folder it falls back to.
    return {QStringLiteral("/dev"),
            {QStringLiteral("/var/lock"), QStringLiteral("/run/lock"), QStringLiteral("/etc/locks"),
             QStringLiteral("/var/spool/locks"), QStringLiteral("/var/spool/uucp"), QStringLiteral("/var/lock/lockdev"),
             QStringLiteral("/var/tmp"), QDir::tempPath()},
            QStringLiteral("/proc")};
}

OpenFailureCause classifyOpenFailure(QSerialPort::SerialPortError error, bool exists, bool accessible)
{
    if (error == QSerialPort::DeviceNotFoundError || !exists)
        return OpenFailureCause::NoSuchDevice;
    if (error == QSerialPort::PermissionError)
        return accessible ? OpenFailureCause::Busy : OpenFailureCause::Permission;
    return OpenFailureCause::Other;
}

QString describeOpenFailure(const QString &device, QSerialPort::SerialPortError error, const QString &reason,
                            bool accessible, const QString &group)
{
    QString text = withDevice(device, reason);
    if (error != QSerialPort::PermissionError)
        return text;
    if (accessible)
        return text + QStringLiteral(". The device is in use by another program.");
    if (group.isEmpty())
        return text +
               QStringLiteral(". Your user must be a member of the group that owns the device (then log in again).");
    return text + groupAdvice(device, group, false);
}

QString diagnoseOpenFailure(const QString &device, QSerialPort::SerialPortError error, const QString &reason,
                            bool accessible, const QString &group, const SystemPlaces &places)
{
    QString text = describeOpenFailure(device, error, reason, accessible, group);
    const QFileInfo info(device);
    switch (classifyOpenFailure(error, info.exists(), accessible)) {
    case OpenFailureCause::NoSuchDevice: {
        const QStringList devices = existingSerialDevices(places);
        if (devices.isEmpty())
            return text + QStringLiteral(". There is no serial device: is the adapter plugged in?");
        return text + QStringLiteral(". The serial devices here are: %1.").arg(devices.join(QStringLiteral(", ")));
    }
    case OpenFailureCause::Permission:
        if (group.isEmpty())
            return text;
        return text + groupAdvice(device, group, true);
    case OpenFailureCause::Busy: {
        const QString holder = deviceHolder(device, places);
        if (holder.isEmpty())
            return text;
        return text.chopped(1) + QStringLiteral(": %1.").arg(holder);
    }
    case OpenFailureCause::Other:
        break;
    }
    return text;
}

QString diagnoseComPortOpenFailure(const QString &port, QSerialPort::SerialPortError error, const QString &reason,
                                   const QList<SerialDevice> &ports)
{
    // Windows' texts end with a full stop; the sentences added bring their own.
    QString said = reason.trimmed();
    while (said.endsWith(QLatin1Char('.')))
        said.chop(1);
    const QString text = withDevice(port, said);
    switch (error) {
    case QSerialPort::DeviceNotFoundError: {
        if (ports.isEmpty())
            return text + QStringLiteral(". There is no serial port: is the adapter plugged in?");
        QStringList shown;
        for (const SerialDevice &each : ports) {
            const QString about = describeSerialDevice(each);
            shown.append(about.isEmpty() ? each.device : QStringLiteral("%1 (%2)").arg(each.device, about));
        }
        return text + QStringLiteral(". The serial ports here are: %1.").arg(shown.join(QStringLiteral(", ")));
    }
    case QSerialPort::PermissionError:
        return text + QStringLiteral(". The port is in use by another program: close the port there, then try again.");
    default:
        return text + QLatin1Char('.');
    }
}

QString diagnoseOpenFailure(const QString &device, const QSerialPort &port)
{
#ifdef Q_OS_WIN
    return diagnoseComPortOpenFailure(device, port.error(), port.errorString(), listSerialDevices());
#else
    const QFileInfo info(device);
    return diagnoseOpenFailure(device, port.error(), port.errorString(), info.isReadable() && info.isWritable(),
                               info.group(), SystemPlaces::live());
#endif
}

QStringList existingSerialDevices(const SystemPlaces &places)
{
    QStringList shown;
    const QDir byId(places.deviceFolder + QStringLiteral("/serial/by-id"));
    for (const QFileInfo &link : byId.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString target = QFileInfo(link.symLinkTarget()).fileName();
        shown.append(target.isEmpty() ? link.filePath() : QStringLiteral("%1 (%2)").arg(link.filePath(), target));
    }

    // Families in name order, each in number order: ttyS0, ttyS1, ..., ttyS10.
    std::map<QString, std::vector<int>> families;
    QStringList plain;
    const QDir dev(places.deviceFolder);
    for (const QString &name : dev.entryList(serialNamePatterns(), QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        const auto [family, number] = splitNumber(name);
        if (number < 0)
            plain.append(dev.filePath(name));
        else
            families[family].push_back(number);
    }
    for (auto &[prefix, numbers] : families) {
        std::sort(numbers.begin(), numbers.end());
        const QString family = prefix;
        const auto path = [&](int number) { return dev.filePath(family + QString::number(number)); };
        if (int(numbers.size()) <= kFamilyShownWhole) {
            for (const int number : numbers)
                shown.append(path(number));
        } else {
            shown.append(QStringLiteral("%1 to %2 (%3 devices)")
                             .arg(path(numbers.front()), path(numbers.back()))
                             .arg(numbers.size()));
        }
    }
    plain.sort();
    return shown + plain;
}

QString deviceHolder(const QString &device, const SystemPlaces &places)
{
    // A lock file names its owner, under the name the device was opened by or
    // (for a link such as serial/by-id/...) under the device's own name.
    const QString canonical = QFileInfo(device).canonicalFilePath();
    QStringList names = {lockName(device, places.deviceFolder)};
    if (!canonical.isEmpty() && canonical != device)
        names.append(lockName(canonical, places.deviceFolder));
    for (const QString &folder : places.lockFolders) {
        for (const QString &name : names) {
            const qint64 pid = lockPid(QDir(folder).filePath(name));
            if (pid > 0 && processRuns(places.processFolder, pid))
                return describeProcess(places.processFolder, pid);
        }
    }

    // Otherwise a process that has the device open (only our own user's are readable).
    const QDir proc(places.processFolder);
    for (const QString &entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (!isPid || pid <= 0)
            continue;
        const QDir fds(proc.filePath(entry + QStringLiteral("/fd")));
        for (const QString &fd : fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
            const QString target = QFile::symLinkTarget(fds.filePath(fd));
            if (!target.isEmpty() && (target == device || target == canonical))
                return describeProcess(places.processFolder, pid);
        }
    }
    return {};
}

QString connectionErrorDetail(const QString &device)
{
    return QStringLiteral("Check that the radio is switched on, that the programming cable is seated in the radio's "
                          "data jack, and that the chosen COM port is the one the cable is on (it leads to %1).")
        .arg(device);
}

} // namespace kav
