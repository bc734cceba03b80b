#include "link/linesettings.h"
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
Q_DECLARE_METATYPE(std::optional<kav::LineSettings>)

namespace {

void writeMap(const TestFolder &folder, const QByteArray &text)
{
    QDir().mkpath(folder.appFolder());
    QFile file(folder.filePath(QStringLiteral("comport.map")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(text), qint64(text.size()));
}

QByteArray counting(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i * 7 + 3);
    return bytes;
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
    void readsPortMapFromDevice();
    void readsOnlyBoundedRegularPortMaps();
    void mapsUnlistedPortsToSystemDevices();
    void parsesLineSettings_data();
    void parsesLineSettings();
    void acceptsPortNumbersOneTo255Only();
    void keepsSettingsWhenGivenBadText();

    void opensMappedDeviceWithLineSettings_data();
    void opensMappedDeviceWithLineSettings();
    void carriesBytesBothWays();
    void takesInPiecesOfInputLength();
    void deliversLastBytesWhenClosedRightAfterSending();
    void closingDropsWaitingBytes();
    void overflowPastBufferDiscardsWaitingBytes();
    void babblingDeviceNeverGrowsBuffer();
    void closingInHandlerStopsNotifications();
    void hangUpClosesPortAndReportsOnce();
    void refusesPortNumberChangeWhileOpen();

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
    writeMap(*m_folder, "COM1=" + m_pty->devicePath().toLocal8Bit() +
                            "\nCOM2=" + QFile::encodeName(m_folder->filePath(QStringLiteral("no-such-port"))) + "\n");
}

void TestQtSerialService::cleanup()
{
    m_pty.reset();
    m_folder.reset();
}

bool TestQtSerialService::openOverPty(QtSerialService &service)
{
    if (!service.setPortNumber(1) || !service.setSettings(QStringLiteral("1200,n,8,1")))
        return false;
    service.setReceiveThreshold(1);
    service.setBinaryInput(true);
    service.setInputLength(0);
    if (!service.open()) {
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
    QTest::newRow("device name with = kept whole")
        << QByteArray("COM1=/dev/serial/by-path/pci-0:1.0=x") << PortMap{{1, "/dev/serial/by-path/pci-0:1.0=x"}};
}

void TestQtSerialService::parsesPortMap()
{
    QFETCH(QByteArray, text);
    QFETCH(PortMap, expected);
    QCOMPARE(ParsePortMap(text), expected);
}

void TestQtSerialService::readsPortMapFromDevice()
{
    QByteArray text("COM2=/dev/ttyUSB1\n");
    QBuffer buffer(&text);
    QCOMPARE(ReadPortMap(buffer), (PortMap{{2, "/dev/ttyUSB1"}}));
    QCOMPARE(ReadPortMap(m_folder->filePath(QStringLiteral("missing.map"))), PortMap{});
    QCOMPARE(ReadPortMap(m_folder->appFolder()), PortMap{}); // a folder is no map
}

void TestQtSerialService::readsOnlyBoundedRegularPortMaps()
{
    // A map at the limit is read; one byte more and it is no map, read no further than that byte.
    QByteArray text("COM2=/dev/ttyUSB1\n");
    text += QByteArray(kMaxPortMapBytes - text.size(), '#');
    QBuffer atLimit(&text);
    QCOMPARE(ReadPortMap(atLimit), (PortMap{{2, "/dev/ttyUSB1"}}));
    text += QByteArray(1024 * 1024, '\n');
    QBuffer tooLong(&text);
    QCOMPARE(ReadPortMap(tooLong), PortMap{});
    QCOMPARE(tooLong.pos(), kMaxPortMapBytes + 1);

#ifdef Q_OS_UNIX
    // A FIFO in the map's place: refused at once instead of waiting for a writer.
    const QString fifo = m_folder->filePath(QStringLiteral("fifo.map"));
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    QCOMPARE(ReadPortMap(fifo), PortMap{});
    // /dev/zero never ends.
    QCOMPARE(ReadPortMap(QStringLiteral("/dev/zero")), PortMap{});
#endif
}

void TestQtSerialService::mapsUnlistedPortsToSystemDevices()
{
    const PortMap map{{2, "/dev/ttyUSB0"}};
#ifdef Q_OS_WIN
    QCOMPARE(PortDevice(map, 1), QStringLiteral("COM1"));
    QCOMPARE(PortDevice(map, 4), QStringLiteral("COM4"));
#else
    QCOMPARE(PortDevice(map, 1), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(PortDevice(map, 4), QStringLiteral("/dev/ttyS3"));
    QCOMPARE(PortDevice(map, 255), QStringLiteral("/dev/ttyS254"));
#endif
    QCOMPARE(PortDevice(map, 2), QStringLiteral("/dev/ttyUSB0"));

    QtSerialService service;
    QCOMPARE(service.devicePath(), m_pty->devicePath()); // COM1 until told otherwise
    QVERIFY(service.setPortNumber(3));
    QCOMPARE(service.devicePath(), DefaultPortDevice(3));
}

void TestQtSerialService::parsesLineSettings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<LineSettings>>("expected");

    const auto ok = [](qint32 baud, QSerialPort::Parity parity, QSerialPort::DataBits data,
                       QSerialPort::StopBits stop) {
        return std::optional<LineSettings>(LineSettings{baud, parity, data, stop});
    };
    const std::optional<LineSettings> rejected;
    QTest::newRow("the radio's line") << "1200,n,8,1"
                                      << ok(1200, QSerialPort::NoParity, QSerialPort::Data8, QSerialPort::OneStop);
    QTest::newRow("upper-case parity") << "1200,N,8,1"
                                       << ok(1200, QSerialPort::NoParity, QSerialPort::Data8, QSerialPort::OneStop);
    QTest::newRow("even, 7, 2") << "9600,e,7,2"
                                << ok(9600, QSerialPort::EvenParity, QSerialPort::Data7, QSerialPort::TwoStop);
    QTest::newRow("odd") << "19200,o,8,1"
                         << ok(19200, QSerialPort::OddParity, QSerialPort::Data8, QSerialPort::OneStop);
    QTest::newRow("mark, 5") << "300,m,5,1"
                             << ok(300, QSerialPort::MarkParity, QSerialPort::Data5, QSerialPort::OneStop);
    QTest::newRow("space, 6") << "115200,s,6,2"
                              << ok(115200, QSerialPort::SpaceParity, QSerialPort::Data6, QSerialPort::TwoStop);
    QTest::newRow("empty") << "" << rejected;
    QTest::newRow("three parts") << "1200,n,8" << rejected;
    QTest::newRow("five parts") << "1200,n,8,1,x" << rejected;
    QTest::newRow("semicolons") << "1200;n;8;1" << rejected;
    QTest::newRow("odd rate") << "1201,n,8,1" << rejected;
    QTest::newRow("no rate") << ",n,8,1" << rejected;
    QTest::newRow("negative rate") << "-1200,n,8,1" << rejected;
    QTest::newRow("unknown parity") << "1200,x,8,1" << rejected;
    QTest::newRow("parity word") << "1200,none,8,1" << rejected;
    QTest::newRow("9 data bits") << "1200,n,9,1" << rejected;
    QTest::newRow("4 data bits") << "1200,n,4,1" << rejected;
    QTest::newRow("3 stop bits") << "1200,n,8,3" << rejected;
    QTest::newRow("1.5 stop bits") << "1200,n,8,1.5" << rejected;
    QTest::newRow("words") << "fast" << rejected;
}

void TestQtSerialService::parsesLineSettings()
{
    QFETCH(QString, text);
    QFETCH(std::optional<LineSettings>, expected);
    QCOMPARE(ParseLineSettings(text), expected);
    if (expected)
        QCOMPARE(FormatLineSettings(*expected), text.toLower());
}

void TestQtSerialService::acceptsPortNumbersOneTo255Only()
{
    QtSerialService service;
    QCOMPARE(service.portNumber(), 1);
    QVERIFY(!service.setPortNumber(0));
    QVERIFY(service.errorString().contains(QStringLiteral("COM0")));
    QVERIFY(!service.setPortNumber(256));
    QVERIFY(!service.setPortNumber(-1));
    QCOMPARE(service.portNumber(), 1);
    QVERIFY(service.setPortNumber(255));
    QCOMPARE(service.portNumber(), 255);
    QVERIFY(service.setPortNumber(4));
    QCOMPARE(service.portNumber(), 4);
}

void TestQtSerialService::keepsSettingsWhenGivenBadText()
{
    QtSerialService service;
    QCOMPARE(service.settings(), QStringLiteral("1200,n,8,1"));
    QVERIFY(service.setSettings(QStringLiteral("9600,e,7,2")));
    QVERIFY(!service.setSettings(QStringLiteral("1200 baud")));
    QVERIFY(service.errorString().contains(QStringLiteral("1200 baud")));
    QCOMPARE(service.settings(), QStringLiteral("9600,e,7,2"));
}

void TestQtSerialService::opensMappedDeviceWithLineSettings_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("parity");
    QTest::addColumn<bool>("twoStop");

    QTest::newRow("1200,n,8,1") << "1200,n,8,1" << int(B1200) << int(CS8) << false << false;
    // A pseudo-terminal keeps 8 bits without parity whatever it is told; rate and stop bits show.
    QTest::newRow("9600,n,8,2") << "9600,n,8,2" << int(B9600) << int(CS8) << false << true;
}

void TestQtSerialService::opensMappedDeviceWithLineSettings()
{
    QFETCH(QString, settings);
    QFETCH(int, speed);
    QFETCH(int, size);
    QFETCH(bool, parity);
    QFETCH(bool, twoStop);

    QtSerialService service;
    QVERIFY(service.setPortNumber(1));
    QVERIFY(service.setSettings(settings));
    QVERIFY2(service.open(), qPrintable(service.errorString()));
    QVERIFY(service.isOpen());
    QCOMPARE(service.errorString(), QString());

    // The line as the device sees it (the pty's two ends share one termios).
    termios line{};
    QCOMPARE(tcgetattr(m_pty->masterDescriptor(), &line), 0);
    QCOMPARE(int(cfgetospeed(&line)), speed);
    QCOMPARE(int(cfgetispeed(&line)), speed);
    QCOMPARE(int(line.c_cflag & CSIZE), size);
    QCOMPARE(bool(line.c_cflag & PARENB), parity);
    QCOMPARE(bool(line.c_cflag & CSTOPB), twoStop);
    QCOMPARE(int(line.c_lflag & (ICANON | ECHO)), 0); // raw bytes, no echo
    QCOMPARE(int(line.c_oflag & OPOST), 0);
}

void TestQtSerialService::carriesBytesBothWays()
{
    QtSerialService service;
    QVERIFY(openOverPty(service));
    QSignalSpy events(&service, &SerialService::commEvent);

    QVERIFY(service.send(QByteArray(1, char(0xE0))));
    QTRY_COMPARE(m_pty->received(), QByteArray(1, char(0xE0)));

    // Every byte value passes unchanged, including CR, LF, XON/XOFF and 0xFF.
    QByteArray all(256, '\0');
    for (int i = 0; i < 256; ++i)
        all[i] = char(i);
    m_pty->send(all);
    QTRY_COMPARE(service.waitingCount(), 256);
    QVERIFY(!events.isEmpty());
    for (const QList<QVariant> &event : events)
        QCOMPARE(event.at(0).toInt(), kCommEvReceive);
    QCOMPARE(service.take(), all);
    QCOMPARE(service.waitingCount(), 0);
    QCOMPARE(service.take(), QByteArray());

    m_pty->clearReceived();
    const QByteArray block = counting(37);
    QVERIFY(service.send(block));
    QTRY_COMPARE(m_pty->received(), block);

    m_pty->send("\x0e\x77");
    QTRY_COMPARE(service.waitingCount(), 2);
    service.discardWaiting();
    QCOMPARE(service.waitingCount(), 0);
    QCOMPARE(service.take(), QByteArray());
}

void TestQtSerialService::takesInPiecesOfInputLength()
{
    QtSerialService service;
    QVERIFY(openOverPty(service));
    service.setInputLength(4);
    m_pty->send("abcdefghij");
    QTRY_COMPARE(service.waitingCount(), 10);
    QCOMPARE(service.take(), QByteArray("abcd"));
    QCOMPARE(service.take(), QByteArray("efgh"));
    QCOMPARE(service.take(), QByteArray("ij"));
}

void TestQtSerialService::deliversLastBytesWhenClosedRightAfterSending()
{
    // A read ends by sending 0x77 and closing at once: the byte must still go out.
    QtSerialService service;
    QVERIFY(openOverPty(service));
    QVERIFY(service.send(QByteArray(1, char(0x77))));
    service.close();
    QVERIFY(!service.isOpen());
    QTRY_COMPARE(m_pty->received(), QByteArray(1, char(0x77)));
}

void TestQtSerialService::closingDropsWaitingBytes()
{
    QtSerialService service;
    QVERIFY(openOverPty(service));
    m_pty->send("stale");
    QTRY_COMPARE(service.waitingCount(), 5);
    service.close();
    QCOMPARE(service.waitingCount(), 0);
    QCOMPARE(service.take(), QByteArray());
    QVERIFY(!service.send("x"));
    QVERIFY(service.open());
    QCOMPARE(service.waitingCount(), 0);
}

void TestQtSerialService::overflowPastBufferDiscardsWaitingBytes()
{
    QtSerialService service;
    QVERIFY(openOverPty(service));
    QSignalSpy events(&service, &SerialService::commEvent);

    m_pty->send(counting(1000));
    QTRY_COMPARE(service.waitingCount(), 1000);
    QVERIFY(!events.contains(QList<QVariant>{kCommEventRxOver}));

    m_pty->send(counting(24)); // exactly full: still no overflow
    QTRY_COMPARE(service.waitingCount(), QtSerialService::kReceiveBufferSize);
    QVERIFY(!events.contains(QList<QVariant>{kCommEventRxOver}));

    events.clear();
    m_pty->send("!");
    QTRY_COMPARE(events.count(), 1);
    QCOMPARE(events.first().at(0).toInt(), kCommEventRxOver);
    QCOMPARE(service.waitingCount(), 0);

    // The port goes on working after an overflow.
    m_pty->send("ok");
    QTRY_COMPARE(service.waitingCount(), 2);
    QCOMPARE(service.take(), QByteArray("ok"));
    QVERIFY(service.isOpen());
}

void TestQtSerialService::babblingDeviceNeverGrowsBuffer()
{
    QtSerialService service;
    QVERIFY(openOverPty(service));
    int overflows = 0;
    int largest = 0;
    connect(&service, &SerialService::commEvent, this, [&](int code) {
        largest = qMax(largest, service.waitingCount());
        if (code == kCommEventRxOver)
            ++overflows;
    });

    const int total = 64 * 1024;
    m_pty->send(QByteArray(total, 'B'));
    QTRY_COMPARE_WITH_TIMEOUT(m_pty->pendingToSend(), 0, 20000);
    // Each overflow drops what waited (at most a full buffer) and what came on top (at most as much).
    QTRY_VERIFY(overflows >= total / (2 * QtSerialService::kReceiveBufferSize) - 1);
    QVERIFY(largest <= QtSerialService::kReceiveBufferSize);
    QVERIFY(service.waitingCount() <= QtSerialService::kReceiveBufferSize);
    QVERIFY(service.isOpen());
}

void TestQtSerialService::closingInHandlerStopsNotifications()
{
    QtSerialService service;
    QVERIFY(openOverPty(service));
    int notifications = 0;
    connect(&service, &SerialService::commEvent, this, [&](int) {
        ++notifications;
        service.close();
    });
    QSignalSpy failures(&service, &SerialService::portFailed);

    m_pty->send("first");
    QTRY_COMPARE(notifications, 1);
    QVERIFY(!service.isOpen());
    m_pty->send("more after the close");
    QTRY_COMPARE(m_pty->pendingToSend(), 0);
    QVERIFY(!failures.wait(100)); // a little time for anything stray to show
    QCOMPARE(notifications, 1);
    QCOMPARE(service.waitingCount(), 0);
    QVERIFY(failures.isEmpty());
}

void TestQtSerialService::hangUpClosesPortAndReportsOnce()
{
    QtSerialService service;
    QVERIFY(openOverPty(service));
    QSignalSpy failures(&service, &SerialService::portFailed);
    QSignalSpy events(&service, &SerialService::commEvent);

    m_pty->send("ab");
    QTRY_COMPARE(service.waitingCount(), 2);
    m_pty->hangUp();

    QTRY_COMPARE(failures.count(), 1);
    QVERIFY(!service.isOpen());
    QCOMPARE(service.waitingCount(), 0);
    const QString reason = failures.first().at(0).toString();
    QVERIFY2(reason.startsWith(m_pty->devicePath() + QStringLiteral(": ")), qPrintable(reason));
    QCOMPARE(service.errorString(), reason);

    // The vanished device keeps nothing going: no second report, no events.
    const int eventsBefore = int(events.count());
    QVERIFY(!failures.wait(300));
    QCOMPARE(failures.count(), 1);
    QCOMPARE(int(events.count()), eventsBefore);
    QVERIFY(!service.send("x"));

    // It can be opened again once the device is back.
    m_pty = std::make_unique<PseudoTerminal>();
    writeMap(*m_folder, "COM1=" + m_pty->devicePath().toLocal8Bit());
    QVERIFY2(service.open(), qPrintable(service.errorString()));
    m_pty->send("back");
    QTRY_COMPARE(service.waitingCount(), 4);
    QCOMPARE(service.take(), QByteArray("back"));
}

void TestQtSerialService::refusesPortNumberChangeWhileOpen()
{
    QtSerialService service;
    QVERIFY(openOverPty(service));
    QVERIFY(!service.setPortNumber(2));
    QCOMPARE(service.portNumber(), 1);
    QVERIFY(!service.open()); // already open
    QVERIFY(service.isOpen());
    service.close();
    QVERIFY(service.setPortNumber(2));
}

void TestQtSerialService::failedOpenNamesDeviceAndReason()
{
    QtSerialService service;
    QVERIFY(service.setPortNumber(2));
    const QString device = m_folder->filePath(QStringLiteral("no-such-port"));
    QCOMPARE(service.devicePath(), device);
    QVERIFY(!service.open());
    QVERIFY(!service.isOpen());
    QCOMPARE(service.errorString(), device + QStringLiteral(": No such file or directory"));
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
    struct stat info{};
    const QString node = m_folder->filePath(QStringLiteral("ttyCopy"));
    if (::stat(QFile::encodeName(m_pty->devicePath()).constData(), &info) == 0
        && ::mknod(QFile::encodeName(node).constData(), S_IFCHR | 0600, info.st_rdev) == 0)
        names.append(node);
    for (const QString &name : std::as_const(names)) {
        writeMap(*m_folder, "COM3=" + QFile::encodeName(name) + '\n');
        QtSerialService second;
        QVERIFY(second.setPortNumber(3));
        QVERIFY2(!second.open(), qPrintable(name));
        QVERIFY(!second.isOpen());
        QVERIFY2(second.errorString().startsWith(name + QStringLiteral(": ")), qPrintable(second.errorString()));
        QVERIFY2(second.errorString().contains(QStringLiteral("in use by tst_qtserialservice (process %1)")
                                                   .arg(QCoreApplication::applicationPid())),
                 qPrintable(second.errorString()));
    }
    // The first one is not disturbed, and once it closes the device is free under any name.
    QVERIFY(first.isOpen());
    m_pty->send("x");
    QTRY_COMPARE(first.waitingCount(), 1);
    QCOMPARE(first.take(), QByteArray("x"));
    first.close();
    writeMap(*m_folder, "COM3=" + QFile::encodeName(link) + '\n');
    QtSerialService next;
    QVERIFY(next.setPortNumber(3));
    QVERIFY2(next.open(), qPrintable(next.errorString()));
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
    writeMap(*m_folder, "COM3=" + QFile::encodeName(device));
    QtSerialService service;
    QVERIFY(service.setPortNumber(3));
    QVERIFY(!service.open());
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
    QCOMPARE(DescribeOpenFailure(QStringLiteral("/dev/ttyUSB0"), QSerialPort::SerialPortError(error), reason,
                                 accessible, group),
             expected);
}

QTEST_GUILESS_MAIN(TestQtSerialService)
#include "tst_qtserialservice.moc"
