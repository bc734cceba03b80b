// READ and WRITE in the real window over a fake port: the gates before a
// session and the box each verdict ends in. (tst_writewindow has the window
// with the simulated radio: one exchange at a time, EXIT during one, the
// changes asked about, the history.)
#include "app/mainwindow.h"
#include "app/plandocument.h"
#include "common/appfolder.h"
#include "link/openfailure.h"
#include "link/portsetting.h"
#include "link/programmingexchange.h"
#include "link/programminghistory.h"
#include "link/programmingsession.h"
#include "support/exchangeprobe.h"
#include "support/exchangerig.h"
#include "support/fakeserialservice.h"
#include "support/scripteddialogs.h"
#include "support/testfolder.h"
#include "support/windowfixture.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace kav;
using namespace kav::test;
using namespace std::chrono_literals;

namespace {

const QString kShownBefore = QStringLiteral("41.0000");
constexpr PlanField kCh1Rx{0, Direction::Rx};
constexpr PlanField kCh2Rx{1, Direction::Rx};
constexpr PlanField kCh1Tx{0, Direction::Tx};

// The real window over the fake port, in a temporary application folder.
struct WindowRig
{
    TestFolder folder;
    ScriptedDialogs dialogs;
    FakeSerialService serial;
    ProgramParts parts{applicationFolder(), serial};
    MainWindow window{parts, dialogs};

    WindowRig() { parts.session.exchange().setResponseTimeout(kShortTimeout); }

    QLineEdit *field(PlanField field) const
    {
        const int number = field.channel + 1; // Txt_Rx1 is CH1 RX
        return field.direction == Direction::Rx ? rxFieldOf(window, number) : txFieldOf(window, number);
    }
    void setField(PlanField which, const QString &text) { field(which)->setText(text); }
    QString fieldText(PlanField which) const { return field(which)->text(); }
};

} // namespace

class TestExchangeWindow : public QObject
{
    Q_OBJECT

private slots:
    void windowGatesBeforeTheCommand_data();
    void windowGatesBeforeTheCommand();
    void windowShowsOutcomesAsDesigned_data();
    void windowShowsOutcomesAsDesigned();
    void timeOutBoxNeverStacks();
    void completedWriteLeavesPortForNextRead();
    void writeRefusedByTheEncoderSendsNothingLater();
};

void TestExchangeWindow::windowGatesBeforeTheCommand_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("trouble");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("portOpen");
    QTest::addColumn<bool>("imagesZeroed");
    QTest::addColumn<bool>("sendImageEncoded");
    QTest::addColumn<int>("focusedSlot"); // 0: the focus was not moved

    const QString reselect = QStringLiteral("Please Re-Select available COM PORT");
    const QString readQ = QStringLiteral("Read from Radio?");
    const QString writeQ = QStringLiteral("Write Data to Radio?");
    QTest::newRow("read: port cannot be opened") << "read"
                                                 << "open" << QStringList{reselect} << false << false << false << 0;
    QTest::newRow("read: answered No") << "read"
                                       << "no" << QStringList{readQ} << true << false << false << 0;
    // Every session that ends short of a completed write lets go of the port.
    QTest::newRow("read: command cannot be sent")
        << "read"
        << "send" << QStringList{readQ, reselect} << false << true << false << 0;
    QTest::newRow("write: answered No") << "write"
                                        << "no" << QStringList{writeQ} << false << false << false << 0;
    QTest::newRow("write: empty sheet") << "write"
                                        << "empty" << QStringList{writeQ, QStringLiteral("Data is Empty")} << false
                                        << false << false << 0;
    QTest::newRow("write: field without digit form")
        << "write"
        << "field" << QStringList{writeQ, QStringLiteral("Confirm Frequency Range!")} << false << false << false << 4;
    QTest::newRow("write: port cannot be opened")
        << "write"
        << "open" << QStringList{writeQ, reselect} << false << false << true << 0;
    // A comport.map that is there but no map: no COM port has a device.
    QTest::newRow("read: comport.map unusable") << "read"
                                                << "map" << QStringList{reselect} << false << false << false << 0;
    QTest::newRow("write: comport.map unusable")
        << "write"
        << "map" << QStringList{writeQ, reselect} << false << false << true << 0;
    QTest::newRow("COM2: comport.map unusable") << "COM2"
                                                << "map" << QStringList{reselect} << false << false << false << 0;
    QTest::newRow("write: command cannot be sent")
        << "write"
        << "send" << QStringList{writeQ, reselect} << false << false << true << 0;
}

void TestExchangeWindow::windowGatesBeforeTheCommand()
{
    QFETCH(QString, operation);
    QFETCH(QString, trouble);
    QFETCH(QStringList, messages);
    QFETCH(bool, portOpen);
    QFETCH(bool, imagesZeroed);
    QFETCH(bool, sendImageEncoded);
    QFETCH(int, focusedSlot);

    WindowRig rig;
    rig.parts.document.sendImage(2, 2) = 7;
    const RadioImage before = rig.parts.document.sendImage;
    if (trouble != QLatin1String("empty")) {
        rig.setField(kCh1Rx, QStringLiteral("40.0125"));
        rig.setField(kCh1Tx,
                     trouble == QLatin1String("field") ? QStringLiteral("105.0000") : QStringLiteral("40.5000"));
    }
    if (trouble == QLatin1String("open"))
        rig.serial.failOpens(QStringLiteral("Permission denied"));
    if (trouble == QLatin1String("send"))
        rig.serial.failSend(1, QStringLiteral("Input/output error"));
    // Named as the system writes paths (backslashes on Windows).
    const QString map = QDir::toNativeSeparators(applicationFile(QStringLiteral("comport.map")));
    if (trouble == QLatin1String("map"))
        QVERIFY(QDir().mkpath(map));
    rig.dialogs.answer(trouble == QLatin1String("no") ? MessageResult::No : MessageResult::Yes);
    QWidget *focusBefore = rig.window.focusWidget();

    if (operation == QLatin1String("COM2"))
        portItemOf(rig.window, 2)->trigger();
    else
        (operation == QLatin1String("read") ? findButton(rig.window, "Cmd_Read") : findButton(rig.window, "Cmd_Write"))
            ->click();

    QCOMPARE(rig.dialogs.messageTexts(), messages);
    QVERIFY(rig.serial.sent.isEmpty());
    QCOMPARE(rig.serial.isOpen(), portOpen);
    QVERIFY(!rig.parts.session.exchange().responseTimer().isActive());
    QCOMPARE(rig.parts.document.sendImage == RadioImage(), imagesZeroed);
    if (sendImageEncoded) {
        QCOMPARE(rig.parts.document.sendImage(0, 0), std::uint8_t(4));
    } else if (!imagesZeroed) {
        QCOMPARE(rig.parts.document.sendImage, before);
    }
    QCOMPARE(rig.window.focusWidget(), focusedSlot > 0 ? txFieldOf(rig.window, focusedSlot - 3) : focusBefore);
    const MessageRequest &box = rig.dialogs.messages.last();
    if (trouble == QLatin1String("open") || trouble == QLatin1String("send")) {
        // The box says what to fix: the device and the system's reason.
        QCOMPARE(box.title, QString());
        QCOMPARE(box.icon, MessageIcon::None);
        QCOMPARE(box.buttons, MessageButtons::Ok);
        const QString reason = trouble == QLatin1String("open") ? QStringLiteral("Permission denied")
                                                                : QStringLiteral("Input/output error");
        QCOMPARE(box.informativeText, rig.parts.portSetting.portDevice() + QStringLiteral(": ") + reason);
    } else if (trouble == QLatin1String("map")) {
        // Nothing opened, and the box names the map and why.
        const QString port = operation == QLatin1String("COM2") ? QStringLiteral("COM2") : QStringLiteral("COM1");
        QCOMPARE(box, (MessageRequest{QStringLiteral("Please Re-Select available COM PORT"), QString(),
                                      MessageIcon::None, MessageButtons::Ok, MessageResult::Ok,
                                      port + QStringLiteral(": the device map ") + map +
                                          QStringLiteral(": it is a folder")}));
        QCOMPARE(rig.serial.opens, 0);
    } else if (trouble == QLatin1String("empty") || trouble == QLatin1String("field")) {
        QCOMPARE(box.title, trouble == QLatin1String("empty") ? QStringLiteral("No Data") : QStringLiteral("Error"));
        QCOMPARE(box.icon, MessageIcon::Critical);
    }
    // Where the port was never needed, it was never touched.
    if (operation == QLatin1String("write") && trouble != QLatin1String("send"))
        QCOMPARE(rig.serial.opens, 0);
}

void TestExchangeWindow::windowShowsOutcomesAsDesigned_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<MessageRequest>("box"); // the last box shown

    const auto critical = [](const char *text) {
        return MessageRequest{QString::fromLatin1(text), QStringLiteral("Error"), MessageIcon::Critical,
                              MessageButtons::Ok,        MessageResult::Ok,       {}};
    };
    QTest::newRow("read question") << "read" << QStringList{}
                                   << MessageRequest{QStringLiteral("Read from Radio?"),
                                                     QStringLiteral("Read"),
                                                     MessageIcon::Question,
                                                     MessageButtons::YesNo,
                                                     MessageResult::Yes,
                                                     {}};
    QTest::newRow("write question") << "write" << QStringList{}
                                    << MessageRequest{QStringLiteral("Write Data to Radio?"),
                                                      QStringLiteral("Write"),
                                                      MessageIcon::Question,
                                                      MessageButtons::YesNo,
                                                      MessageResult::Yes,
                                                      {}};
    QTest::newRow("communication error") << "read" << QStringList{"0f"} << critical("Communication Error");
    QTest::newRow("wrong checksum") << "read" << QStringList{"0e", "badblock"} << critical("Communication Error");
    QTest::newRow("write error") << "write" << QStringList{"0f", "55"} << critical("Write Error");
    QTest::newRow("time-out") << "write" << QStringList{"timeout"} << critical("Connection Error to Radio");
    MessageRequest failed = critical("Communication Error");
    failed.informativeText = QStringLiteral("device gone");
    QTest::newRow("port failure") << "read" << QStringList{"fail"} << failed;
}

void TestExchangeWindow::windowShowsOutcomesAsDesigned()
{
    QFETCH(QString, operation);
    QFETCH(QStringList, steps);
    QFETCH(MessageRequest, box);

    WindowRig rig;
    rig.setField(kCh1Rx, QStringLiteral("40.0125"));
    rig.setField(kCh1Tx, QStringLiteral("40.5000"));
    rig.setField(kCh2Rx, kShownBefore);
    rig.dialogs.answer(MessageResult::Yes);
    (operation == QLatin1String("read") ? findButton(rig.window, "Cmd_Read") : findButton(rig.window, "Cmd_Write"))
        ->click();
    for (const QString &step : steps) {
        if (step == QLatin1String("timeout")) {
            QSignalSpy expired(&rig.parts.session.exchange().responseTimer(), &QTimer::timeout);
            QVERIFY(expired.wait(5000));
        } else if (step == QLatin1String("fail")) {
            rig.serial.failPort(QStringLiteral("device gone"));
        } else if (step == QLatin1String("badblock")) {
            QByteArray bad = kExampleBlock;
            bad[36] = '\x16';
            rig.serial.inject(bad);
        } else {
            rig.serial.inject(QByteArray::fromHex(step.toLatin1()));
        }
    }
    QVERIFY(!rig.dialogs.messages.isEmpty());
    if (box.text == QLatin1String("Connection Error to Radio")) // what to check, naming the device
        box.informativeText = connectionErrorDetail(rig.serial.device());
    QCOMPARE(rig.dialogs.messages.last(), box);
    QCOMPARE(rig.dialogs.messages.size(), steps.isEmpty() ? 1 : 2);
    // A failed read leaves the sheet as it was.
    QCOMPARE(rig.fieldText(kCh2Rx), kShownBefore);
}

void TestExchangeWindow::timeOutBoxNeverStacks()
{
    WindowRig rig;
    bool checked = false;
    rig.dialogs.onMessage([&](const MessageRequest &request) {
        if (request.text != QLatin1String("Connection Error to Radio"))
            return;
        // While the box is up: nothing armed, port closed, a late answer is lost.
        QVERIFY(!rig.parts.session.exchange().responseTimer().isActive());
        QVERIFY(!rig.serial.isOpen());
        rig.serial.inject(QByteArray(1, '\x0e'));
        checked = true;
    });
    QSignalSpy finished(&rig.parts.session.exchange(), &ProgrammingExchange::finished);
    QCOMPARE(rig.parts.session.exchange().responseTimeout(), 150ms);
    QCOMPARE(ProgrammingExchange(rig.serial).responseTimeout(), 1000ms);
    rig.dialogs.answer(MessageResult::Yes);
    findButton(rig.window, "Cmd_Read")->click();
    QVERIFY(finished.wait(5000));
    QVERIFY(checked);
    QCOMPARE(rig.parts.session.exchange().state(), LinkState::ReadRequested);
    // Nothing left armed, and a time-out now ends nothing: still the one box.
    QVERIFY(!rig.parts.session.exchange().isRunning());
    QVERIFY(!rig.parts.session.exchange().responseTimer().isActive());
    ExchangeProbe::expireResponseTimeout(rig.parts.session.exchange());
    QCOMPARE(finished.size(), 1);
    QCOMPARE(rig.dialogs.messageTexts(),
             (QStringList{QStringLiteral("Read from Radio?"), QStringLiteral("Connection Error to Radio")}));
}

void TestExchangeWindow::completedWriteLeavesPortForNextRead()
{
    WindowRig rig;
    rig.setField(kCh1Rx, QStringLiteral("40.0125"));
    rig.setField(kCh1Tx, QStringLiteral("40.5000"));
    rig.dialogs.answer(MessageResult::Yes);
    findButton(rig.window, "Cmd_Write")->click();
    rig.serial.inject(QByteArray::fromHex("0f"));
    rig.serial.inject(QByteArray::fromHex("77"));
    QVERIFY(rig.serial.isOpen());
    rig.setField(kCh1Rx, kShownBefore);
    rig.dialogs.answer(MessageResult::Yes);
    findButton(rig.window, "Cmd_Read")->click();
    QCOMPARE(rig.serial.opens, 1); // READ found it open
    rig.serial.inject(QByteArray::fromHex("0e"));
    rig.serial.inject(kExampleBlock);
    QVERIFY(!rig.serial.isOpen());
    QCOMPARE(rig.fieldText(kCh1Rx), QStringLiteral("40.0125"));
    QCOMPARE(rig.fieldText(kCh1Tx), QStringLiteral("40.5000"));
    QCOMPARE(findField(rig.window, "Txt_Model")->text(), QStringLiteral("KV-7719NEW"));
    QCOMPARE(rig.parts.document.sendImage, RadioImage()); // the read's question zeroed it
    QCOMPARE(rig.dialogs.messageTexts(),
             (QStringList{QStringLiteral("Write Data to Radio?"), QStringLiteral("Read from Radio?")}));
}

void TestExchangeWindow::writeRefusedByTheEncoderSendsNothingLater()
{
    // After a completed write the port stays open; a WRITE of an empty sheet
    // must not leave the engine waiting for a 0x0F that would send a block unasked.
    WindowRig rig;
    rig.setField(kCh1Rx, QStringLiteral("40.0125"));
    rig.dialogs.answer(MessageResult::Yes);
    findButton(rig.window, "Cmd_Write")->click();
    rig.serial.inject(QByteArray::fromHex("0f"));
    rig.serial.inject(QByteArray::fromHex("77"));
    rig.setField(kCh1Rx, QString());
    rig.dialogs.answer(MessageResult::Yes);
    findButton(rig.window, "Cmd_Write")->click();
    rig.serial.inject(QByteArray::fromHex("0f"));
    QCOMPARE(rig.serial.sent.size(), 2); // 0xF0 and the first block only
    // The write was done at its 0x77: the late 0x0F is only traced.
    QCOMPARE(rig.dialogs.messageTexts().mid(2), QStringList{QStringLiteral("Data is Empty")});
    const QStringList lines = rig.parts.trace.text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.at(lines.size() - 2), QStringLiteral("= ok"));
    QVERIFY2(lines.constLast().endsWith(QStringLiteral("<- 0F")), qPrintable(lines.constLast()));
}

QTEST_MAIN(TestExchangeWindow)
#include "tst_exchangewindow.moc"
