// READ and WRITE through the real window and the real serial service, with
// the simulated radio on the other end of a pseudo-terminal.
#include "link/linetrace.h"
#include "link/programmingexchange.h"
#include "sheet/channelsheet.h"
#include "simulatedradio.h"
#include "support/radiolog.h"
#include "support/windowfixture.h"

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
    void init();
    void cleanup();

    void readsPlanFromRadio();
    void writesSheetToRadio();
    void readShownAndWrittenBackSendsSameBytes();
    void faultsEndWithTheirMessage_data();
    void faultsEndWithTheirMessage();
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
    std::unique_ptr<QSignalSpy> finished;
    // The outcomes so far, Ok included.
    QList<ExchangeOutcome> outcomes() const;
    int failures() const;
};

void TestRadioLink::init()
{
    radio = std::make_unique<SimulatedRadio>();
    f = std::make_unique<WindowFixture>();
}

void TestRadioLink::cleanup()
{
    finished.reset();
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
    finished = std::make_unique<QSignalSpy>(&f->parts->session.exchange(), &ProgrammingExchange::finished);
    radio->line().clearLog();
    f->dialogs.clear();
    return true;
}

void TestRadioLink::clickRead()
{
    forgetOutcomes();
    f->dialogs.answer(MessageResult::Yes);
    QTest::mouseClick(findButton(*f->window, "Cmd_Read"), Qt::LeftButton);
}

void TestRadioLink::clickWrite()
{
    forgetOutcomes();
    f->dialogs.answer(MessageResult::Yes);
    QTest::mouseClick(findButton(*f->window, "Cmd_Write"), Qt::LeftButton);
}

void TestRadioLink::forgetOutcomes()
{
    finished->clear();
}

bool TestRadioLink::waitForOutcome(int timeoutMs)
{
    return QTest::qWaitFor([&] { return !finished->isEmpty(); }, timeoutMs);
}

QList<ExchangeOutcome> TestRadioLink::outcomes() const
{
    QList<ExchangeOutcome> all;
    for (const QList<QVariant> &args : *finished)
        all.append(args.at(0).value<ExchangeResult>().outcome);
    return all;
}

int TestRadioLink::failures() const
{
    return int(outcomes().size() - outcomes().count(ExchangeOutcome::Ok));
}

void TestRadioLink::readsPlanFromRadio()
{
    QVERIFY(startWith(Fault::None, kExample));
    MainWindow &w = *f->window;
    clickRead();
    QVERIFY(waitForOutcome());
    QCOMPARE(outcomes(), QList<ExchangeOutcome>{ExchangeOutcome::Ok});
    QCOMPARE(f->dialogs.messageTexts(), QStringList{QStringLiteral("Read from Radio?")});
    QCOMPARE(rxFieldOf(w, 1)->text(), QStringLiteral("40.0125"));
    QCOMPARE(txFieldOf(w, 1)->text(), QStringLiteral("40.5000"));
    for (QLineEdit *field : {rxFieldOf(w, 2), rxFieldOf(w, 3), txFieldOf(w, 2), txFieldOf(w, 3)})
        QCOMPARE(field->text(), QString());
    QCOMPARE(findField(w, "Txt_Model")->text(), QStringLiteral("KV-7719NEW"));
    QCOMPARE(f->parts->session.exchange().state(), LinkState::ImageExpected);
    QVERIFY(!f->serial.isOpen());
    QVERIFY(!f->parts->session.exchange().responseTimer().isActive());

    // On the wire: the command, then the radio's acknowledge and block, then the program's 0x77.
    QTRY_COMPARE(bytesOf(*radio, LogEntry::Received), QByteArray::fromHex("e077"));
    QCOMPARE(bytesOf(*radio, LogEntry::Sent), '\x0e' + kExample + '\x15');
}

void TestRadioLink::writesSheetToRadio()
{
    QVERIFY(startWith(Fault::None, QByteArray(36, '\x09')));
    MainWindow &w = *f->window;
    QSignalSpy stored(radio.get(), &SimulatedRadio::imageWritten);
    WindowFixture::type(rxFieldOf(w, 1), QStringLiteral("40.0125"));
    WindowFixture::type(txFieldOf(w, 1), QStringLiteral("40.5"));
    clickWrite();
    QVERIFY(waitForOutcome());
    QCOMPARE(outcomes(), QList<ExchangeOutcome>{ExchangeOutcome::Ok});
    QCOMPARE(f->dialogs.messageTexts(), QStringList{QStringLiteral("Write Data to Radio?")});
    QCOMPARE(stored.size(), 1);
    QCOMPARE(radio->image(), kExample);
    QCOMPARE(f->parts->document.sendImage.toLinear(), kExample);
    QCOMPARE(bytesOf(*radio, LogEntry::Received), '\xf0' + kExample + '\x15');
    QCOMPARE(bytesOf(*radio, LogEntry::Sent), QByteArray::fromHex("0f77"));
    QCOMPARE(f->parts->session.exchange().state(), LinkState::ImageSent);
    QVERIFY(f->serial.isOpen()); // a completed write leaves the port open
}

void TestRadioLink::readShownAndWrittenBackSendsSameBytes()
{
    QVERIFY(startWith(Fault::None, kFullPlan));
    clickRead();
    QVERIFY(waitForOutcome());
    QCOMPARE(outcomes(), QList<ExchangeOutcome>{ExchangeOutcome::Ok});
    QTRY_COMPARE(bytesOf(*radio, LogEntry::Received), QByteArray::fromHex("e077"));
    const QByteArray readBlock = bytesOf(*radio, LogEntry::Sent).mid(1);
    radio->line().clearLog();
    radio->setImage(QByteArray(36, '\0'));

    clickWrite();
    QVERIFY(waitForOutcome());
    QCOMPARE(f->dialogs.messageTexts(),
             (QStringList{QStringLiteral("Read from Radio?"), QStringLiteral("Write Data to Radio?")}));
    QCOMPARE(outcomes(), QList<ExchangeOutcome>{ExchangeOutcome::Ok});
    QCOMPARE(bytesOf(*radio, LogEntry::Received), '\xf0' + readBlock);
    QCOMPARE(readBlock, kFullPlan + char(SimulatedRadio::checksum(kFullPlan)));
    QCOMPARE(radio->image(), kFullPlan);
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
    QTest::newRow("read: ack with block") << "read" << Fault::AckWithBlock << QString() << LinkState::ImageExpected
                                          << QByteArray::fromHex("e077");
    QTest::newRow("read: extra bytes") << "read" << Fault::ExtraBytes << QString() << LinkState::ImageExpected
                                       << QByteArray::fromHex("e077");
    QTest::newRow("read: short block") << "read" << Fault::ShortBlock << conn << LinkState::ImageExpected
                                       << QByteArray("\xe0");
    QTest::newRow("write: wrong ack") << "write" << Fault::WrongAcknowledge << comm << LinkState::WriteRequested
                                      << QByteArray("\xf0");
    QTest::newRow("write: block answered 0x55") << "write" << Fault::RejectBlock << werr << LinkState::ImageSent
                                                << any;
}

void TestRadioLink::faultsEndWithTheirMessage()
{
    QFETCH(QString, operation);
    QFETCH(Fault, fault);
    QFETCH(QString, message);
    QFETCH(LinkState, state);
    QFETCH(QByteArray, programSent);

    const QByteArray radioImage = QByteArray(36, '\x03');
    QVERIFY(startWith(fault, operation == QLatin1String("read") ? kExample : radioImage));
    MainWindow &w = *f->window;
    rxFieldOf(w, 2)->setText(QStringLiteral("41.0000")); // what the sheet shows before
    const bool reading = operation == QLatin1String("read");
    if (reading)
        clickRead();
    else
        clickWrite();
    QVERIFY(waitForOutcome());

    if (message.isEmpty()) {
        QCOMPARE(failures(), 0);
        QCOMPARE(f->dialogs.messages.size(), 1);
    } else {
        QCOMPARE(f->dialogs.messageTexts().mid(1), QStringList{message});
        const MessageRequest &box = f->dialogs.messages.last();
        QCOMPARE(box.title, QStringLiteral("Error"));
        QCOMPARE(box.icon, MessageIcon::Critical);
        QCOMPARE(box.buttons, MessageButtons::Ok);
    }
    QCOMPARE(f->parts->session.exchange().state(), state);
    QVERIFY(!f->serial.isOpen());
    QVERIFY(!f->parts->session.exchange().responseTimer().isActive());

    if (reading && message.isEmpty()) {
        QCOMPARE(rxFieldOf(w, 1)->text(), QStringLiteral("40.0125"));
        QCOMPARE(rxFieldOf(w, 2)->text(), QString());
    } else if (reading) {
        // A failed read leaves the sheet as it was and the send image zeroed.
        QCOMPARE(f->parts->document.sendImage, RadioImage());
        QCOMPARE(rxFieldOf(w, 2)->text(), QStringLiteral("41.0000"));
    } else {
        QCOMPARE(radio->image(), radioImage); // the radio kept its plan
        QCOMPARE(f->parts->document.sendImage(2, 1), std::uint8_t(4));
    }
    if (programSent != "*")
        QTRY_COMPARE(bytesOf(*radio, LogEntry::Received), programSent);
    if (fault == Fault::ExtraBytes) // taken with the block's last byte, and dropped
        QCOMPARE(bytesOf(*radio, LogEntry::Sent), '\x0e' + kExample + '\x15' + QByteArray::fromHex("aa550e"));
    // Whatever the radio still sends lands on a closed port, and nothing is
    // armed that could end anything again: one message only.
    QVERIFY(!f->serial.isOpen());
    QVERIFY(!f->parts->session.exchange().isRunning());
    f->parts->session.exchange().onResponseTimeout();
    QCOMPARE(failures(), message.isEmpty() ? 0 : 1);
}

void TestRadioLink::readAnsweredNoSendsNothing()
{
    QVERIFY(startWith(Fault::None, kExample));
    f->dialogs.answer(MessageResult::No);
    QTest::mouseClick(findButton(*f->window, "Cmd_Read"), Qt::LeftButton);
    QCOMPARE(f->dialogs.messageTexts(), QStringList{QStringLiteral("Read from Radio?")});
    QVERIFY(f->serial.isOpen());
    // No exchange began: nothing armed, nothing in the line trace.
    QVERIFY(!f->parts->session.exchange().isRunning());
    QVERIFY(!f->parts->session.exchange().responseTimer().isActive());
    QVERIFY(f->parts->trace.isEmpty());
    // The next READ, on the port left open, is the first thing the radio hears.
    clickRead();
    QVERIFY(waitForOutcome());
    QCOMPARE(failures(), 0);
    QTRY_COMPARE(bytesOf(*radio, LogEntry::Received), QByteArray::fromHex("e077"));
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
    QCOMPARE(f->parts->session.exchange().state(), LinkState::Idle);
    QVERIFY(!f->serial.isOpen());
}

QTEST_MAIN(TestRadioLink)
#include "tst_radiolink.moc"
