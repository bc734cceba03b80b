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
#include <QFile>
#include <QLineEdit>
#include <QTest>

using namespace kav;

class TestDeviceAssignment : public QObject
{
    Q_OBJECT

private slots:
    void showsCurrentAssignmentAndDevicesFound();
    void choosingAndTypingGiveTheMap();
    void savedMapReadsBackAndReplacesAtomically();
    void windowAssignsADeviceThatComItemsThenUse();
};

void TestDeviceAssignment::showsCurrentAssignmentAndDevicesFound()
{
    const PortMap current{{2, QStringLiteral("/dev/ttyUSB7")}, {9, QStringLiteral("/dev/ttyACM3")}};
    const QList<FoundDevice> devices{{QStringLiteral("/dev/ttyS0"), QStringLiteral("16550A UART"), QString()}};
    DeviceAssignmentDialog dialog(current, devices);
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
    const QList<FoundDevice> devices{
        {QStringLiteral("/dev/ttyS0"), QString(), QString()},
        {QStringLiteral("/dev/ttyS1"), QStringLiteral("USB-Serial Controller"), QStringLiteral("Prolific")}};
    DeviceAssignmentDialog dialog(current, devices);
    dialog.show();

    dialog.deviceBox(1)->setCurrentIndex(0); // emptied: back to the default
    dialog.deviceBox(2)->setCurrentIndex(2); // chosen from the list
    QLineEdit *typed = dialog.deviceBox(4)->lineEdit();
    typed->clear();
    QTest::keyClicks(typed, QStringLiteral("  /dev/ttyUSB0 "));

    const PortMap expected{{2, QStringLiteral("/dev/ttyS1")},
                           {4, QStringLiteral("/dev/ttyUSB0")},
                           {9, QStringLiteral("/dev/ttyACM3")}};
    QCOMPARE(dialog.portMap(), expected);
}

void TestDeviceAssignment::savedMapReadsBackAndReplacesAtomically()
{
    TestFolder folder;
    const QString path = folder.dataHome() + QStringLiteral("/comport.map");
    const PortMap map{{1, QStringLiteral("/dev/ttyUSB0")}, {3, QStringLiteral("/dev/serial/by-id/usb-FTDI_A1")}};
    QString reason;
    QVERIFY(SavePortMap(path, map, &reason));
    QCOMPARE(ReadPortMap(path), map);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().startsWith("# "));

    // A target that cannot be replaced keeps what was there and says why.
    const QString blocked = folder.dataHome() + QStringLiteral("/no/such/folder/comport.map");
    QVERIFY(!SavePortMap(blocked, map, &reason));
    QVERIFY(!reason.isEmpty());
    QCOMPARE(ReadPortMap(path), map);
}

void TestDeviceAssignment::windowAssignsADeviceThatComItemsThenUse()
{
    WindowFixture f;
    MainWindow &w = f.start();
    QVERIFY(f.show());
    QVERIFY(w.portItem(1)->isChecked()); // COM1 stored at start-up, its device absent

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
    w.assignDevicesItem()->trigger();
    QVERIFY(shown);

    const PortMap map = ReadPortMap(f.folder.filePath(QStringLiteral("comport.map")));
    QCOMPARE(map.value(2), adapter.devicePath());
    QCOMPARE(map.value(1), f.absentDevice(1)); // the other ports as they were
    QVERIFY(w.portItem(1)->isChecked());            // choosing devices is not choosing a port

    Q_EMIT w.portMenu()->aboutToShow();
    QCOMPARE(w.portItem(2)->toolTip(), QStringLiteral("COM2: ") + adapter.devicePath());

    // COM2 now leads to the adapter, so choosing it succeeds.
    w.portItem(2)->trigger();
    QVERIFY2(f.dialogs.messages.isEmpty(), qPrintable(f.dialogs.messageTexts().join(QLatin1Char('|'))));
    QVERIFY(w.portItem(2)->isChecked());
    QVERIFY(!w.portItem(1)->isChecked());
}

QTEST_MAIN(TestDeviceAssignment)
#include "tst_deviceassignment.moc"
