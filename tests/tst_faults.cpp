// Faults of the radio and of the line, end to end: the real window, the real
// serial service on a pseudo-terminal, the simulated radio on the other end.
// Every fault must end in exactly one clear message, a closed port, a loop
// that is quiet again, and the sheet as it should be.
#include "link/programmingexchange.h"
#include "link/programmingsession.h"
#include "link/radioprotocol.h"
#include "simulatedradio.h"
#include "support/radiolog.h"
#include "support/windowfixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPort>
#include <QSignalSpy>

using namespace kav;
using kav::sim::Fault;
using kav::sim::LogEntry;
using kav::sim::SimulatedRadio;
using namespace std::chrono_literals;

namespace {

// Far shorter than the late acknowledge, far longer than a loaded machine needs to see silence.
constexpr auto kShortTimeout = 150ms;

// Counts what wakes the program's side of the loop: activations of the serial
// port's socket notifiers (their parent is the QSerialPort; the simulated
// radio's own are not counted) and expiries of the response timer. A port that
// spins on a dead device, or a timer re-armed for ever, shows here.
class WakeCounter : public QObject
{
public:
    explicit WakeCounter(const QTimer &timer) : m_timer(timer) { qApp->installEventFilter(this); }
    ~WakeCounter() override { qApp->removeEventFilter(this); }
    int wakes = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::SockAct && qobject_cast<QSerialPort *>(watched->parent()))
            ++wakes;
        if (event->type() == QEvent::Timer && watched == &m_timer)
            ++wakes;
        return QObject::eventFilter(watched, event);
    }

private:
    const QTimer &m_timer;
};

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void hangUpInTheMiddleOfTheBlock_data();
    void hangUpInTheMiddleOfTheBlock();
    void babblingRadioInEveryState_data();
    void babblingRadioInEveryState();
    void lateAcknowledgeEndsOnceAndNextExchangeWorks_data();
    void lateAcknowledgeEndsOnceAndNextExchangeWorks();
    void silentOnceThenAnswering_data();
    void silentOnceThenAnswering();
    void deviceGoneWhilePortHeldOpenAfterWrite();

private:
    // deviceLink: COM1 names this link to the radio, as a udev name does an adapter.
    [[nodiscard]] bool start(const QByteArray &radioImage, const QString &deviceLink = {});
    void click(QPushButton *button);
    [[nodiscard]] bool waitForOutcome(int timeoutMs = 5000);
    // After an outcome: nothing more is reported, and the loop goes quiet.
    void expectQuietAfterwards(int failures);
    QStringList errorTexts() const;

    std::unique_ptr<SimulatedRadio> radio;
    std::unique_ptr<WindowFixture> f;
    std::unique_ptr<QSignalSpy> finished;
    int completions() const;
    int failures() const;
};

void TestFaults::init()
{
    radio = std::make_unique<SimulatedRadio>();
    f = std::make_unique<WindowFixture>();
}

void TestFaults::cleanup()
{
    finished.reset();
    f.reset(); // closes the port before the radio goes
    radio.reset();
}

bool TestFaults::start(const QByteArray &radioImage, const QString &deviceLink)
{
    radio->setImage(radioImage);
    if (!radio->openPty())
        return false;
    QString device = radio->programPath();
    if (!deviceLink.isEmpty()) {
        if (!QDir().mkpath(QFileInfo(deviceLink).path()) || !QFile::link(device, deviceLink))
            return false;
        device = deviceLink;
    }
    if (!f->writePortMap("COM1=" + QFile::encodeName(device) + '\n'))
        return false;
    f->start();
    if (!f->show())
        return false;
    finished = std::make_unique<QSignalSpy>(&f->parts->session, &ProgrammingSession::finished);
    radio->line().clearLog();
    f->dialogs.clear();
    return true;
}

void TestFaults::click(QPushButton *button)
{
    finished->clear();
    f->dialogs.clear();
    f->dialogs.answer(MessageResult::Yes);
    QTest::mouseClick(button, Qt::LeftButton);
}

bool TestFaults::waitForOutcome(int timeoutMs)
{
    return QTest::qWaitFor([&] { return !finished->isEmpty(); }, timeoutMs);
}

int TestFaults::completions() const
{
    int n = 0;
    for (const QList<QVariant> &args : *finished)
        n += args.at(0).value<SessionResult>().outcome == ExchangeOutcome::Ok ? 1 : 0;
    return n;
}

int TestFaults::failures() const
{
    return int(finished->size()) - completions();
}

void TestFaults::expectQuietAfterwards(int failures)
{
    // Nothing is left that could end anything: no session or exchange running,
    // no wait armed, and a time-out now ends nothing.
    ProgrammingExchange &exchange = f->parts->session.exchange();
    QVERIFY(!f->parts->session.isRunning());
    QVERIFY(!exchange.isRunning());
    QVERIFY(!exchange.responseTimer().isActive());
    exchange.onResponseTimeout();
    QCOMPARE(this->failures(), failures);
}

QStringList TestFaults::errorTexts() const
{
    QStringList texts;
    for (const MessageRequest &box : f->dialogs.messages) {
        if (box.buttons == MessageButtons::Ok)
            texts << box.text;
    }
    return texts;
}

void TestFaults::hangUpInTheMiddleOfTheBlock_data()
{
    QTest::addColumn<bool>("reading");
    QTest::addColumn<LinkState>("state");
    QTest::newRow("read block") << true << LinkState::ImageExpected;
    QTest::newRow("write block") << false << LinkState::ImageSent;
}

void TestFaults::hangUpInTheMiddleOfTheBlock()
{
    QFETCH(bool, reading);
    QFETCH(LinkState, state);
    QVERIFY(start(QByteArray(36, '\x03')));
    MainWindow &w = *f->window;
    WindowFixture::type(rxFieldOf(w, 2), QStringLiteral("41"));
    radio->setFault(Fault::HangUpInBlock);
    QSignalSpy portFailed(&f->serial, &SerialService::errorOccurred);

    click(reading ? findButton(w, "Cmd_Read") : findButton(w, "Cmd_Write"));
    QVERIFY(waitForOutcome());
    QCOMPARE(errorTexts(), QStringList{QStringLiteral("Communication Error")});
    const MessageRequest &box = f->dialogs.messages.last();
    QCOMPARE(box.title, QStringLiteral("Error"));
    QCOMPARE(box.icon, MessageIcon::Critical);
    QVERIFY(!box.informativeText.isEmpty()); // says what happened to the port
    QVERIFY(!f->serial.isOpen());
    QCOMPARE(portFailed.size(), 1);
    QCOMPARE(f->parts->session.exchange().state(), state);
    // The sheet shows what it showed; a broken read brings nothing in.
    QCOMPARE(rxFieldOf(w, 2)->text(), QStringLiteral("41.0000"));
    QCOMPARE(rxFieldOf(w, 1)->text(), QString());
    if (reading)
        QCOMPARE(f->parts->document.sendImage, RadioImage()); // the confirmed read zeroed it
    else
        QCOMPARE(radio->image(), QByteArray(36, '\x03')); // the radio kept its plan
    expectQuietAfterwards(1);
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
    QVERIFY(start(kExample));
    MainWindow &w = *f->window;
    WindowFixture::type(rxFieldOf(w, 2), QStringLiteral("41"));
    QTest::keyClick(rxFieldOf(w, 2), Qt::Key_Return); // the entry check runs as the field is left

    switch (state) {
    case LinkState::Idle:
        f->dialogs.answer(MessageResult::No);
        QTest::mouseClick(findButton(w, "Cmd_Read"), Qt::LeftButton);
        QVERIFY(f->serial.isOpen());
        QVERIFY(QTest::qWaitFor([&] { return radio->line().isConnected(); }, 2000));
        radio->setFault(Fault::Babbling);
        break;
    case LinkState::WriteRequested:
    case LinkState::ReadRequested:
        radio->setFault(Fault::Babbling);
        click(state == LinkState::WriteRequested ? findButton(w, "Cmd_Write") : findButton(w, "Cmd_Read"));
        break;
    case LinkState::ImageSent:
        click(findButton(w, "Cmd_Write"));
        QVERIFY(waitForOutcome());
        QCOMPARE(completions(), 1);
        QVERIFY(f->serial.isOpen());
        radio->setFault(Fault::Babbling);
        break;
    case LinkState::ImageExpected:
        // The radio acknowledges the read by hand, then babbles instead of the block.
        radio->setFault(Fault::Silent);
        QObject::connect(&radio->line(), &sim::SimLine::byteReceived, radio.get(), [this](int byte) {
            if (byte == WireBytes::ReadCommand)
                radio->line().transmit(QByteArray(1, char(WireBytes::ReadAccepted)), sim::Clock::now());
        });
        click(findButton(w, "Cmd_Read"));
        QTRY_COMPARE(f->parts->session.exchange().state(), LinkState::ImageExpected);
        radio->setFault(Fault::Babbling);
        break;
    }

    if (message.isEmpty()) {
        // The open port hears the babble (which also shows the counter counts) and drops it quietly.
        WakeCounter counter(f->parts->session.exchange().responseTimer());
        QTRY_VERIFY(counter.wakes > 0);
        QTRY_VERIFY(bytesOf(*radio, LogEntry::Sent).size() >= 24);
        QCOMPARE(failures(), 0);
        QVERIFY(f->dialogs.messageTexts().size() <= 1); // the question answered No
        QCOMPARE(f->serial.isOpen(), portOpen);
        QCOMPARE(rxFieldOf(w, 2)->text(), QStringLiteral("41.0000"));
        return;
    }
    QVERIFY(QTest::qWaitFor([&] { return failures() > 0; }, 5000));
    QCOMPARE(errorTexts(), QStringList{message});
    QCOMPARE(f->serial.isOpen(), portOpen);
    QCOMPARE(f->parts->session.exchange().state(), state);
    // The babble never reaches the sheet.
    QCOMPARE(rxFieldOf(w, 2)->text(), QStringLiteral("41.0000"));
    if (state == LinkState::ReadRequested || state == LinkState::ImageExpected)
        QCOMPARE(f->parts->document.sendImage, RadioImage()); // the confirmed read zeroed it
    if (state == LinkState::ImageExpected)
        QTRY_COMPARE(bytesOf(*radio, LogEntry::Received), QByteArray::fromHex("e055"));
    // The radio babbles on at a closed port: nothing more is reported.
    QTRY_VERIFY(!bytesOf(*radio, LogEntry::Dropped).isEmpty());
    expectQuietAfterwards(1);
}

void TestFaults::lateAcknowledgeEndsOnceAndNextExchangeWorks_data()
{
    QTest::addColumn<bool>("reading");
    QTest::addColumn<LinkState>("state");
    QTest::newRow("read") << true << LinkState::ReadRequested;
    QTest::newRow("write") << false << LinkState::WriteRequested;
}

void TestFaults::lateAcknowledgeEndsOnceAndNextExchangeWorks()
{
    QFETCH(bool, reading);
    QFETCH(LinkState, state);
    QVERIFY(start(kExample));
    MainWindow &w = *f->window;
    WindowFixture::type(rxFieldOf(w, 3), QStringLiteral("39.9875"));
    radio->setFault(Fault::LateAcknowledge);
    // Long before the late acknowledge (1.2 s), even on a loaded machine.
    f->parts->session.exchange().setResponseTimeout(kShortTimeout);
    click(reading ? findButton(w, "Cmd_Read") : findButton(w, "Cmd_Write"));
    QVERIFY(waitForOutcome());
    QCOMPARE(errorTexts(), QStringList{QStringLiteral("Connection Error to Radio")});
    QVERIFY(!f->serial.isOpen());
    QCOMPARE(f->parts->session.exchange().state(), state);
    // The acknowledge comes after all, to a closed port.
    QTRY_VERIFY_WITH_TIMEOUT(bytesOf(*radio, LogEntry::Dropped).startsWith(reading ? '\x0e' : '\x0f'), 3000);
    // A late read acknowledge brings its block after it: the radio is done once all of it is gone.
    if (reading)
        QTRY_COMPARE_WITH_TIMEOUT(bytesOf(*radio, LogEntry::Dropped).size(), 1 + kImageBlockSize, 3000);
    expectQuietAfterwards(1);
    QCOMPARE(rxFieldOf(w, 3)->text(), QStringLiteral("39.9875"));

    radio->setFault(Fault::None);
    f->parts->session.exchange().setResponseTimeout(kDefaultResponseTimeout); // a whole block takes 0.3 s on the line
    click(reading ? findButton(w, "Cmd_Read") : findButton(w, "Cmd_Write"));
    QVERIFY(waitForOutcome());
    QCOMPARE(failures(), 0);
    QCOMPARE(errorTexts(), QStringList());
    if (reading) {
        QCOMPARE(completions(), 1);
        QCOMPARE(rxFieldOf(w, 1)->text(), QStringLiteral("40.0125"));
        QCOMPARE(rxFieldOf(w, 3)->text(), QString());
    } else {
        QCOMPARE(completions(), 1);
        QCOMPARE(radio->image().mid(24, 6), QByteArray::fromHex("030909080705"));
    }
}

void TestFaults::silentOnceThenAnswering_data()
{
    QTest::addColumn<bool>("reading");
    QTest::newRow("read") << true;
    QTest::newRow("write") << false;
}

void TestFaults::silentOnceThenAnswering()
{
    QFETCH(bool, reading);
    QVERIFY(start(kExample));
    MainWindow &w = *f->window;
    WindowFixture::type(txFieldOf(w, 2), QStringLiteral("38.5"));
    radio->setFault(Fault::Silent);
    f->parts->session.exchange().setResponseTimeout(kShortTimeout);
    click(reading ? findButton(w, "Cmd_Read") : findButton(w, "Cmd_Write"));
    QVERIFY(waitForOutcome());
    QCOMPARE(errorTexts(), QStringList{QStringLiteral("Connection Error to Radio")});
    QVERIFY(!f->serial.isOpen());
    expectQuietAfterwards(1);

    // The radio is back; the same window, without a restart.
    radio->setFault(Fault::None);
    radio->line().clearLog();
    f->parts->session.exchange().setResponseTimeout(kDefaultResponseTimeout);
    click(reading ? findButton(w, "Cmd_Read") : findButton(w, "Cmd_Write"));
    QVERIFY(waitForOutcome());
    QCOMPARE(errorTexts(), QStringList());
    if (reading) {
        QCOMPARE(completions(), 1);
        QCOMPARE(txFieldOf(w, 1)->text(), QStringLiteral("40.5000"));
        QCOMPARE(txFieldOf(w, 2)->text(), QString());
        QVERIFY(!f->serial.isOpen());
    } else {
        QCOMPARE(completions(), 1);
        QCOMPARE(radio->image().mid(18, 6), QByteArray::fromHex("030805000000"));
        QVERIFY(f->serial.isOpen());
    }
}

void TestFaults::deviceGoneWhilePortHeldOpenAfterWrite()
{
    const QString adapter = f->folder.filePath(QStringLiteral("ttyUSB0"));
    QVERIFY(start(kExample, adapter));
    MainWindow &w = *f->window;
    WindowFixture::type(rxFieldOf(w, 1), QStringLiteral("40.0125"));
    click(findButton(w, "Cmd_Write"));
    QVERIFY(waitForOutcome());
    QCOMPARE(completions(), 1);
    QVERIFY(f->serial.isOpen()); // a completed write holds the port

    // The adapter is pulled: nothing is waited for, so nothing is reported,
    // but the port is let go instead of being watched while dead.
    QSignalSpy portFailed(&f->serial, &SerialService::errorOccurred);
    // The adapter's name goes with it. (The bare /dev/pts number could be
    // given at once to a pseudo-terminal of another test running beside this.)
    radio->line().hangUp();
    QVERIFY(QFile::remove(adapter));
    QVERIFY(portFailed.wait(3000));
    QVERIFY(!f->serial.isOpen());
    QCOMPARE(f->dialogs.messageTexts(), QStringList{QStringLiteral("Write Data to Radio?")});
    expectQuietAfterwards(0);
    QCOMPARE(portFailed.size(), 1);

    // The next WRITE finds the device gone: one message that says so.
    click(findButton(w, "Cmd_Write"));
    QCOMPARE(errorTexts(), QStringList{QStringLiteral("Please Re-Select available COM PORT")});
    QVERIFY(!f->dialogs.messages.last().informativeText.isEmpty());
    QVERIFY(!f->serial.isOpen());
    QCOMPARE(rxFieldOf(w, 1)->text(), QStringLiteral("40.0125"));
    expectQuietAfterwards(1);
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
