// READ and WRITE through the real window and the real serial service, with
// the simulated radio on the other end of a pseudo-terminal.
#include "link/programmingexchange.h"
#include "link/radioprotocol.h"
#include "sheet/channelsheet.h"
#include "simulatedradio.h"
#include "support/radiolog.h"
#include "support/windowfixture.h"

#include <QAbstractEventDispatcher>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

using namespace kav;
using kav::sim::Fault;
using kav::sim::LogEntry;
using kav::sim::SimulatedRadio;

namespace {

// All six frequencies set, digits 0-9 only.
const QByteArray kFullPlan = QByteArray::fromHex("030800000000030801020500"
                                                 "040001020500040101020500"
                                                 "040203000000040203070500");

// Counts socket activations: a port that spins on a dead device shows here.
class ActivationCounter : public QObject
{
public:
    int activations = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::SockAct)
            ++activations;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

class TestRadioLink : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void readsPlanFromRadio();
    void writesSheetToRadio();
    void readShownAndWrittenBackSendsSameBytes();
    void faultsEndWithTheirMessage_data();
    void faultsEndWithTheirMessage();
    void hangUpEndsOnceWithoutSpinning();
    void readAnsweredNoSendsNothing();
    void readWithMissingDeviceSaysWhy();

private:
    [[nodiscard]] bool startWith(Fault fault, const QByteArray &image, const QString &device = {});
    void forgetOutcomes();
    void clickRead();
    void clickWrite();
    [[nodiscard]] bool waitForOutcome(int timeoutMs = 6000);

    std::unique_ptr<SimulatedRadio> radio;
    std::unique_ptr<WindowFixture> f;
    std::unique_ptr<QSignalSpy> readDone, writeDone, failed;
};

void TestRadioLink::init()
{
    radio = std::make_unique<SimulatedRadio>();
    f = std::make_unique<WindowFixture>();
}

void TestRadioLink::cleanup()
{
    readDone.reset();
    writeDone.reset();
    failed.reset();
    f.reset(); // closes the port before the radio goes
    radio.reset();
}

bool TestRadioLink::startWith(Fault fault, const QByteArray &image, const QString &device)
{
    radio->setImage(image);
    if (!radio->openPty())
        return false;
    if (!f->writePortMap("COM1=" + QFile::encodeName(device.isEmpty() ? radio->programPath() : device) + '\n'))
        return false;
    f->start();
    if (!f->show())
        return false;
    radio->setFault(fault); // babbling starts only now, after start-up's port check
    ProgrammingExchange &exchange = f->window->exchange();
    readDone = std::make_unique<QSignalSpy>(&exchange, &ProgrammingExchange::readCompleted);
    writeDone = std::make_unique<QSignalSpy>(&exchange, &ProgrammingExchange::writeCompleted);
    failed = std::make_unique<QSignalSpy>(&exchange, &ProgrammingExchange::exchangeFailed);
    radio->line().clearLog();
    f->dialogs.clear();
    return true;
}

void TestRadioLink::clickRead()
{
    forgetOutcomes();
    f->dialogs.answer(MessageResult::Yes);
    QTest::mouseClick(f->window->Cmd_Read, Qt::LeftButton);
}

void TestRadioLink::clickWrite()
{
    forgetOutcomes();
    f->dialogs.answer(MessageResult::Yes);
    QTest::mouseClick(f->window->Cmd_Write, Qt::LeftButton);
}

void TestRadioLink::forgetOutcomes()
{
    readDone->clear();
    writeDone->clear();
    failed->clear();
}

bool TestRadioLink::waitForOutcome(int timeoutMs)
{
    return QTest::qWaitFor([&] { return readDone->size() + writeDone->size() + failed->size() > 0; }, timeoutMs);
}

void TestRadioLink::readsPlanFromRadio()
{
    QVERIFY(startWith(Fault::None, kExample));
    MainWindow &w = *f->window;
    clickRead();
    QVERIFY(waitForOutcome());
    QCOMPARE(readDone->size(), 1);
    QCOMPARE(f->dialogs.messageTexts(), QStringList{QStringLiteral("Read from Radio?")});
    QCOMPARE(w.Txt_Rx1->text(), QStringLiteral("40.0125"));
    QCOMPARE(w.Txt_Tx1->text(), QStringLiteral("40.5000"));
    for (QLineEdit *field : {w.Txt_Rx2, w.Txt_Rx3, w.Txt_Tx2, w.Txt_Tx3})
        QCOMPARE(field->text(), QString());
    QCOMPARE(w.Txt_Model->text(), QStringLiteral("KV-7719NEW"));
    QCOMPARE(f->data.ReceiveImage.toLinear(), kExample);
    QCOMPARE(int(f->data.LinkState), int(LinkStates::ImageExpected));
    QVERIFY(!f->serial.isOpen());
    QVERIFY(!w.exchange().Timer1().isActive());

    // On the wire: the command, then the radio's acknowledge and block, then the program's 0x77.
    QTRY_COMPARE(bytesOf(*radio, LogEntry::Received), QByteArray::fromHex("e077"));
    QCOMPARE(bytesOf(*radio, LogEntry::Sent), '\x0e' + kExample + '\x15');
}

void TestRadioLink::writesSheetToRadio()
{
    QVERIFY(startWith(Fault::None, QByteArray(36, '\x09')));
    MainWindow &w = *f->window;
    QSignalSpy stored(radio.get(), &SimulatedRadio::imageWritten);
    WindowFixture::type(w.Txt_Rx1, QStringLiteral("40.0125"));
    WindowFixture::type(w.Txt_Tx1, QStringLiteral("40.5"));
    clickWrite();
    QVERIFY(waitForOutcome());
    QCOMPARE(writeDone->size(), 1);
    QCOMPARE(f->dialogs.messageTexts(), QStringList{QStringLiteral("Write Data to Radio?")});
    QCOMPARE(stored.size(), 1);
    QCOMPARE(radio->image(), kExample);
    QCOMPARE(f->data.SendImage.toLinear(), kExample);
    QCOMPARE(bytesOf(*radio, LogEntry::Received), '\xf0' + kExample + '\x15');
    QCOMPARE(bytesOf(*radio, LogEntry::Sent), QByteArray::fromHex("0f77"));
    QCOMPARE(int(f->data.LinkState), int(LinkStates::ImageSent));
    QVERIFY(f->serial.isOpen()); // a completed write leaves the port open
}

void TestRadioLink::readShownAndWrittenBackSendsSameBytes()
{
    QVERIFY(startWith(Fault::None, kFullPlan));
    clickRead();
    QVERIFY(waitForOutcome());
    QCOMPARE(readDone->size(), 1);
    QTRY_COMPARE(bytesOf(*radio, LogEntry::Received), QByteArray::fromHex("e077"));
    const QByteArray readBlock = bytesOf(*radio, LogEntry::Sent).mid(1);
    radio->line().clearLog();
    radio->setImage(QByteArray(36, '\0'));

    clickWrite();
    QVERIFY(waitForOutcome());
    QCOMPARE(f->dialogs.messageTexts(),
             (QStringList{QStringLiteral("Read from Radio?"), QStringLiteral("Write Data to Radio?")}));
    QCOMPARE(writeDone->size(), 1);
    QCOMPARE(bytesOf(*radio, LogEntry::Received), '\xf0' + readBlock);
    QCOMPARE(readBlock, kFullPlan + char(SimulatedRadio::checksum(kFullPlan)));
    QCOMPARE(radio->image(), kFullPlan);
}

void TestRadioLink::faultsEndWithTheirMessage_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("message"); // empty: the exchange completes
    QTest::addColumn<int>("linkState");
    QTest::addColumn<bool>("portOpen");
    QTest::addColumn<QByteArray>("programSent"); // what the radio received, when it matters

    const QString comm = QStringLiteral("Communication Error");
    const QString conn = QStringLiteral("Connection Error to Radio");
    const QString werr = QStringLiteral("Write Error");
    const QByteArray any = "*";
    QTest::newRow("read: silent") << "read" << Fault::Silent << conn << 4 << false << QByteArray("\xe0");
    QTest::newRow("read: wrong ack") << "read" << Fault::WrongAcknowledge << comm << 4 << false
                                     << QByteArray("\xe0");
    QTest::newRow("read: bad checksum") << "read" << Fault::BadChecksum << comm << 5 << false
                                        << QByteArray::fromHex("e055");
    QTest::newRow("read: ack with block") << "read" << Fault::AckWithBlock << conn << 5 << false
                                          << QByteArray("\xe0");
    QTest::newRow("read: extra bytes") << "read" << Fault::ExtraBytes << QString() << 5 << false
                                       << QByteArray::fromHex("e077");
    QTest::newRow("read: late ack") << "read" << Fault::LateAcknowledge << conn << 4 << false
                                    << QByteArray("\xe0");
    QTest::newRow("read: short block") << "read" << Fault::ShortBlock << conn << 5 << false << QByteArray("\xe0");
    QTest::newRow("read: hang-up in block") << "read" << Fault::HangUpInBlock << comm << 5 << false
                                            << QByteArray("\xe0");
    QTest::newRow("read: babbling") << "read" << Fault::Babbling << comm << 4 << false << QByteArray("\xe0");
    QTest::newRow("write: silent") << "write" << Fault::Silent << conn << 1 << false << QByteArray("\xf0");
    QTest::newRow("write: wrong ack") << "write" << Fault::WrongAcknowledge << comm << 1 << false
                                      << QByteArray("\xf0");
    QTest::newRow("write: block answered 0x55") << "write" << Fault::RejectBlock << werr << 2 << false << any;
    QTest::newRow("write: late ack") << "write" << Fault::LateAcknowledge << conn << 1 << false
                                     << QByteArray("\xf0");
    QTest::newRow("write: hang-up in block") << "write" << Fault::HangUpInBlock << comm << 2 << false << any;
    QTest::newRow("write: babbling") << "write" << Fault::Babbling << comm << 1 << false << QByteArray("\xf0");
}

void TestRadioLink::faultsEndWithTheirMessage()
{
    QFETCH(QString, operation);
    QFETCH(Fault, fault);
    QFETCH(QString, message);
    QFETCH(int, linkState);
    QFETCH(bool, portOpen);
    QFETCH(QByteArray, programSent);

    const QByteArray radioImage = QByteArray(36, '\x03');
    QVERIFY(startWith(fault, operation == QLatin1String("read") ? kExample : radioImage));
    MainWindow &w = *f->window;
    w.Txt_Rx2->setText(QStringLiteral("41.0000")); // what the sheet shows before
    const bool reading = operation == QLatin1String("read");
    if (reading)
        clickRead();
    else
        clickWrite();
    QVERIFY(waitForOutcome());

    if (message.isEmpty()) {
        QCOMPARE(failed->size(), 0);
        QCOMPARE(f->dialogs.messages.size(), 1);
    } else {
        QCOMPARE(f->dialogs.messageTexts().mid(1), QStringList{message});
        const MessageRequest &box = f->dialogs.messages.last();
        QCOMPARE(box.title, QStringLiteral("Error"));
        QCOMPARE(box.icon, MessageIcon::Critical);
        QCOMPARE(box.buttons, MessageButtons::Ok);
    }
    QCOMPARE(int(f->data.LinkState), linkState);
    QCOMPARE(f->serial.isOpen(), portOpen);
    QVERIFY(!w.exchange().Timer1().isActive());

    if (reading && message.isEmpty()) {
        QCOMPARE(f->data.ReceiveImage.toLinear(), kExample);
        QCOMPARE(w.Txt_Rx1->text(), QStringLiteral("40.0125"));
        QCOMPARE(w.Txt_Rx2->text(), QString());
    } else if (reading) {
        // A failed read leaves the sheet as it was and both images zeroed.
        QCOMPARE(f->data.ReceiveImage, RadioImage());
        QCOMPARE(f->data.SendImage, RadioImage());
        QCOMPARE(w.Txt_Rx2->text(), QStringLiteral("41.0000"));
    } else {
        QCOMPARE(radio->image(), radioImage); // the radio kept its plan
        QCOMPARE(f->data.SendImage(2, 1), std::uint8_t(4));
    }
    if (programSent != "*")
        QTRY_COMPARE(bytesOf(*radio, LogEntry::Received), programSent);

    // Whatever the radio still sends lands on a closed port: one message only.
    if (fault == Fault::LateAcknowledge)
        QTRY_VERIFY_WITH_TIMEOUT(bytesOf(*radio, LogEntry::Dropped).startsWith(reading ? '\x0e' : '\x0f'), 3000);
    if (fault == Fault::Babbling)
        QTRY_VERIFY(!bytesOf(*radio, LogEntry::Dropped).isEmpty());
    if (fault == Fault::ExtraBytes) // taken with the block's last byte, and dropped
        QCOMPARE(bytesOf(*radio, LogEntry::Sent), '\x0e' + kExample + '\x15' + QByteArray::fromHex("aa550e"));
    QVERIFY(!failed->wait(300));
    QCOMPARE(failed->size(), message.isEmpty() ? 0 : 1);
}

void TestRadioLink::hangUpEndsOnceWithoutSpinning()
{
    QVERIFY(startWith(Fault::HangUpInBlock, kExample));
    QSignalSpy portFailed(&f->serial, &SerialService::portFailed);
    QSignalSpy notified(&f->serial, &SerialService::commEvent);
    clickRead();
    QVERIFY(waitForOutcome());
    QCOMPARE(failed->size(), 1);
    QCOMPARE(portFailed.size(), 1);
    QVERIFY(!f->serial.isOpen());
    QVERIFY(!f->dialogs.messages.last().informativeText.isEmpty()); // says what happened to the port

    // A dead device that is still watched wakes the loop thousands of times a second.
    ActivationCounter counter;
    qApp->installEventFilter(&counter);
    const qsizetype before = notified.size();
    QVERIFY(!failed->wait(300));
    qApp->removeEventFilter(&counter);
    QVERIFY2(counter.activations <= 2, qPrintable(QString::number(counter.activations)));
    QCOMPARE(notified.size(), before);
    QCOMPARE(portFailed.size(), 1);
    QCOMPARE(f->dialogs.messages.size(), 2); // the question and the one error
}

void TestRadioLink::readAnsweredNoSendsNothing()
{
    QVERIFY(startWith(Fault::None, kExample));
    f->dialogs.answer(MessageResult::No);
    QTest::mouseClick(f->window->Cmd_Read, Qt::LeftButton);
    QCOMPARE(f->dialogs.messageTexts(), QStringList{QStringLiteral("Read from Radio?")});
    QVERIFY(f->serial.isOpen());
    QVERIFY(QTest::qWaitFor([&] { return radio->line().isConnected(); }, 2000));
    QVERIFY(!failed->wait(200));
    QVERIFY(bytesOf(*radio, LogEntry::Received).isEmpty());
}

void TestRadioLink::readWithMissingDeviceSaysWhy()
{
    const QString missing = QStringLiteral("/dev/kavrilink-no-such-device");
    QVERIFY(startWith(Fault::None, kExample, missing));
    clickRead();
    QCOMPARE(f->dialogs.messageTexts(), QStringList{QStringLiteral("Please Re-Select available COM PORT")});
    const MessageRequest &box = f->dialogs.messages.first();
    QCOMPARE(box.title, QString());
    QCOMPARE(box.icon, MessageIcon::None);
    QVERIFY2(box.informativeText.contains(missing), qPrintable(box.informativeText));
    QCOMPARE(int(f->data.LinkState), 0);
    QVERIFY(!f->serial.isOpen());
}

QTEST_MAIN(TestRadioLink)
#include "tst_radiolink.moc"
