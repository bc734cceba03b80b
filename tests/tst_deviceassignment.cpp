// "Assign Devices…": the dialog as a user fills it, and the comport.map it leaves.

#include "app/deviceassignment.h"
#include "link/portmap.h"
#include "support/pseudoterminal.h"
#include "support/windowfixture.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

using namespace kav;

namespace {

// A device the system lists with no more than these details.
SerialDevice listed(const QString &device, const QString &byIdPath = {}, const QString &description = {},
                    const QString &manufacturer = {})
{
    return {device, byIdPath, description, manufacturer, {}, 0, 0};
}

} // namespace

class TestDeviceAssignment : public QObject
{
    Q_OBJECT

private slots:
    void showsCurrentAssignmentAndDevicesFound();
    void choosingAndTypingGiveTheMap();
    void offersByIdFirstAndFollowsAdaptersThatComeAndGo();
    void byIdLinksLeadToTheirDevices();
    void savedMapReadsBackAndReplacesAtomically();
    void windowAssignsADeviceThatComItemsThenUse();
    void windowNeverRewritesAMapItCouldNotReadOrDidNotChange_data();
    void windowNeverRewritesAMapItCouldNotReadOrDidNotChange();
};

void TestDeviceAssignment::showsCurrentAssignmentAndDevicesFound()
{
    const PortMap current{{2, QStringLiteral("/dev/ttyUSB7")}, {9, QStringLiteral("/dev/ttyACM3")}};
    const QList<SerialDevice> devices{listed(QStringLiteral("/dev/ttyS0"), {}, QStringLiteral("16550A UART"))};
    DeviceAssignmentDialog dialog(current, [devices] { return devices; });
    QCOMPARE(dialog.deviceBox(1)->currentText(), QString());
    QCOMPARE(dialog.deviceBox(1)->lineEdit()->placeholderText(), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(dialog.deviceBox(2)->currentText(), QStringLiteral("/dev/ttyUSB7"));
    QCOMPARE(dialog.deviceBox(3)->count(), 2); // no choice, and the device found
    QCOMPARE(dialog.deviceBox(3)->itemData(1).toString(), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(dialog.deviceBox(3)->itemText(1), QStringLiteral("/dev/ttyS0 — 16550A UART"));
    QCOMPARE(dialog.portMap(), current);
}

void TestDeviceAssignment::choosingAndTypingGiveTheMap()
{
    const PortMap current{{1, QStringLiteral("/dev/old")}, {9, QStringLiteral("/dev/ttyACM3")}};
    const QList<SerialDevice> devices{
        listed(QStringLiteral("/dev/ttyS0")),
        listed(QStringLiteral("/dev/ttyS1"), {}, QStringLiteral("USB-Serial Controller"), QStringLiteral("Prolific"))};
    DeviceAssignmentDialog dialog(current, [devices] { return devices; });
    dialog.show();

    dialog.deviceBox(1)->setCurrentIndex(0); // emptied: back to the default
    dialog.deviceBox(2)->setCurrentIndex(2); // chosen from the list
    QLineEdit *typed = dialog.deviceBox(4)->lineEdit();
    typed->clear();
    QTest::keyClicks(typed, QStringLiteral("  /dev/ttyUSB0 "));

    const PortMap expected{
        {2, QStringLiteral("/dev/ttyS1")}, {4, QStringLiteral("/dev/ttyUSB0")}, {9, QStringLiteral("/dev/ttyACM3")}};
    QCOMPARE(dialog.portMap(), expected);
}

void TestDeviceAssignment::offersByIdFirstAndFollowsAdaptersThatComeAndGo()
{
    const QString ftdi = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3X2B-if00-port0");
    const QString prolific = QStringLiteral("/dev/serial/by-id/usb-Prolific_USB-Serial_Controller-if00-port0");
    const SerialDevice uart = listed(QStringLiteral("/dev/ttyS0"), {}, QStringLiteral("16550A UART"));
    const SerialDevice adapter{QStringLiteral("/dev/ttyUSB0"),
                               ftdi,
                               QStringLiteral("FT232R USB UART"),
                               QStringLiteral("FTDI"),
                               QStringLiteral("A10K3X2B"),
                               0x0403,
                               0x6001};
    const SerialDevice second{QStringLiteral("/dev/ttyUSB1"),
                              prolific,
                              QStringLiteral("USB-Serial Controller"),
                              QStringLiteral("Prolific"),
                              {},
                              0x067b,
                              0x2303};
    QList<SerialDevice> present{adapter, uart};
    int listings = 0;
    DeviceAssignmentDialog dialog({{3, QStringLiteral("/dev/ttyUSB0")}}, [&] {
        ++listings;
        return present;
    });
    dialog.show();

    QComboBox *com1 = dialog.deviceBox(1);
    const QStringList offered{QString(),
                              ftdi + QStringLiteral(" — FT232R USB UART, FTDI, serial A10K3X2B, VID:PID 0403:6001, "
                                                    "now /dev/ttyUSB0"),
                              QStringLiteral("/dev/ttyUSB0 — FT232R USB UART, FTDI, serial A10K3X2B, VID:PID "
                                             "0403:6001"),
                              QStringLiteral("/dev/ttyS0 — 16550A UART")};
    QStringList texts;
    for (int i = 0; i < com1->count(); ++i)
        texts.append(com1->itemText(i));
    QCOMPARE(texts, offered);
    QCOMPARE(dialog.deviceBox(3)->currentIndex(), 2); // an old assignment by name is still found

    // COM1 takes the adapter by identity; COM2 is half typed when a second adapter comes.
    com1->setCurrentIndex(1);
    QLineEdit *com2 = dialog.deviceBox(2)->lineEdit();
    com2->setFocus();
    QTest::keyClicks(com2, QStringLiteral("/dev/ttyACM"));
    QTest::keyClick(com2, Qt::Key_Left);
    present.append(second);
    QTRY_COMPARE(com1->count(), 6);
    QCOMPARE(com1->itemData(2).toString(), prolific); // by-id entries first, by name
    QCOMPARE(com1->currentIndex(), 1);
    QCOMPARE(com2->text(), QStringLiteral("/dev/ttyACM"));
    QCOMPARE(com2->cursorPosition(), 10);
    QTest::keyClick(com2, Qt::Key_End);
    QTest::keyClicks(com2, QStringLiteral("0"));

    // The chosen adapter is unplugged: its path stays the choice, ready for its return.
    present.removeFirst();
    QTRY_COMPARE(com1->count(), 4);
    QCOMPARE(com1->currentText(), ftdi);
    const int seen = listings;
    QTRY_VERIFY(listings > seen + 1); // nothing changed: lists compared, boxes untouched
    QCOMPARE(com2->text(), QStringLiteral("/dev/ttyACM0"));
    const PortMap expected{{1, ftdi}, {2, QStringLiteral("/dev/ttyACM0")}, {3, QStringLiteral("/dev/ttyUSB0")}};
    QCOMPARE(dialog.portMap(), expected);
}

void TestDeviceAssignment::byIdLinksLeadToTheirDevices()
{
    // A folder laid out as udev lays out /dev: devices, and relative links in by-id.
    QTemporaryDir dev;
    QVERIFY(dev.isValid());
    QVERIFY(QDir(dev.path()).mkdir(QStringLiteral("by-id")));
    for (const char *name : {"ttyS0", "ttyUSB0", "ttyUSB1"}) {
        QFile file(dev.filePath(QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const QString byId = dev.filePath(QStringLiteral("by-id"));
    QVERIFY(QFile::link(QStringLiteral("../ttyUSB1"), byId + QStringLiteral("/usb-FTDI_FT232R_A1-if00-port0")));
    QVERIFY(QFile::link(QStringLiteral("../ttyUSB0"), byId + QStringLiteral("/usb-Prolific_B2-if00-port0")));
    QVERIFY(QFile::link(QStringLiteral("../ttyUSB9"), byId + QStringLiteral("/usb-gone-if00-port0")));

    const QString usb0 = dev.filePath(QStringLiteral("ttyUSB0"));
    const QString usb1 = dev.filePath(QStringLiteral("ttyUSB1"));
    const QString uart = dev.filePath(QStringLiteral("ttyS0"));
    const QList<SerialDevice> found = attachByIdPaths({listed(uart), listed(usb0), listed(usb1)}, byId);
    const QList<SerialDevice> expected{listed(usb1, byId + QStringLiteral("/usb-FTDI_FT232R_A1-if00-port0")),
                                       listed(usb0, byId + QStringLiteral("/usb-Prolific_B2-if00-port0")),
                                       listed(uart)};
    QCOMPARE(found, expected);
    QCOMPARE(attachByIdPaths(expected, dev.filePath(QStringLiteral("none"))).constLast().byIdPath, QString());
}

void TestDeviceAssignment::savedMapReadsBackAndReplacesAtomically()
{
    TestFolder folder;
    const QString path = folder.dataHome() + QStringLiteral("/comport.map");
    const PortMap map{{1, QStringLiteral("/dev/ttyUSB0")}, {3, QStringLiteral("/dev/serial/by-id/usb-FTDI_A1")}};
    QString reason;
    QVERIFY(savePortMap(path, map, &reason));
    QCOMPARE(readPortMap(path).map, map);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().startsWith("# "));

    // A target that cannot be replaced keeps what was there and says why.
    const QString blocked = folder.dataHome() + QStringLiteral("/no/such/folder/comport.map");
    QVERIFY(!savePortMap(blocked, map, &reason));
    QVERIFY(!reason.isEmpty());
    QCOMPARE(readPortMap(path).map, map);
}

void TestDeviceAssignment::windowAssignsADeviceThatComItemsThenUse()
{
    WindowFixture f;
    MainWindow &w = f.start();
    QVERIFY(f.show());
    QVERIFY(portItemOf(w, 1)->isChecked()); // COM1 stored at start-up, its device absent

    PseudoTerminal adapter;
    QVERIFY(adapter.isValid());
    bool shown = false;
    QTimer::singleShot(0, this, [&] {
        auto *dialog = qobject_cast<DeviceAssignmentDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        shown = true;
        QLineEdit *com2 = dialog->deviceBox(2)->lineEdit();
        com2->selectAll();
        QTest::keyClicks(com2, adapter.devicePath());
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    findItem(w, "M_AssignDevices")->trigger();
    QVERIFY(shown);

    const PortMap map = readPortMap(f.folder.filePath(QStringLiteral("comport.map"))).map;
    QCOMPARE(map.value(2), adapter.devicePath());
    QCOMPARE(map.value(1), f.absentDevice(1)); // the other ports as they were
    QVERIFY(portItemOf(w, 1)->isChecked());    // choosing devices is not choosing a port

    Q_EMIT findControl<QMenu>(w, QStringLiteral("M_COM"))->aboutToShow();
    QCOMPARE(portItemOf(w, 2)->toolTip(), QStringLiteral("COM2: ") + adapter.devicePath());

    // COM2 now leads to the adapter, so choosing it succeeds.
    portItemOf(w, 2)->trigger();
    QVERIFY2(f.dialogs.messages.isEmpty(), qPrintable(f.dialogs.messageTexts().join(QLatin1Char('|'))));
    QVERIFY(portItemOf(w, 2)->isChecked());
    QVERIFY(!portItemOf(w, 1)->isChecked());
}

void TestDeviceAssignment::windowNeverRewritesAMapItCouldNotReadOrDidNotChange_data()
{
    QTest::addColumn<QByteArray>("map"); // "<folder>" for a folder in its place, "<none>" for no map
    QTest::addColumn<QString>("why");    // the reason the dialog shows; empty when it offers OK
    QByteArray entries = "# the bench\n";
    for (int port = 1; port <= 255; ++port)
        entries += "COM" + QByteArray::number(port) + " = /dev/ttyUSB" + QByteArray::number(port) + "  # adapter\n";
    QTest::newRow("255 entries with comments, OK without changes") << entries << QString();
    QTest::newRow("no map, OK without changes: none is created") << QByteArray("<none>") << QString();
    QByteArray huge = entries;
    while (huge.size() <= kMaxPortMapBytes)
        huge += "# " + QByteArray(1000, 'x') + '\n';
    QTest::newRow("larger than 1 MiB") << huge << "larger than";
    QTest::newRow("random bytes") << QByteArray("COM1=/dev/ttyUSB0\n\x00\xff\xfe\x81garbage\n", 29) << "comport.map";
    QTest::newRow("a folder") << QByteArray("<folder>") << "comport.map";
}

void TestDeviceAssignment::windowNeverRewritesAMapItCouldNotReadOrDidNotChange()
{
    QFETCH(QByteArray, map);
    QFETCH(QString, why);
    WindowFixture f;
    const QString path = f.folder.filePath(QStringLiteral("comport.map"));
    if (map == "<none>") // every COM port leads to its default device
        f.portMapFile = f.folder.filePath(QStringLiteral("elsewhere/comport.map"));
    else if (map == "<folder>")
        QVERIFY(QDir().mkpath(path));
    else
        QVERIFY(f.writePortMap(map));
    MainWindow &w = f.start();
    QVERIFY(f.show());

    bool shown = false;
    QTimer::singleShot(0, this, [&] {
        auto *dialog = qobject_cast<DeviceAssignmentDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        shown = true;
        auto *buttons = dialog->findChild<QDialogButtonBox *>();
        auto *unreadable = dialog->findChild<QLabel *>(QStringLiteral("unreadableMap"));
        QCOMPARE(buttons->button(QDialogButtonBox::Ok) != nullptr, why.isEmpty());
        QCOMPARE(unreadable != nullptr, !why.isEmpty());
        QCOMPARE(dialog->deviceBox(1)->isEnabled(), why.isEmpty());
        if (why.isEmpty()) {
            buttons->button(QDialogButtonBox::Ok)->click();
            return;
        }
        QVERIFY2(unreadable->text().contains(why), qPrintable(unreadable->text()));
        buttons->button(QDialogButtonBox::Close)->click();
    });
    findItem(w, "M_AssignDevices")->trigger();
    QVERIFY(shown);

    QVERIFY(f.dialogs.messages.isEmpty());
    if (map == "<none>") {
        QVERIFY(!QFileInfo::exists(f.portMapFile));
    } else if (map == "<folder>") {
        QVERIFY(QFileInfo(path).isDir());
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), map); // comments and all
    }
}

QTEST_MAIN(TestDeviceAssignment)
#include "tst_deviceassignment.moc"
