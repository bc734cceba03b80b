#include "link/portmap.h"
#include "link/qtserialservice.h"
#include "support/pseudoterminal.h"
#include "support/testfolder.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

using namespace kav;

Q_DECLARE_METATYPE(kav::PortMap)

namespace {

QByteArray counting(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i * 7 + 3);
    return bytes;
}

// How many of this process's descriptors are open on device: a port that
// holds none can be notified of nothing.
int descriptorsOn(const QString &device)
{
    int n = 0;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString &fd : fds.entryList(QDir::System | QDir::NoDotAndDotDot))
        n += QFile::symLinkTarget(fds.filePath(fd)) == device ? 1 : 0;
    return n;
}

} // namespace

class TestQtSerialService : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void parsesPortMap_data();
    void parsesPortMap();
    void readsPortMapFiles_data();
    void readsPortMapFiles();
    void mapsUnlistedPortsToSystemDevices();
    void opensWindowsPortsByCapitalName_data();
    void opensWindowsPortsByCapitalName();
    void writesPortMapReadBackAlike();

    void opensDeviceWithRadioLine();
    void carriesBytesBothWays();
    void deliversLastBytesWhenClosedRightAfterSending();
    void closingDropsWaitingBytes();
    void overflowPastBufferDiscardsWaitingBytes();
    void babblingDeviceNeverGrowsBuffer();
    void closingInHandlerStopsNotifications();
    void hangUpClosesPortAndReportsOnce();
    void refusesSecondOpen();

    void failedOpenNamesDeviceAndReason();
    void deviceInUseSaysSo();
    void permissionDeniedNamesOwningGroup();
    void describesOpenFailures_data();
    void describesOpenFailures();

private:
    [[nodiscard]] bool openOverPty(QtSerialService &service);

    std::unique_ptr<TestFolder> m_folder;
    std::unique_ptr<PseudoTerminal> m_pty;
};

void TestQtSerialService::init()
{
    m_folder = std::make_unique<TestFolder>();
    m_pty = std::make_unique<PseudoTerminal>();
    QVERIFY(m_pty->isValid());
    QVERIFY(QDir().mkpath(m_folder->appFolder()));
}

void TestQtSerialService::cleanup()
{
    m_pty.reset();
    m_folder.reset();
}

bool TestQtSerialService::openOverPty(QtSerialService &service)
{
    if (!service.open(m_pty->devicePath())) {
        qWarning() << service.errorString();
        return false;
    }
    return true;
}

void TestQtSerialService::parsesPortMap_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<PortMap>("expected");

    QTest::newRow("empty") << QByteArray() << PortMap{};
    QTest::newRow("one line") << QByteArray("COM1=/dev/ttyUSB0") << PortMap{{1, "/dev/ttyUSB0"}};
    QTest::newRow("four ports, LF") << QByteArray("COM1=/dev/a\nCOM2=/dev/b\nCOM3=/dev/c\nCOM4=/dev/d\n")
                                    << PortMap{{1, "/dev/a"}, {2, "/dev/b"}, {3, "/dev/c"}, {4, "/dev/d"}};
    QTest::newRow("CR LF line ends") << QByteArray("COM1=/dev/a\r\nCOM2=/dev/b\r\n")
                                     << PortMap{{1, "/dev/a"}, {2, "/dev/b"}};
    QTest::newRow("blanks around =") << QByteArray("  COM3 \t=  /dev/ttyACM0  \n") << PortMap{{3, "/dev/ttyACM0"}};
    QTest::newRow("case of com") << QByteArray("com1=/dev/a\nCom2=/dev/b\ncOM3=/dev/c")
                                 << PortMap{{1, "/dev/a"}, {2, "/dev/b"}, {3, "/dev/c"}};
    QTest::newRow("comment lines and blank lines")
        << QByteArray("# adapters on the bench\n\n   \n#COM1=/dev/old\nCOM2=/dev/new\n") << PortMap{{2, "/dev/new"}};
    QTest::newRow("comment after entry") << QByteArray("COM1=/dev/ttyUSB0   # left adapter")
                                         << PortMap{{1, "/dev/ttyUSB0"}};
    QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF"
                                                   "COM1=/dev/a")
                                     << PortMap{{1, "/dev/a"}};
    QTest::newRow("later entry wins") << QByteArray("COM1=/dev/a\nCOM1=/dev/b") << PortMap{{1, "/dev/b"}};
    QTest::newRow("ports beyond 4 up to 255")
        << QByteArray("COM7=/dev/x\nCOM255=/dev/y") << PortMap{{7, "/dev/x"}, {255, "/dev/y"}};
    QTest::newRow("malformed lines ignored")
        << QByteArray("COM0=/dev/zero\nCOM256=/dev/big\nCOM=/dev/none\nCOMX=/dev/x\nLPT1=/dev/lp0\n"
                      "COM1 /dev/nosign\nCOM2=\n=/dev/nokey\nCOM-1=/dev/neg\nCOM1.5=/dev/frac\nCOM 3=/dev/gap\n"
                      "COM4=/dev/good")
        << PortMap{{4, "/dev/good"}};
    QTest::newRow("Windows ports, as Notepad saves them")
        << QByteArray("\xEF\xBB\xBF"
                      "COM1=COM7\r\nCOM2 = COM12\r\ncom3=\\\\.\\COM20\r\n")
        << PortMap{{1, "COM7"}, {2, "COM12"}, {3, "\\\\.\\COM20"}};
    QTest::newRow("device name with = kept whole")
        << QByteArray("COM1=/dev/serial/by-path/pci-0:1.0=x") << PortMap{{1, "/dev/serial/by-path/pci-0:1.0=x"}};
}

void TestQtSerialService::parsesPortMap()
{
    QFETCH(QByteArray, text);
    QFETCH(PortMap, expected);
    QCOMPARE(parsePortMap(text), expected);
}

void TestQtSerialService::readsPortMapFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("entries");
    QTest::addColumn<QString>("reason");

    const auto status = [](PortMapStatus s) { return int(s); };
    QByteArray full; // 255 entries with comments, larger than maps used to be allowed
    for (int n = 1; n <= 255; ++n)
        full += "COM" + QByteArray::number(n) + " = /dev/serial/by-id/usb-adapter-" + QByteArray::number(n) +
                "-if00-port0   # bench position " + QByteArray::number(n) + ", rack A, shelf 3, left side " +
                QByteArray(200, '-') + '\n';
    QByteArray atLimit("COM2=/dev/ttyUSB1\n");
    atLimit += QByteArray(kMaxPortMapBytes - atLimit.size(), '#');
    QByteArray random(100 * 1000, '\0');
    for (int i = 0; i < random.size(); ++i)
        random[i] = char((i * 2654435761u) >> 13);

    QTest::newRow("a map") << "file" << QByteArray("COM2=/dev/ttyUSB1\n") << status(PortMapStatus::Read) << 1
                           << QString();
    QTest::newRow("255 entries with comments") << "file" << full << status(PortMapStatus::Read) << 255 << QString();
    QTest::newRow("at the size limit") << "file" << atLimit << status(PortMapStatus::Read) << 1 << QString();
    QTest::newRow("nothing there") << "missing" << QByteArray() << status(PortMapStatus::Missing) << 0 << QString();
    QTest::newRow("one byte over the limit") << "file" << atLimit + '\n'
                                             << status(PortMapStatus::Unusable) << 0 << "larger than 1048576 bytes";
    QTest::newRow("random bytes") << "file" << random << status(PortMapStatus::Unusable) << 0 << "not a text file";
    QTest::newRow("a NUL byte") << "file" << QByteArray("COM1=/dev/ttyUSB0\0\n", 19) << status(PortMapStatus::Unusable)
                                << 0 << "not a text file";
    QTest::newRow("a folder") << "folder" << QByteArray() << status(PortMapStatus::Unusable) << 0 << "is a folder";
    QTest::newRow("a FIFO") << "fifo" << QByteArray() << status(PortMapStatus::Unusable) << 0 << "not a regular file";
    QTest::newRow("a link to /dev/zero") << "/dev/zero" << QByteArray() << status(PortMapStatus::Unusable) << 0
                                         << "not a regular file";
    QTest::newRow("a link to /dev/tty") << "/dev/tty" << QByteArray() << status(PortMapStatus::Unusable) << 0
                                        << "not a regular file";
    QTest::newRow("a link that leads nowhere")
        << "/nonexistent/comport.map" << QByteArray() << status(PortMapStatus::Unusable) << 0 << "leads nowhere";
}

void TestQtSerialService::readsPortMapFiles()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, content);
    QFETCH(int, status);
    QFETCH(int, entries);
    QFETCH(QString, reason);

    QDir().mkpath(m_folder->appFolder());
    const QString path = m_folder->filePath(QStringLiteral("comport.map"));
    if (kind == QLatin1String("file")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(content), content.size());
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(path));
    } else if (kind == QLatin1String("fifo")) {
        // Refused at once instead of waiting for a writer.
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind.startsWith(QLatin1Char('/'))) {
        QVERIFY(QFile::link(kind, path));
    }

    const PortMapRead read = readPortMap(path);
    QCOMPARE(int(read.status), status);
    QCOMPARE(int(read.map.size()), entries);
    if (reason.isEmpty()) {
        QCOMPARE(read.reason, QString());
    } else {
        QVERIFY2(read.reason.startsWith(path + QStringLiteral(": ")), qPrintable(read.reason));
        QVERIFY2(read.reason.contains(reason), qPrintable(read.reason));
        // Every COM number is refused with that reason, none falls back to its default device.
        for (int n : {1, 2, 255}) {
            QString device;
            QString why;
            QVERIFY(!resolvePortDevice(read, n, &device, &why));
            QVERIFY2(why.startsWith(QStringLiteral("COM%1: ").arg(n)) && why.contains(read.reason), qPrintable(why));
            QCOMPARE(device, QString());
        }
    }

    // The same bytes from a device: read no further than one byte past the limit.
    if (kind == QLatin1String("file")) {
        QBuffer buffer(&content);
        const PortMapRead fromDevice = readPortMap(buffer);
        QCOMPARE(int(fromDevice.status), status);
        QCOMPARE(fromDevice.map, read.map);
        QVERIFY(buffer.pos() <= kMaxPortMapBytes + 1);
    }
}

void TestQtSerialService::mapsUnlistedPortsToSystemDevices()
{
    const PortMap map{{2, "/dev/ttyUSB0"}};
#ifdef Q_OS_WIN
    QCOMPARE(deviceInMap(map, 1), QStringLiteral("COM1"));
    QCOMPARE(deviceInMap(map, 4), QStringLiteral("COM4"));
#else
    QCOMPARE(deviceInMap(map, 1), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(deviceInMap(map, 4), QStringLiteral("/dev/ttyS3"));
    QCOMPARE(deviceInMap(map, 255), QStringLiteral("/dev/ttyS254"));
#endif
    QCOMPARE(deviceInMap(map, 2), QStringLiteral("/dev/ttyUSB0"));
}

void TestQtSerialService::opensWindowsPortsByCapitalName_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("opened");

    QTest::newRow("COM1") << "COM1"
                          << "COM1";
    QTest::newRow("COM10 and up") << "COM12"
                                  << "COM12";
    QTest::newRow("small letters") << "com12"
                                   << "COM12";
    QTest::newRow("mixed case") << "Com3"
                                << "COM3";
    QTest::newRow("blanks") << " com255 "
                            << "COM255";
    QTest::newRow("device namespace") << "\\\\.\\com20"
                                      << "\\\\.\\COM20";
    QTest::newRow("not a port number") << "COMX"
                                       << "COMX";
    QTest::newRow("a longer name") << "COM12A"
                                   << "COM12A";
    QTest::newRow("a Linux device") << "/dev/ttyUSB0"
                                    << "/dev/ttyUSB0";
    QTest::newRow("a path ending in a port") << "C:\\ports\\com3"
                                             << "C:\\ports\\com3";
}

void TestQtSerialService::opensWindowsPortsByCapitalName()
{
    QFETCH(QString, device);
    QFETCH(QString, opened);
    QCOMPARE(windowsPortName(device), opened);
}

void TestQtSerialService::writesPortMapReadBackAlike()
{
    const PortMap map{{1, "/dev/ttyUSB0"}, {4, "/dev/serial/by-id/usb-adapter port 1"}, {200, "COM9"}};
    QByteArray text;
    QBuffer buffer(&text);
    QVERIFY(buffer.open(QIODevice::WriteOnly));
    QVERIFY(writePortMap(buffer, map));
    buffer.close();
    QVERIFY(text.startsWith('#'));
    QCOMPARE(parsePortMap(text), map);

    const QString path = m_folder->filePath(QStringLiteral("comport.map"));
    QDir().mkpath(m_folder->appFolder());
    QString reason;
    QVERIFY2(savePortMap(path, map, &reason), qPrintable(reason));
    QCOMPARE(readPortMap(path).map, map);
    QVERIFY(!savePortMap(m_folder->filePath(QStringLiteral("no-such-folder/comport.map")), map, &reason));
    QVERIFY(!reason.isEmpty());
}

void TestQtSerialService::opensDeviceWithRadioLine()
{
    QtSerialService service;
    QVERIFY2(service.open(m_pty->devicePath()), qPrintable(service.errorString()));
    QVERIFY(service.isOpen());
    QCOMPARE(service.device(), m_pty->devicePath());
    QCOMPARE(service.errorString(), QString());

    // The line as the device sees it (the pty's two ends share one termios):
    // 1200 baud, 8 bits, no parity, one stop bit, raw.
    termios line{};
    QCOMPARE(tcgetattr(m_pty->masterDescriptor(), &line), 0);
    QCOMPARE(int(cfgetospeed(&line)), int(B1200));
    QCOMPARE(int(cfgetispeed(&line)), int(B1200));
    QCOMPARE(int(line.c_cflag & CSIZE), int(CS8));
    QVERIFY(!(line.c_cflag & PARENB));
    QVERIFY(!(line.c_cflag & CSTOPB));
    QCOMPARE(int(line.c_lflag & (ICANON | ECHO)), 0); // raw bytes, no echo
    QCOMPARE(int(line.c_oflag & OPOST), 0);
}

void TestQtSerialService::carriesBytesBothWays()
{
    QtSerialService service;
    QVERIFY(openOverPty(service));
    QSignalSpy events(&service, &SerialService::readyRead);
    QSignalSpy errors(&service, &SerialService::errorOccurred);

    QVERIFY(service.write(QByteArray(1, char(0xE0))));
    QTRY_COMPARE(m_pty->received(), QByteArray(1, char(0xE0)));

    // Every byte value passes unchanged, including CR, LF, XON/XOFF and 0xFF.
    QByteArray all(256, '\0');
    for (int i = 0; i < 256; ++i)
        all[i] = char(i);
    m_pty->send(all);
    QTRY_COMPARE(service.count(), 256);
    QVERIFY(!events.isEmpty());
    QVERIFY(errors.isEmpty());
    QCOMPARE(service.take(), all);
    QCOMPARE(service.count(), 0);
    QCOMPARE(service.take(), QByteArray());

    m_pty->clearReceived();
    const QByteArray block = counting(37);
    QVERIFY(service.write(block));
    QTRY_COMPARE(m_pty->received(), block);

    m_pty->send("\x0e\x77");
    QTRY_COMPARE(service.count(), 2);
    service.discard();
    QCOMPARE(service.count(), 0);
    QCOMPARE(service.take(), QByteArray());
}

void TestQtSerialService::deliversLastBytesWhenClosedRightAfterSending()
{
    // A read ends by sending 0x77 and closing at once: the byte must still go out.
    QtSerialService service;
    QVERIFY(openOverPty(service));
    QVERIFY(service.write(QByteArray(1, char(0x77))));
    service.close();
    QVERIFY(!service.isOpen());
    QTRY_COMPARE(m_pty->received(), QByteArray(1, char(0x77)));
}

void TestQtSerialService::closingDropsWaitingBytes()
{
    QtSerialService service;
    QVERIFY(openOverPty(service));
    m_pty->send("stale");
    QTRY_COMPARE(service.count(), 5);
    service.close();
    QCOMPARE(service.count(), 0);
    QCOMPARE(service.take(), QByteArray());
    QVERIFY(!service.write("x"));
    QVERIFY(service.open(m_pty->devicePath()));
    QCOMPARE(service.count(), 0);
}

void TestQtSerialService::overflowPastBufferDiscardsWaitingBytes()
{
    QtSerialService service;
    QVERIFY(openOverPty(service));
    QSignalSpy events(&service, &SerialService::errorOccurred);

    m_pty->send(counting(1000));
    QTRY_COMPARE(service.count(), 1000);
    QVERIFY(events.isEmpty());

    m_pty->send(counting(24)); // exactly full: still no overflow
    QTRY_COMPARE(service.count(), QtSerialService::kReceiveBufferSize);
    QVERIFY(events.isEmpty());

    m_pty->send("!");
    QTRY_COMPARE(events.count(), 1);
    QCOMPARE(events.first().at(0).value<SerialError>(), SerialError::ReceiveOverflow);
    QCOMPARE(service.count(), 0);

    // The port goes on working after an overflow.
    m_pty->send("ok");
    QTRY_COMPARE(service.count(), 2);
    QCOMPARE(service.take(), QByteArray("ok"));
    QVERIFY(service.isOpen());
}

void TestQtSerialService::babblingDeviceNeverGrowsBuffer()
{
    QtSerialService service;
    QVERIFY(openOverPty(service));
    int overflows = 0;
    int largest = 0;
    connect(&service, &SerialService::readyRead, this, [&] { largest = qMax(largest, service.count()); });
    connect(&service, &SerialService::errorOccurred, this, [&](SerialError error) {
        if (error == SerialError::ReceiveOverflow)
            ++overflows;
    });

    const int total = 64 * 1024;
    m_pty->send(QByteArray(total, 'B'));
    QTRY_COMPARE_WITH_TIMEOUT(m_pty->pendingToSend(), 0, 20000);
    // Each overflow drops what waited (at most a full buffer) and what came on top (at most as much).
    QTRY_VERIFY(overflows >= total / (2 * QtSerialService::kReceiveBufferSize) - 1);
    QVERIFY(largest <= QtSerialService::kReceiveBufferSize);
    QVERIFY(service.count() <= QtSerialService::kReceiveBufferSize);
    QVERIFY(service.isOpen());
}

void TestQtSerialService::closingInHandlerStopsNotifications()
{
    QtSerialService service;
    QVERIFY(openOverPty(service));
    int notifications = 0;
    connect(&service, &SerialService::readyRead, this, [&] {
        ++notifications;
        service.close();
    });
    QSignalSpy failures(&service, &SerialService::errorOccurred);

    QCOMPARE(descriptorsOn(m_pty->devicePath()), 2); // the port's and the one the test's end keeps
    m_pty->send("first");
    QTRY_COMPARE(notifications, 1);
    // Closed in its own handler, the port keeps no descriptor of the device:
    // nothing is watched, so no byte sent later can reach it.
    QVERIFY(!service.isOpen());
    QCOMPARE(descriptorsOn(m_pty->devicePath()), 1);
    QCOMPARE(notifications, 1);
    QCOMPARE(service.count(), 0);
    QVERIFY(failures.isEmpty());
}

void TestQtSerialService::hangUpClosesPortAndReportsOnce()
{
    QtSerialService service;
    QVERIFY(openOverPty(service));
    QSignalSpy failures(&service, &SerialService::errorOccurred);

    m_pty->send("ab");
    QTRY_COMPARE(service.count(), 2);
    m_pty->hangUp();

    QTRY_COMPARE(failures.count(), 1);
    QVERIFY(!service.isOpen());
    QCOMPARE(service.count(), 0);
    QCOMPARE(failures.first().at(0).value<SerialError>(), SerialError::PortFailed);
    const QString reason = failures.first().at(1).toString();
    QVERIFY2(reason.startsWith(m_pty->devicePath() + QStringLiteral(": ")), qPrintable(reason));
    QCOMPARE(service.errorString(), reason);

    // The vanished device keeps nothing going: closed, it is watched no more
    // (no descriptor of it is left to report the hang-up again).
    QVERIFY(!service.isOpen());
    QCOMPARE(descriptorsOn(m_pty->devicePath()), 0);
    QCOMPARE(failures.count(), 1);
    QVERIFY(!service.write("x"));

    // It can be opened again once the device is back.
    m_pty = std::make_unique<PseudoTerminal>();
    QVERIFY2(service.open(m_pty->devicePath()), qPrintable(service.errorString()));
    m_pty->send("back");
    QTRY_COMPARE(service.count(), 4);
    QCOMPARE(service.take(), QByteArray("back"));
}

void TestQtSerialService::refusesSecondOpen()
{
    QtSerialService service;
    QVERIFY(openOverPty(service));
    QVERIFY(!service.open(m_folder->filePath(QStringLiteral("other-port")))); // already open
    QVERIFY(service.isOpen());
    QCOMPARE(service.device(), m_pty->devicePath());
}

void TestQtSerialService::failedOpenNamesDeviceAndReason()
{
    QtSerialService service;
    const QString device = m_folder->filePath(QStringLiteral("no-such-port"));
    QVERIFY(!service.open(device));
    QCOMPARE(service.device(), device);
    QVERIFY(!service.isOpen());
    // The devices that do exist follow.
    QVERIFY2(service.errorString().startsWith(device + QStringLiteral(": No such file or directory. ")),
             qPrintable(service.errorString()));
}

void TestQtSerialService::deviceInUseSaysSo()
{
    QtSerialService first;
    QVERIFY(openOverPty(first));
    // The same device under its own name, under a symlink (as /dev/serial/by-id
    // gives), under a node of its own: refused for root as well, naming the holder.
    const QString link = m_folder->filePath(QStringLiteral("by-id-radio"));
    QVERIFY(QFile::link(m_pty->devicePath(), link));
    QStringList names{m_pty->devicePath(), link};
    struct stat info
    {
    };
    const QString node = m_folder->filePath(QStringLiteral("ttyCopy"));
    if (::stat(QFile::encodeName(m_pty->devicePath()).constData(), &info) == 0 &&
        ::mknod(QFile::encodeName(node).constData(), S_IFCHR | 0600, info.st_rdev) == 0)
        names.append(node);
    for (const QString &name : std::as_const(names)) {
        QtSerialService second;
        QVERIFY2(!second.open(name), qPrintable(name));
        QVERIFY(!second.isOpen());
        QVERIFY2(second.errorString().startsWith(name + QStringLiteral(": ")), qPrintable(second.errorString()));
        QVERIFY2(
            second.errorString().contains(
                QStringLiteral("in use by tst_qtserialservice (process %1)").arg(QCoreApplication::applicationPid())),
            qPrintable(second.errorString()));
    }
    // The first one is not disturbed, and once it closes the device is free under any name.
    QVERIFY(first.isOpen());
    m_pty->send("x");
    QTRY_COMPARE(first.count(), 1);
    QCOMPARE(first.take(), QByteArray("x"));
    first.close();
    QtSerialService next;
    QVERIFY2(next.open(link), qPrintable(next.errorString()));
}

void TestQtSerialService::permissionDeniedNamesOwningGroup()
{
    if (geteuid() == 0)
        QSKIP("permissions are not enforced for root");
    const QString device = m_folder->filePath(QStringLiteral("locked-port"));
    QFile file(device);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(::chmod(QFile::encodeName(device).constData(), 0) == 0);
    QtSerialService service;
    QVERIFY(!service.open(device));
    const QString group = QFileInfo(device).group();
    QCOMPARE(service.errorString(),
             device +
                 QStringLiteral(": Permission denied. Your user must be a member of the group \"%1\" that owns the "
                                "device (then log in again).")
                     .arg(group));
}

void TestQtSerialService::describesOpenFailures_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("accessible");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("expected");

    QTest::newRow("missing") << int(QSerialPort::DeviceNotFoundError) << "No such file or directory" << false << ""
                             << "/dev/ttyUSB0: No such file or directory";
    QTest::newRow("not allowed, group known")
        << int(QSerialPort::PermissionError) << "Permission denied" << false << "dialout"
        << "/dev/ttyUSB0: Permission denied. Your user must be a member of the group \"dialout\" that owns the device "
           "(then log in again).";
    QTest::newRow("not allowed, group unknown")
        << int(QSerialPort::PermissionError) << "Permission denied" << false << ""
        << "/dev/ttyUSB0: Permission denied. Your user must be a member of the group that owns the device (then log "
           "in again).";
    QTest::newRow("allowed but held") << int(QSerialPort::PermissionError)
                                      << "Permission error while locking the device" << true << "dialout"
                                      << "/dev/ttyUSB0: Permission error while locking the device. The device is in "
                                         "use by another program.";
    QTest::newRow("other failure") << int(QSerialPort::UnsupportedOperationError) << "Inappropriate ioctl for device"
                                   << true << "dialout"
                                   << "/dev/ttyUSB0: Inappropriate ioctl for device";
}

void TestQtSerialService::describesOpenFailures()
{
    QFETCH(int, error);
    QFETCH(QString, reason);
    QFETCH(bool, accessible);
    QFETCH(QString, group);
    QFETCH(QString, expected);
    QCOMPARE(describeOpenFailure(QStringLiteral("/dev/ttyUSB0"), QSerialPort::SerialPortError(error), reason,
                                 accessible, group),
             expected);
}

QTEST_GUILESS_MAIN(TestQtSerialService)
#include "tst_qtserialservice.moc"
