// READ and WRITE through the real window and the real serial service, with
// the simulated radio on the other end of a pseudo-terminal.
#include "link/linetrace.h"
#include "link/programmingexchange.h"
#include "sheet/channelsheet.h"
#include "support/radiolog.h"
#include "support/radiowindowfixture.h"

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

} // namespace

class TestRadioLink : public QObject
{
    Q_OBJECT

private slots:
    void init() { f = std::make_unique<RadioWindowFixture>(); }
    void cleanup() { f.reset(); }

    void readsPlanFromRadio();
    void writesSheetToRadio();
    void readShownAndWrittenBackSendsSameBytes();
    void faultsEndWithTheirMessage_data();
    void faultsEndWithTheirMessage();
    void readAnsweredNoSendsNothing();
    void readWithMissingDeviceSaysWhy();

private:
    // The outcomes of the exchanges since the click, Ok included.
    QList<ExchangeOutcome> outcomes() const;

    std::unique_ptr<RadioWindowFixture> f;
};

QList<ExchangeOutcome> TestRadioLink::outcomes() const
{
    QList<ExchangeOutcome> all;
    for (const QList<QVariant> &args : *f->exchangeEnds)
        all.append(args.at(0).value<ExchangeResult>().outcome);
    return all;
}

void TestRadioLink::readsPlanFromRadio()
{
    QVERIFY(f->startWithRadio(kExample));
    f->clickRead();
    QVERIFY(f->waitForSessionEnd());
    QCOMPARE(outcomes(), QList<ExchangeOutcome>{ExchangeOutcome::Ok});
    QCOMPARE(f->dialogs.messageTexts(), QStringList{QStringLiteral("Read from Radio?")});
    QCOMPARE(f->rxField(1)->text(), QStringLiteral("40.0125"));
    QCOMPARE(f->txField(1)->text(), QStringLiteral("40.5000"));
    for (QLineEdit *field : {f->rxField(2), f->rxField(3), f->txField(2), f->txField(3)})
        QCOMPARE(field->text(), QString());
    QCOMPARE(f->field(QStringLiteral("Txt_Model"))->text(), QStringLiteral("KV-7719NEW"));
    QCOMPARE(f->exchange().state(), LinkState::ImageExpected);
    QVERIFY(!f->serial.isOpen());
    QVERIFY(!f->exchange().responseTimer().isActive());

    // On the wire: the command, then the radio's acknowledge and block, then the program's 0x77.
    QTRY_COMPARE(bytesOf(f->radio, LogEntry::Received), QByteArray::fromHex("e077"));
    QCOMPARE(bytesOf(f->radio, LogEntry::Sent), '\x0e' + kExample + '\x15');
}

void TestRadioLink::writesSheetToRadio()
{
    QVERIFY(f->startWithRadio(QByteArray(36, '\x09')));
    QSignalSpy stored(&f->radio, &RadioThread::imageWritten);
    WindowFixture::type(f->rxField(1), QStringLiteral("40.0125"));
    WindowFixture::type(f->txField(1), QStringLiteral("40.5"));
    f->clickWrite();
    QVERIFY(f->waitForSessionEnd());
    QCOMPARE(outcomes(), QList<ExchangeOutcome>{ExchangeOutcome::Ok});
    QCOMPARE(f->dialogs.messageTexts(), QStringList{QStringLiteral("Write Data to Radio?")});
    // The radio stores before it answers 0x77, and says so on its own thread.
    QTRY_COMPARE(stored.size(), 1);
    QCOMPARE(f->radio.image(), kExample);
    QCOMPARE(f->parts->document.sendImage.toLinear(), kExample);
    QCOMPARE(bytesOf(f->radio, LogEntry::Received), '\xf0' + kExample + '\x15');
    QCOMPARE(bytesOf(f->radio, LogEntry::Sent), QByteArray::fromHex("0f77"));
    QCOMPARE(f->exchange().state(), LinkState::ImageSent);
    QVERIFY(f->serial.isOpen()); // a completed write leaves the port open
}

void TestRadioLink::readShownAndWrittenBackSendsSameBytes()
{
    QVERIFY(f->startWithRadio(kFullPlan));
    f->clickRead();
    QVERIFY(f->waitForSessionEnd());
    QCOMPARE(outcomes(), QList<ExchangeOutcome>{ExchangeOutcome::Ok});
    QTRY_COMPARE(bytesOf(f->radio, LogEntry::Received), QByteArray::fromHex("e077"));
    const QByteArray readBlock = bytesOf(f->radio, LogEntry::Sent).mid(1);
    f->radio.clearLog();
    f->radio.setImage(QByteArray(36, '\0'));

    f->clickWrite();
    QVERIFY(f->waitForSessionEnd());
    QCOMPARE(f->dialogs.messageTexts(), QStringList{QStringLiteral("Write Data to Radio?")});
    QCOMPARE(outcomes(), QList<ExchangeOutcome>{ExchangeOutcome::Ok});
    QCOMPARE(bytesOf(f->radio, LogEntry::Received), '\xf0' + readBlock);
    QCOMPARE(readBlock, kFullPlan + char(SimulatedRadio::checksum(kFullPlan)));
    QCOMPARE(f->radio.image(), kFullPlan);
}

void TestRadioLink::faultsEndWithTheirMessage_data()
{
    // Silence, late acknowledges, hang-ups and babbling are tst_faults' own, with what follows them.
    QTest::addColumn<QString>("operation");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("message"); // empty: the exchange completes
    QTest::addColumn<LinkState>("state");
    QTest::addColumn<QByteArray>("programSent"); // what the radio received, when it matters

    const QString comm = QStringLiteral("Communication Error");
    const QString conn = QStringLiteral("Connection Error to Radio");
    const QString werr = QStringLiteral("Write Error");
    const QByteArray any = "*";
    QTest::newRow("read: wrong ack") << "read" << Fault::WrongAcknowledge << comm << LinkState::ReadRequested
                                     << QByteArray("\xe0");
    QTest::newRow("read: bad checksum") << "read" << Fault::BadChecksum << comm << LinkState::ImageExpected
                                        << QByteArray::fromHex("e055");
    // 0x0E and the block in one burst: the block is read.
    QTest::newRow("read: ack with block")
        << "read" << Fault::AckWithBlock << QString() << LinkState::ImageExpected << QByteArray::fromHex("e077");
    QTest::newRow("read: extra bytes") << "read" << Fault::ExtraBytes << QString() << LinkState::ImageExpected
                                       << QByteArray::fromHex("e077");
    QTest::newRow("read: short block") << "read" << Fault::ShortBlock << conn << LinkState::ImageExpected
                                       << QByteArray("\xe0");
    QTest::newRow("write: wrong ack") << "write" << Fault::WrongAcknowledge << comm << LinkState::WriteRequested
                                      << QByteArray("\xf0");
    QTest::newRow("write: block answered 0x55") << "write" << Fault::RejectBlock << werr << LinkState::ImageSent << any;
}

void TestRadioLink::faultsEndWithTheirMessage()
{
    QFETCH(QString, operation);
    QFETCH(Fault, fault);
    QFETCH(QString, message);
    QFETCH(LinkState, state);
    QFETCH(QByteArray, programSent);

    const bool reading = operation == QLatin1String("read");
    const QByteArray radioImage = QByteArray(36, '\x03');
    QVERIFY(f->startWithRadio(reading ? kExample : radioImage));
    f->radio.setFault(fault);
    f->rxField(2)->setText(QStringLiteral("41.0000")); // what the sheet shows before
    if (reading)
        f->clickRead();
    else
        f->clickWrite();
    QVERIFY(f->waitForSessionEnd());

    if (message.isEmpty()) {
        QCOMPARE(f->failures(), 0);
        QCOMPARE(f->dialogs.messages.size(), 1);
    } else {
        QCOMPARE(f->dialogs.messageTexts().mid(1), QStringList{message});
        const MessageRequest &box = f->dialogs.messages.last();
        QCOMPARE(box.title, QStringLiteral("Error"));
        QCOMPARE(box.icon, MessageIcon::Critical);
        QCOMPARE(box.buttons, MessageButtons::Ok);
    }
    QCOMPARE(f->exchange().state(), state);
    QVERIFY(!f->serial.isOpen());

    if (reading && message.isEmpty()) {
        QCOMPARE(f->rxField(1)->text(), QStringLiteral("40.0125"));
        QCOMPARE(f->rxField(2)->text(), QString());
    } else if (reading) {
        // A failed read leaves the sheet as it was and the send image zeroed.
        QCOMPARE(f->parts->document.sendImage, RadioImage());
        QCOMPARE(f->rxField(2)->text(), QStringLiteral("41.0000"));
    } else {
        QCOMPARE(f->radio.image(), radioImage); // the radio kept its plan
        QCOMPARE(f->parts->document.sendImage(1, 0), std::uint8_t(4));
    }
    if (programSent != "*")
        QTRY_COMPARE(bytesOf(f->radio, LogEntry::Received), programSent);
    if (fault == Fault::ExtraBytes) // taken with the block's last byte, and dropped
        QCOMPARE(bytesOf(f->radio, LogEntry::Sent), '\x0e' + kExample + '\x15' + QByteArray::fromHex("aa550e"));
    // Whatever the radio still sends lands on a closed port, and nothing is
    // armed that could end anything again: one message only.
    QVERIFY(f->isQuiet());
    QCOMPARE(f->failures(), message.isEmpty() ? 0 : 1);
}

void TestRadioLink::readAnsweredNoSendsNothing()
{
    QVERIFY(f->startWithRadio(kExample));
    f->click(f->button(QStringLiteral("Cmd_Read")), MessageResult::No);
    QCOMPARE(f->dialogs.messageTexts(), QStringList{QStringLiteral("Read from Radio?")});
    QVERIFY(f->serial.isOpen());
    // No exchange began: nothing armed, nothing in the line trace.
    QVERIFY(f->isQuiet());
    QVERIFY(f->exchangeEnds->isEmpty());
    QVERIFY(f->parts->trace.isEmpty());
    // The next READ, on the port left open, is the first thing the radio hears.
    f->clickRead();
    QVERIFY(f->waitForSessionEnd());
    QCOMPARE(f->failures(), 0);
    QTRY_COMPARE(bytesOf(f->radio, LogEntry::Received), QByteArray::fromHex("e077"));
}

void TestRadioLink::readWithMissingDeviceSaysWhy()
{
    // COM1 leads to a device that is not there.
    f->start();
    QVERIFY(f->show());
    f->watchSessions();
    f->clickRead();
    QCOMPARE(f->dialogs.messageTexts(), QStringList{QStringLiteral("Please Re-Select available COM PORT")});
    const MessageRequest &box = f->dialogs.messages.first();
    QCOMPARE(box.title, QString());
    QCOMPARE(box.icon, MessageIcon::None);
    QVERIFY2(box.informativeText.contains(f->absentDevice(1)), qPrintable(box.informativeText));
    QCOMPARE(f->exchange().state(), LinkState::Idle);
    QVERIFY(!f->serial.isOpen());
}

QTEST_MAIN(TestRadioLink)
#include "tst_radiolink.moc"
