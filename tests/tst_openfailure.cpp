#include "link/openfailure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace kav;

namespace {

// Builds one thing of a fake system under root: "PATH" an empty file,
// "PATH=TEXT" a file holding TEXT, "PATH->TARGET" a link. TARGET and TEXT may
// hold %1 for root.
bool build(const QString &root, const QString &item)
{
    const qsizetype arrow = item.indexOf(QLatin1String("->"));
    const qsizetype equals = item.indexOf(QLatin1Char('='));
    const qsizetype cut = arrow >= 0 ? arrow : equals;
    const QString path = QDir(root).filePath(cut >= 0 ? item.left(cut) : item);
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    if (arrow >= 0)
        return QFile::link(item.mid(arrow + 2).arg(root), path);
    QFile file(path);
    const QByteArray text = equals >= 0 ? item.mid(equals + 1).arg(root).toUtf8() : QByteArray();
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

} // namespace

class TestOpenFailure : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void namesTheCause_data();
    void namesTheCause();
    void namesTheCauseOfAComPort_data();
    void namesTheCauseOfAComPort();
    void listsPortsInNumberOrder_data();
    void listsPortsInNumberOrder();
};

void TestOpenFailure::namesTheCause_data()
{
    QTest::addColumn<QStringList>("system"); // items for build(), below the fake root
    QTest::addColumn<QString>("device");     // below the fake root
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("accessible");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("expected"); // %1 is the fake root

    QStringList devices = {QStringLiteral("dev/ttyUSB1"),
                           QStringLiteral("dev/ttyACM0"),
                           QStringLiteral("dev/null"),
                           QStringLiteral("dev/tty0"),
                           QStringLiteral("dev/sda"),
                           QStringLiteral("dev/serial/by-id/usb-FTDI_FT232R_A5-if00-port0->%1/dev/ttyUSB1")};
    for (int n = 0; n < 32; ++n)
        devices.append(QStringLiteral("dev/ttyS%1").arg(n));
    QTest::newRow("no such device") << devices << "dev/ttyUSB0" << int(QSerialPort::DeviceNotFoundError)
                                    << "No such file or directory" << false << ""
                                    << "%1/dev/ttyUSB0: No such file or directory. The serial devices here are: "
                                       "%1/dev/serial/by-id/usb-FTDI_FT232R_A5-if00-port0 (ttyUSB1), %1/dev/ttyACM0, "
                                       "%1/dev/ttyS0 to %1/dev/ttyS31 (32 devices), %1/dev/ttyUSB1.";
    QTest::newRow("no serial device at all")
        << QStringList{QStringLiteral("dev/null")} << "dev/ttyUSB0" << int(QSerialPort::DeviceNotFoundError)
        << "No such file or directory" << false << ""
        << "%1/dev/ttyUSB0: No such file or directory. There is no serial device: is the adapter plugged in?";
    QTest::newRow("permission")
        << QStringList{QStringLiteral("dev/ttyUSB0")} << "dev/ttyUSB0" << int(QSerialPort::PermissionError)
        << "Permission denied" << false << "dialout"
        << "%1/dev/ttyUSB0: Permission denied. Your user must be a member of the group \"dialout\" that owns the "
           "device (then log in again). To join it: sudo usermod -aG dialout \"$USER\"";
    QTest::newRow("permission, the older serial group")
        << QStringList{QStringLiteral("dev/ttyS0")} << "dev/ttyS0" << int(QSerialPort::PermissionError)
        << "Permission denied" << false << "uucp"
        << "%1/dev/ttyS0: Permission denied. Your user must be a member of the group \"uucp\" that owns the "
           "device (then log in again). To join it: sudo usermod -aG uucp \"$USER\"";
    // Joining root (or tty, disk, ...) would be unsafe and needless: a udev rule gives the port alone.
    const QString udevRule = QStringLiteral(
        " To let your user open it, add the udev rule SUBSYSTEM==\"tty\", KERNEL==\"ttyUSB0\", GROUP=\"dialout\", "
        "MODE=\"0660\" to /etc/udev/rules.d/60-serial-dialout.rules, run sudo udevadm control --reload && sudo "
        "udevadm trigger, and join the group: sudo usermod -aG dialout \"$USER\"");
    QTest::newRow("permission, root:root 0600")
        << QStringList{QStringLiteral("dev/ttyUSB0")} << "dev/ttyUSB0" << int(QSerialPort::PermissionError)
        << "Permission denied" << false << "root"
        << "%1/dev/ttyUSB0: Permission denied. The device can be opened by root only." + udevRule;
    QTest::newRow("permission, a group not meant for serial devices, through a by-id link")
        << QStringList{QStringLiteral("dev/ttyUSB0"), QStringLiteral("dev/serial/by-id/usb-X-port0->%1/dev/ttyUSB0")}
        << "dev/serial/by-id/usb-X-port0" << int(QSerialPort::PermissionError) << "Permission denied" << false << "tty"
        << "%1/dev/serial/by-id/usb-X-port0: Permission denied. The device belongs to the group \"tty\", which is "
           "not meant for serial devices; joining it would give your user far more than this port." +
               udevRule;
    QTest::newRow("busy, named by the lock file")
        << QStringList{QStringLiteral("dev/ttyUSB0"), QStringLiteral("lock/LCK..ttyUSB0=      4321\n"),
                       QStringLiteral("proc/4321/comm=minicom\n")}
        << "dev/ttyUSB0" << int(QSerialPort::PermissionError) << "Permission error while locking the device" << true
        << "dialout"
        << "%1/dev/ttyUSB0: Permission error while locking the device. The device is in use by another program: "
           "pid 4321 (minicom).";
    QTest::newRow("busy through a link, locked under the device's own name")
        << QStringList{QStringLiteral("dev/ttyUSB0"), QStringLiteral("dev/serial/by-id/usb-X-port0->%1/dev/ttyUSB0"),
                       QStringLiteral("lock/LCK..ttyUSB0=77\nkavrilink\nbench\n"),
                       QStringLiteral("proc/77/comm=kavrilink\n")}
        << "dev/serial/by-id/usb-X-port0" << int(QSerialPort::PermissionError) << "Device or resource busy" << true
        << "dialout"
        << "%1/dev/serial/by-id/usb-X-port0: Device or resource busy. The device is in use by another program: "
           "pid 77 (kavrilink).";
    QTest::newRow("busy, stale lock, named by an open descriptor")
        << QStringList{QStringLiteral("dev/ttyUSB0"),
                       QStringLiteral("lock/LCK..ttyUSB0=999\n"),
                       QStringLiteral("proc/1234/comm=picocom\n"),
                       QStringLiteral("proc/1234/fd/0->%1/dev/null"),
                       QStringLiteral("proc/1234/fd/7->%1/dev/ttyUSB0"),
                       QStringLiteral("proc/self/fd/3->%1/dev/ttyUSB0")}
        << "dev/ttyUSB0" << int(QSerialPort::PermissionError) << "Permission error while locking the device" << true
        << "dialout"
        << "%1/dev/ttyUSB0: Permission error while locking the device. The device is in use by another program: "
           "pid 1234 (picocom).";
    QTest::newRow("busy, nothing tells who")
        << QStringList{QStringLiteral("dev/ttyUSB0"), QStringLiteral("lock/LCK..ttyUSB1=55\n"),
                       QStringLiteral("proc/55/comm=minicom\n")}
        << "dev/ttyUSB0" << int(QSerialPort::PermissionError) << "Permission error while locking the device" << true
        << "dialout"
        << "%1/dev/ttyUSB0: Permission error while locking the device. The device is in use by another program.";
}

void TestOpenFailure::namesTheCause()
{
    QFETCH(QStringList, system);
    QFETCH(QString, device);
    QFETCH(int, error);
    QFETCH(QString, reason);
    QFETCH(bool, accessible);
    QFETCH(QString, group);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    const QString root = QFileInfo(dir.path()).canonicalFilePath();
    for (const QString &item : system)
        QVERIFY2(build(root, item), qPrintable(item));
    const SystemPlaces places{
        root + QStringLiteral("/dev"), {root + QStringLiteral("/lock")}, root + QStringLiteral("/proc")};

    QCOMPARE(diagnoseOpenFailure(QDir(root).filePath(device), QSerialPort::SerialPortError(error), reason, accessible,
                                 group, places),
             expected.arg(root));
}

void TestOpenFailure::namesTheCauseOfAComPort_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("reason"); // as Windows words it
    QTest::addColumn<QList<SerialDevice>>("ports");
    QTest::addColumn<QString>("expected");

    const QList<SerialDevice> ports{{QStringLiteral("COM1"),
                                     {},
                                     QStringLiteral("Communications Port"),
                                     QStringLiteral("(Standard port types)"),
                                     {},
                                     0,
                                     0},
                                    {QStringLiteral("COM12"),
                                     {},
                                     QStringLiteral("USB Serial Port"),
                                     QStringLiteral("FTDI"),
                                     QStringLiteral("A5XK3RJQ"),
                                     0x0403,
                                     0x6001},
                                    {QStringLiteral("COM20"), {}, {}, {}, {}, 0, 0}};
    QTest::newRow("no such port")
        << "COM7" << int(QSerialPort::DeviceNotFoundError) << "The system cannot find the file specified." << ports
        << "COM7: The system cannot find the file specified. The serial ports here are: COM1 (Communications Port, "
           "(Standard port types)), COM12 (USB Serial Port, FTDI, serial A5XK3RJQ, VID:PID 0403:6001), COM20.";
    QTest::newRow("no port at all") << "COM3" << int(QSerialPort::DeviceNotFoundError)
                                    << "The system cannot find the file specified." << QList<SerialDevice>{}
                                    << "COM3: The system cannot find the file specified. There is no serial port: "
                                       "is the adapter plugged in?";
    QTest::newRow("held by another program")
        << "COM12" << int(QSerialPort::PermissionError) << "Access is denied.\r\n"
        << ports
        << "COM12: Access is denied. The port is in use by another program: close the port there, then try again.";
    QTest::newRow("another failure, said as it is")
        << "COM12" << int(QSerialPort::OpenError) << "The device is not ready." << ports
        << "COM12: The device is not ready.";
    QTest::newRow("a reason without a full stop")
        << "COM4" << int(QSerialPort::UnknownError) << "Unknown error" << ports << "COM4: Unknown error.";
}

void TestOpenFailure::namesTheCauseOfAComPort()
{
    QFETCH(QString, port);
    QFETCH(int, error);
    QFETCH(QString, reason);
    QFETCH(QList<SerialDevice>, ports);
    QFETCH(QString, expected);
    QCOMPARE(diagnoseComPortOpenFailure(port, QSerialPort::SerialPortError(error), reason, ports), expected);
}

void TestOpenFailure::listsPortsInNumberOrder_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("COM ports") << QStringList{"COM10", "COM2", "COM1", "COM20", "COM3"}
                               << QStringList{"COM1", "COM2", "COM3", "COM10", "COM20"};
    QTest::newRow("Linux families") << QStringList{"/dev/ttyS10", "/dev/ttyUSB0", "/dev/ttyS9", "/dev/ttyACM1",
                                                   "/dev/ttyS0"}
                                    << QStringList{"/dev/ttyACM1", "/dev/ttyS0", "/dev/ttyS9", "/dev/ttyS10",
                                                   "/dev/ttyUSB0"};
    QTest::newRow("leading zeros after their value")
        << QStringList{"COM010", "COM9", "COM01", "COM1"} << QStringList{"COM1", "COM01", "COM9", "COM010"};
    QTest::newRow("names without a number first in their family")
        << QStringList{"/dev/rfcomm1", "/dev/rfcomm", "COM2"} << QStringList{"/dev/rfcomm", "/dev/rfcomm1", "COM2"};
}

void TestOpenFailure::listsPortsInNumberOrder()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, expected);
    std::sort(names.begin(), names.end(), portNameLess);
    QCOMPARE(names, expected);
    // A strict order: no name comes before itself, and the sorted list is in order pairwise.
    for (qsizetype i = 0; i < expected.size(); ++i) {
        QVERIFY(!portNameLess(expected.at(i), expected.at(i)));
        if (i > 0)
            QVERIFY2(portNameLess(expected.at(i - 1), expected.at(i)), qPrintable(expected.at(i)));
    }
}

QTEST_GUILESS_MAIN(TestOpenFailure)
#include "tst_openfailure.moc"
