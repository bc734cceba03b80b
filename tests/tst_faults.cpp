// Faults of the radio and of the line, end to end: the real window, the real
// serial service on a pseudo-terminal, the simulated radio on the other end.
// Every fault must end in exactly one clear message, a closed port, a loop
// that is quiet again, and the sheet as it should be.
#include "link/programmingexchange.h"
#include "link/programmingsession.h"
#include "link/radioprotocol.h"
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
using namespace std::chrono_literals;

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void init() { f = std::make_unique<RadioWindowFixture>(); }
    void cleanup() { f.reset(); }

    void hangUpInTheMiddleOfTheBlock_data();
    void hangUpInTheMiddleOfTheBlock();
    void babblingRadioInEveryState_data();
    void babblingRadioInEveryState();
    void unansweredThenAnsweringAgain_data();
    void unansweredThenAnsweringAgain();
    void deviceGoneWhilePortHeldOpenAfterWrite();

private:
    QPushButton *readOrWrite(bool reading) const
    {
        return f->button(reading ? QStringLiteral("Cmd_Read") : QStringLiteral("Cmd_Write"));
    }

    std::unique_ptr<RadioWindowFixture> f;
};

void TestFaults::hangUpInTheMiddleOfTheBlock_data()
{
    QTest::addColumn<bool>("reading");
    QTest::addColumn<LinkState>("state");
    QTest::addColumn<bool>("throughLink"); // the device is a link to the pseudo-terminal, removed as it hangs up
    QTest::newRow("read block") << true << LinkState::ImageExpected << false;
    QTest::newRow("write block") << false << LinkState::ImageSent << false;
    QTest::newRow("read block, link removed") << true << LinkState::ImageExpected << true;
    QTest::newRow("write block, link removed") << false << LinkState::ImageSent << true;
}

void TestFaults::hangUpInTheMiddleOfTheBlock()
{
    QFETCH(bool, reading);
    QFETCH(LinkState, state);
    QFETCH(bool, throughLink);
    // As a udev name leads to an adapter: the name goes with the device.
    const QString link = f->folder.filePath(QStringLiteral("dev/serial/by-id/usb-radio-if00-port0"));
    QVERIFY(f->startWithRadio(QByteArray(36, '\x03'), throughLink ? link : QString()));
    const QString device = throughLink ? link : f->radio.programPath();
    if (throughLink) {
        // Removed while the block is on its way, as an unplugged adapter's name is.
        QObject::connect(&f->exchange(), &ProgrammingExchange::progressed, &f->serial, [link, state](LinkState now) {
            if (now == state)
                QFile::remove(link);
        });
    }
    WindowFixture::type(f->rxField(2), QStringLiteral("41"));
    f->radio.setFault(Fault::HangUpInBlock);
    QSignalSpy portFailed(&f->serial, &SerialService::errorOccurred);

    f->click(readOrWrite(reading));
    QVERIFY(f->waitForSessionEnd());
    QCOMPARE(f->errorTexts(), QStringList{QStringLiteral("Communication Error")});
    const MessageRequest &box = f->dialogs.messages.last();
    QCOMPARE(box.title, QStringLiteral("Error"));
    QCOMPARE(box.icon, MessageIcon::Critical);
    // Says what happened to the port: the device went away, not the text of the call that failed next.
    QCOMPARE(box.informativeText, device + QStringLiteral(": ") + QString::fromLatin1(kDeviceGoneReason));
    QVERIFY(!f->serial.isOpen());
    QCOMPARE(portFailed.size(), 1);
    QCOMPARE(f->exchange().state(), state);
    // The sheet shows what it showed; a broken read brings nothing in.
    QCOMPARE(f->rxField(2)->text(), QStringLiteral("41.0000"));
    QCOMPARE(f->rxField(1)->text(), QString());
    if (reading)
        QCOMPARE(f->parts->document.sendImage, RadioImage()); // the confirmed read zeroed it
    else
        QCOMPARE(f->radio.image(), QByteArray(36, '\x03')); // the radio kept its plan
    QVERIFY(f->isQuiet());
    QCOMPARE(f->failures(), 1);
    QCOMPARE(portFailed.size(), 1);
}

void TestFaults::babblingRadioInEveryState_data()
{
    QTest::addColumn<LinkState>("state"); // where the babbling starts
    QTest::addColumn<QString>("message"); // empty: nothing is shown
    QTest::addColumn<bool>("portOpen");
    QTest::newRow("no exchange, port open after No") << LinkState::Idle << QString() << true;
    QTest::newRow("write requested") << LinkState::WriteRequested << "Communication Error" << false;
    QTest::newRow("after the block, write complete") << LinkState::ImageSent << QString() << true;
    QTest::newRow("read requested") << LinkState::ReadRequested << "Communication Error" << false;
    QTest::newRow("block expected") << LinkState::ImageExpected << "Communication Error" << false;
}

void TestFaults::babblingRadioInEveryState()
{
    QFETCH(LinkState, state);
    QFETCH(QString, message);
    QFETCH(bool, portOpen);
    QVERIFY(f->startWithRadio(kExample));
    WindowFixture::type(f->rxField(2), QStringLiteral("41"));
    QTest::keyClick(f->rxField(2), Qt::Key_Return); // the entry check runs as the field is left
    // What the program has taken from the line since the babbling began.
    qsizetype babbleTaken = 0;
    connect(&f->exchange(), &ProgrammingExchange::lineBytes, this,
            [&](LineDirection direction, const QByteArray &bytes) {
                if (direction == LineDirection::FromRadio)
                    babbleTaken += bytes.size();
            });

    switch (state) {
    case LinkState::Idle:
        f->click(readOrWrite(true), MessageResult::No);
        QVERIFY(f->serial.isOpen());
        f->radio.setFault(Fault::Babbling);
        break;
    case LinkState::WriteRequested:
    case LinkState::ReadRequested:
        f->radio.setFault(Fault::Babbling);
        f->click(readOrWrite(state == LinkState::ReadRequested));
        break;
    case LinkState::ImageSent:
        f->clickWrite();
        QVERIFY(f->waitForSessionEnd());
        QCOMPARE(f->failures(), 0);
        QVERIFY(f->serial.isOpen());
        babbleTaken = 0;
        f->radio.setFault(Fault::Babbling);
        break;
    case LinkState::ImageExpected:
        // The radio acknowledges the read by hand, then babbles instead of the block.
        f->radio.call([](SimulatedRadio &radio) {
            radio.setFault(Fault::Silent);
            QObject::connect(&radio, &SimulatedRadio::commandReceived, &radio, [&radio](int command) {
                if (command == WireBytes::ReadCommand)
                    radio.line().transmit(QByteArray(1, char(WireBytes::ReadAccepted)), sim::Clock::now());
            });
        });
        f->clickRead();
        QTRY_COMPARE(f->exchange().state(), LinkState::ImageExpected);
        f->radio.setFault(Fault::Babbling);
        break;
    }

    if (message.isEmpty()) {
        // The open port takes the babble in and drops it quietly.
        QTRY_VERIFY(babbleTaken >= 24);
        QCOMPARE(f->failures(), 0);
        QVERIFY(f->errorTexts().isEmpty());
        QCOMPARE(f->serial.isOpen(), portOpen);
        QCOMPARE(f->rxField(2)->text(), QStringLiteral("41.0000"));
        return;
    }
    QVERIFY(f->waitForSessionEnd());
    QCOMPARE(f->errorTexts(), QStringList{message});
    QCOMPARE(f->serial.isOpen(), portOpen);
    QCOMPARE(f->exchange().state(), state);
    // The babble never reaches the sheet.
    QCOMPARE(f->rxField(2)->text(), QStringLiteral("41.0000"));
    if (state == LinkState::ReadRequested || state == LinkState::ImageExpected)
        QCOMPARE(f->parts->document.sendImage, RadioImage()); // the confirmed read zeroed it
    if (state == LinkState::ImageExpected)
        QTRY_COMPARE(bytesOf(f->radio, LogEntry::Received), QByteArray::fromHex("e055"));
    // The radio babbles on at a closed port: nothing more is reported.
    QTRY_VERIFY(!bytesOf(f->radio, LogEntry::Dropped).isEmpty());
    QVERIFY(f->isQuiet());
    QCOMPARE(f->failures(), 1);
}

void TestFaults::unansweredThenAnsweringAgain_data()
{
    QTest::addColumn<bool>("reading");
    QTest::addColumn<bool>("answersLate"); // the answer comes after all, once the program has given up
    QTest::addColumn<LinkState>("state");
    QTest::newRow("read, silent") << true << false << LinkState::ReadRequested;
    QTest::newRow("write, silent") << false << false << LinkState::WriteRequested;
    QTest::newRow("read, acknowledged late") << true << true << LinkState::ReadRequested;
    QTest::newRow("write, acknowledged late") << false << true << LinkState::WriteRequested;
}

void TestFaults::unansweredThenAnsweringAgain()
{
    QFETCH(bool, reading);
    QFETCH(bool, answersLate);
    QFETCH(LinkState, state);
    QVERIFY(f->startWithRadio(kExample));
    WindowFixture::type(f->txField(2), QStringLiteral("38.5"));
    f->radio.setFault(Fault::Silent);
    QSignalSpy heard(&f->radio, &RadioThread::commandReceived);
    f->exchange().setResponseTimeout(150ms);
    f->click(readOrWrite(reading));
    QVERIFY(f->waitForSessionEnd());
    QCOMPARE(f->errorTexts(), QStringList{QStringLiteral("Connection Error to Radio")});
    QVERIFY(!f->serial.isOpen());
    QCOMPARE(f->exchange().state(), state);
    QVERIFY(f->isQuiet());
    // The radio has heard the command and let it go by; only then does it answer again.
    QTRY_COMPARE(heard.size(), 1);
    if (answersLate) {
        // Its acknowledge (and a read's block after it) reach a closed port, and end nothing.
        const QByteArray late = reading ? '\x0e' + kExample + '\x15' : QByteArray("\x0f");
        f->radio.call([&late](SimulatedRadio &radio) { radio.line().transmit(late, sim::Clock::now()); });
        QTRY_COMPARE(bytesOf(f->radio, LogEntry::Dropped), late);
        QVERIFY(f->isQuiet());
        QCOMPARE(f->failures(), 1);
    }

    // The radio is back; the same window, without a restart.
    f->radio.setFault(Fault::None);
    f->exchange().setResponseTimeout(kDefaultResponseTimeout);
    f->click(readOrWrite(reading));
    QVERIFY(f->waitForSessionEnd());
    QCOMPARE(f->failures(), 0);
    QCOMPARE(f->errorTexts(), QStringList());
    if (reading) {
        QCOMPARE(f->txField(1)->text(), QStringLiteral("40.5000"));
        QCOMPARE(f->txField(2)->text(), QString());
        QVERIFY(!f->serial.isOpen());
    } else {
        QCOMPARE(f->radio.image().mid(18, 6), QByteArray::fromHex("030805000000"));
        QVERIFY(f->serial.isOpen());
    }
}

void TestFaults::deviceGoneWhilePortHeldOpenAfterWrite()
{
    const QString adapter = f->folder.filePath(QStringLiteral("ttyUSB0"));
    QVERIFY(f->startWithRadio(kExample, adapter));
    WindowFixture::type(f->rxField(1), QStringLiteral("40.0125"));
    f->clickWrite();
    QVERIFY(f->waitForSessionEnd());
    QCOMPARE(f->failures(), 0);
    QVERIFY(f->serial.isOpen()); // a completed write holds the port

    // The adapter is pulled: nothing is waited for, so nothing is reported,
    // but the port is let go instead of being watched while dead.
    QSignalSpy portFailed(&f->serial, &SerialService::errorOccurred);
    // The adapter's name goes with it. (The bare /dev/pts number could be
    // given at once to a pseudo-terminal of another test running beside this.)
    f->radio.call([](SimulatedRadio &radio) { radio.line().hangUp(); });
    QVERIFY(QFile::remove(adapter));
    QVERIFY(portFailed.wait());
    QVERIFY(!f->serial.isOpen());
    QCOMPARE(f->dialogs.messageTexts(), QStringList{QStringLiteral("Write Data to Radio?")});
    QVERIFY(f->isQuiet());
    QCOMPARE(f->failures(), 0);
    QCOMPARE(portFailed.size(), 1);

    // The next WRITE finds the device gone: one message that says so.
    f->clickWrite();
    QCOMPARE(f->errorTexts(), QStringList{QStringLiteral("Please Re-Select available COM PORT")});
    QVERIFY(!f->dialogs.messages.last().informativeText.isEmpty());
    QVERIFY(!f->serial.isOpen());
    QCOMPARE(f->rxField(1)->text(), QStringLiteral("40.0125"));
    QVERIFY(f->isQuiet());
    QCOMPARE(f->failures(), 1);
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
