// The engine of READ and WRITE on a fake port, and the window's front end over
// it: the gates before an exchange and the box each outcome ends in.
#include "app/mainwindow.h"
#include "app/plandocument.h"
#include "common/appfolder.h"
#include "link/exchangetrace.h"
#include "link/linetrace.h"
#include "link/openfailure.h"
#include "link/portholder.h"
#include "link/portsetting.h"
#include "link/programmingexchange.h"
#include "link/programmingsession.h"
#include "link/radioprotocol.h"
#include "radio/backupstore.h"
#include "support/fakeserialservice.h"
#include "support/scripteddialogs.h"
#include "support/testfolder.h"
#include "support/windowfixture.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMetaEnum>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace kav;
using namespace std::chrono_literals;

namespace {

// CH1 RX 40.0125, CH1 TX 40.5000, CH2 and CH3 empty: the documented block.
const QByteArray kExampleBlock = QByteArray::fromHex("040000010205040005000000") + QByteArray(24, '\0') + '\x15';
const RadioImage kExampleImage = RadioImage::fromLinear(kExampleBlock);
const QString kShownBefore = QStringLiteral("41.0000");
// Far below the default, far above what a fake port needs to answer.
constexpr auto kShortTimeout = 150ms;
constexpr PlanField kCh1Rx{0, Direction::Rx};
constexpr PlanField kCh2Rx{1, Direction::Rx};
constexpr PlanField kCh1Tx{0, Direction::Tx};

QString outcomeName(ExchangeOutcome outcome)
{
    return QString::fromLatin1(QMetaEnum::fromType<ExchangeOutcome>().valueToKey(int(outcome)));
}

// A session with its engine on a fake port, and the radio's side of it.
struct Rig
{
    FakeSerialService serial;
    PortHolder port{serial};
    ProgrammingSession session{port, [] { return PortTarget{QStringLiteral("/dev/fake1"), {}}; }};
    ProgrammingExchange &exchange = session.exchange();
    QSignalSpy finished{&exchange, &ProgrammingExchange::finished};

    Rig() { exchange.setResponseTimeout(kShortTimeout); }

    // A write as the window runs it: the port stays open after it.
    void write()
    {
        SessionOptions options;
        options.keepPortAfterWrite = true;
        session.write(kExampleImage, options);
    }

    QStringList sentHex() const
    {
        QStringList hex;
        for (const QByteArray &bytes : serial.sent)
            hex.append(QString::fromLatin1(bytes.toHex()));
        return hex;
    }

    QList<ExchangeResult> results() const
    {
        QList<ExchangeResult> all;
        for (const QList<QVariant> &args : finished)
            all.append(args.at(0).value<ExchangeResult>());
        return all;
    }

    // The outcomes other than Ok, by name.
    QStringList failures() const
    {
        QStringList names;
        for (const ExchangeResult &result : results()) {
            if (result.outcome != ExchangeOutcome::Ok)
                names.append(outcomeName(result.outcome));
        }
        return names;
    }

    int completions() const
    {
        int n = 0;
        for (const ExchangeResult &result : results())
            n += result.outcome == ExchangeOutcome::Ok ? 1 : 0;
        return n;
    }

    // Plays the radio's side: hex bytes as one notification, or a named event.
    void play(const QString &step)
    {
        if (step == QLatin1String("block")) {
            serial.inject(kExampleBlock);
        } else if (step == QLatin1String("block:10")) {
            serial.injectPieces(kExampleBlock, {10});
        } else if (step == QLatin1String("block:bytewise")) {
            serial.injectPieces(kExampleBlock, QList<int>(kImageBlockSize, 1));
        } else if (step == QLatin1String("block+3")) {
            serial.inject(kExampleBlock + QByteArray::fromHex("0e0f77"));
        } else if (step == QLatin1String("ack+block")) {
            serial.inject('\x0e' + kExampleBlock);
        } else if (step == QLatin1String("ack+block10")) {
            serial.inject('\x0e' + kExampleBlock.left(10));
        } else if (step == QLatin1String("rest27")) {
            serial.inject(kExampleBlock.mid(10));
        } else if (step == QLatin1String("ack+badblock")) {
            QByteArray bad = kExampleBlock;
            bad[36] = '\x16';
            serial.inject('\x0e' + bad);
        } else if (step == QLatin1String("badblock")) {
            QByteArray bad = kExampleBlock;
            bad[36] = '\x16';
            serial.inject(bad);
        } else if (step == QLatin1String("partial20")) {
            serial.inject(kExampleBlock.left(20));
        } else if (step == QLatin1String("empty")) {
            serial.notifyEmpty();
        } else if (step == QLatin1String("overflow")) {
            serial.notifyOverflow();
        } else if (step == QLatin1String("fail")) {
            serial.failPort(QStringLiteral("device gone"));
        } else if (step == QLatin1String("failsend")) {
            serial.failSend(1, QStringLiteral("write failed"));
        } else if (step == QLatin1String("timeout")) {
            // The deadline: armed with the response time-out since the last send or acknowledge.
            QVERIFY2(exchange.responseTimer().isActive(), "the time-out needs an armed timer");
            QCOMPARE(exchange.responseTimer().intervalAsDuration(), kShortTimeout);
            QSignalSpy expired(&exchange.responseTimer(), &QTimer::timeout);
            QVERIFY(expired.wait(5000));
        } else {
            serial.inject(QByteArray::fromHex(step.toLatin1()));
        }
    }
};

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

class TestExchange : public QObject
{
    Q_OBJECT

private slots:
    void checksumOfImage_data();
    void checksumOfImage();
    void blockCarriesImageInLinearOrder();

    void readTransitions_data();
    void readTransitions();
    void writeTransitions_data();
    void writeTransitions();
    void idleEngineDropsWhatArrives();
    void reportsLineBytesAndProgress();
    void tracesEveryDeliveryAsItArrives_data();
    void tracesEveryDeliveryAsItArrives();

    void windowGatesBeforeTheCommand_data();
    void windowGatesBeforeTheCommand();
    void windowShowsOutcomesAsDesigned_data();
    void windowShowsOutcomesAsDesigned();

    void timeOutBoxNeverStacks();
    void portFailureIsReportedOnce();
    void startOverRunningExchange();
    void completedWriteLeavesPortForNextRead();
    void writeRefusedByTheEncoderSendsNothingLater();
    void exchangesOnSeparatePortsDoNotMeet();
    void sessionRunsItsStepsOnOneDevice_data();
    void sessionRunsItsStepsOnOneDevice();

private:
    void addTransitionColumns();
    void checkTransition(Rig &rig);
};

void TestExchange::checksumOfImage_data()
{
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<int>("checksum");
    QTest::newRow("all 0xff") << QByteArray(36, '\xff') << 0xDC;
    QTest::newRow("all zero") << QByteArray(36, '\0') << 0x00;
    QTest::newRow("all 0x01") << QByteArray(36, '\x01') << 0x24;
    QTest::newRow("documented example") << kExampleBlock.left(36) << 0x15;
    QTest::newRow("only 36 bytes count") << QByteArray(36, '\x01') + '\xff' << 0x24;
}

void TestExchange::checksumOfImage()
{
    QFETCH(QByteArray, image);
    QFETCH(int, checksum);
    QCOMPARE(int(blockChecksum(image)), checksum);
    QByteArray block = image.left(36) + char(checksum);
    QVERIFY(blockChecksumMatches(block));
    block[36] = char(checksum + 1);
    QVERIFY(!blockChecksumMatches(block));
}

void TestExchange::blockCarriesImageInLinearOrder()
{
    RadioImage image;
    image(0, 0) = 4;
    image(0, 3) = 1;
    image(0, 4) = 2;
    image(0, 5) = 5;
    image(0, 6) = 4;
    image(0, 8) = 5;
    QCOMPARE(buildImageBlock(image), kExampleBlock);
}

void TestExchange::addTransitionColumns()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("sent");     // each hand-over to the port, in hex
    QTest::addColumn<QStringList>("failures"); // the outcomes other than Ok, in order
    QTest::addColumn<LinkState>("state");
    QTest::addColumn<bool>("portOpen");
    QTest::addColumn<bool>("timerArmed");
    QTest::addColumn<bool>("completed");
}

void TestExchange::checkTransition(Rig &rig)
{
    QFETCH(QStringList, sent);
    QFETCH(QStringList, failures);
    QFETCH(LinkState, state);
    QFETCH(bool, portOpen);
    QFETCH(bool, timerArmed);
    QFETCH(bool, completed);

    QCOMPARE(rig.sentHex(), sent);
    QCOMPARE(rig.failures(), failures);
    QCOMPARE(rig.completions(), completed ? 1 : 0);
    QCOMPARE(rig.exchange.state(), state);
    QCOMPARE(rig.serial.isOpen(), portOpen);
    QCOMPARE(rig.exchange.responseTimer().isActive(), timerArmed);
}

void TestExchange::readTransitions_data()
{
    addTransitionColumns();
    const QString comm = QStringLiteral("CommunicationError");
    const QString none = QStringLiteral("NoAnswer");
    const LinkState ack = LinkState::ReadRequested;
    const LinkState blk = LinkState::ImageExpected;
    const auto row = [](const char *name, QStringList steps, QStringList sent, QStringList failures, LinkState state,
                        bool open, bool armed, bool completed) {
        QTest::newRow(name) << steps << sent << failures << state << open << armed << completed;
    };
    row("good read", {"0e", "block"}, {"e0", "77"}, {}, blk, false, false, true);
    row("block in two pieces", {"0e", "block:10"}, {"e0", "77"}, {}, blk, false, false, true);
    row("block byte by byte", {"0e", "block:bytewise"}, {"e0", "77"}, {}, blk, false, false, true);
    row("bytes after the block dropped", {"0e", "block+3"}, {"e0", "77"}, {}, blk, false, false, true);
    row("nothing waiting keeps the wait for the ack", {"empty"}, {"e0"}, {}, ack, true, true, false);
    row("nothing waiting, then the read", {"empty", "0e", "empty", "block"}, {"e0", "77"}, {}, blk, false, false, true);
    row("ack re-arms for the block", {"0e"}, {"e0"}, {}, blk, true, true, false);
    row("part of the block waits", {"0e", "partial20"}, {"e0"}, {}, blk, true, true, false);
    row("overflow discards what waits", {"0e", "partial20", "overflow", "block"}, {"e0", "77"}, {}, blk, false, false,
        true);
    row("overflow leaves the timer", {"overflow"}, {"e0"}, {}, ack, true, true, false);
    row("ack and block in one delivery", {"ack+block"}, {"e0", "77"}, {}, blk, false, false, true);
    row("ack with the block's first bytes, then the rest", {"ack+block10", "rest27"}, {"e0", "77"}, {}, blk, false,
        false, true);
    row("ack with the block's first bytes, then silence", {"ack+block10", "timeout"}, {"e0"}, {none}, blk, false, false,
        false);
    row("ack with a block failing its checksum", {"ack+badblock"}, {"e0", "55"}, {comm}, blk, false, false, false);
    row("write ack to read command", {"0f"}, {"e0"}, {comm}, ack, false, false, false);
    row("block ok byte to read command", {"77"}, {"e0"}, {comm}, ack, false, false, false);
    row("wrong ack with more bytes", {"0f0e"}, {"e0"}, {comm}, ack, false, false, false);
    row("late bytes after an error are lost", {"0f", "0e", "block"}, {"e0"}, {comm}, ack, false, false, false);
    row("wrong checksum", {"0e", "badblock"}, {"e0", "55"}, {comm}, blk, false, false, false);
    row("silent radio", {"timeout"}, {"e0"}, {none}, ack, false, false, false);
    row("block never comes", {"0e", "timeout"}, {"e0"}, {none}, blk, false, false, false);
    row("short block", {"0e", "partial20", "timeout"}, {"e0"}, {none}, blk, false, false, false);
    row("port fails waiting for the ack", {"fail"}, {"e0"}, {comm}, ack, false, false, false);
    row("port fails in the block", {"0e", "partial20", "fail"}, {"e0"}, {comm}, blk, false, false, false);
    row("block ok cannot be sent", {"0e", "failsend", "block"}, {"e0"}, {comm}, blk, false, false, false);
}

void TestExchange::readTransitions()
{
    QFETCH(QStringList, steps);
    QFETCH(bool, completed);

    Rig rig;
    rig.session.read();
    for (const QString &step : steps) {
        rig.play(step);
        if (QTest::currentTestFailed())
            return;
    }
    checkTransition(rig);
    const QList<ExchangeResult> results = rig.results();
    for (const ExchangeResult &result : results)
        QCOMPARE(result.kind, ExchangeKind::Read);
    // Only a completed read brings an image, the one the block carried.
    if (completed)
        QCOMPARE(results.constFirst().image, kExampleImage);
    else if (!results.isEmpty())
        QCOMPARE(results.constFirst().image, RadioImage());
}

void TestExchange::writeTransitions_data()
{
    addTransitionColumns();
    const QString block = QString::fromLatin1(kExampleBlock.toHex());
    const QString comm = QStringLiteral("CommunicationError");
    const QString none = QStringLiteral("NoAnswer");
    const QString refused = QStringLiteral("WriteRefused");
    const LinkState ack = LinkState::WriteRequested;
    const LinkState sent = LinkState::ImageSent;
    const auto row = [](const char *name, QStringList steps, QStringList sentHex, QStringList failures, LinkState state,
                        bool open, bool armed, bool completed) {
        QTest::newRow(name) << steps << sentHex << failures << state << open << armed << completed;
    };
    row("good write", {"0f", "77"}, {"f0", block}, {}, sent, true, false, true);
    row("block goes in one hand-over after the ack", {"0f"}, {"f0", block}, {}, sent, true, true, false);
    row("bytes taken with the ack dropped", {"0f77"}, {"f0", block}, {}, sent, true, true, false);
    row("nothing waiting keeps the wait", {"empty"}, {"f0"}, {}, ack, true, true, false);
    row("nothing waiting, then the write", {"empty", "0f", "empty", "77"}, {"f0", block}, {}, sent, true, false, true);
    row("read ack to write command", {"0e"}, {"f0"}, {comm}, ack, false, false, false);
    row("block answered 0x55", {"0f", "55"}, {"f0", block}, {refused}, sent, false, false, false);
    row("block answered by the ack again", {"0f", "0f"}, {"f0", block}, {refused}, sent, false, false, false);
    row("stray byte after a completed write", {"0f", "77", "aa"}, {"f0", block}, {}, sent, true, false, true);
    row("bytes with the 0x77 dropped", {"0f", "77aa55"}, {"f0", block}, {}, sent, true, false, true);
    row("port fails after a completed write", {"0f", "77", "fail"}, {"f0", block}, {}, sent, false, false, true);
    row("stray 0x77 after a completed write", {"0f", "77", "77"}, {"f0", block}, {}, sent, true, false, true);
    row("silent radio", {"timeout"}, {"f0"}, {none}, ack, false, false, false);
    row("no verdict on the block", {"0f", "timeout"}, {"f0", block}, {none}, sent, false, false, false);
    row("block cannot be sent", {"failsend", "0f"}, {"f0"}, {comm}, sent, false, false, false);
    row("port fails waiting for the verdict", {"0f", "fail"}, {"f0", block}, {comm}, sent, false, false, false);
}

void TestExchange::writeTransitions()
{
    QFETCH(QStringList, steps);

    Rig rig;
    rig.write();
    for (const QString &step : steps) {
        rig.play(step);
        if (QTest::currentTestFailed())
            return;
    }
    checkTransition(rig);
    for (const ExchangeResult &result : rig.results()) {
        QCOMPARE(result.kind, ExchangeKind::Write);
        QCOMPARE(result.image, kExampleImage);
    }
}

void TestExchange::idleEngineDropsWhatArrives()
{
    Rig rig;
    QVERIFY(rig.serial.open(QStringLiteral("/dev/fake1")));
    rig.serial.inject(QByteArray::fromHex("0e0f77") + kExampleBlock);
    QCOMPARE(rig.serial.count(), 0);
    QVERIFY(rig.serial.sent.isEmpty());
    QCOMPARE(rig.finished.size(), 0);
    QVERIFY(rig.serial.isOpen());
    QVERIFY(!rig.exchange.responseTimer().isActive());
    QCOMPARE(rig.exchange.state(), LinkState::Idle);
}

void TestExchange::reportsLineBytesAndProgress()
{
    Rig rig;
    QSignalSpy line(&rig.exchange, &ProgrammingExchange::lineBytes);
    QSignalSpy progress(&rig.exchange, &ProgrammingExchange::progressed);
    rig.session.read();
    rig.play(QStringLiteral("0e"));
    rig.serial.injectPieces(kExampleBlock, {20});

    QByteArray toRadio;
    QByteArray fromRadio;
    qint64 previous = 0;
    for (const QList<QVariant> &args : line) {
        const auto direction = args.at(0).value<LineDirection>();
        (direction == LineDirection::ToRadio ? toRadio : fromRadio) += args.at(1).toByteArray();
        QVERIFY(args.at(2).toLongLong() >= previous);
        previous = args.at(2).toLongLong();
    }
    QCOMPARE(toRadio, QByteArray::fromHex("e077"));
    QCOMPARE(fromRadio, '\x0e' + kExampleBlock);

    QStringList steps; // state and block bytes
    for (const QList<QVariant> &args : progress)
        steps.append(QStringLiteral("%1:%2").arg(int(args.at(0).value<LinkState>())).arg(args.at(1).toInt()));
    const auto step = [](LinkState state, int bytes) { return QStringLiteral("%1:%2").arg(int(state)).arg(bytes); };
    QCOMPARE(steps, (QStringList{step(LinkState::ReadRequested, 0), step(LinkState::ImageExpected, 0),
                                 step(LinkState::ImageExpected, 20)}));
    QCOMPARE(rig.completions(), 1);
}

void TestExchange::tracesEveryDeliveryAsItArrives_data()
{
    QTest::addColumn<bool>("reading");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("outcome"); // the trace's outcome line
    QTest::addColumn<int>("after");       // bytes traced below the outcome

    const QString block = QString::fromLatin1(kExampleBlock.toHex());
    QTest::newRow("good read in pieces") << true << QStringList{"0e", "block:10"} << "ok" << 0;
    QTest::newRow("short block") << true << QStringList{"0e", "partial20", "timeout"} << "Connection Error to Radio"
                                 << 0;
    QTest::newRow("hang-up half-way through the block")
        << true << QStringList{"0e", "partial20", "fail"} << "Communication Error (device gone)" << 0;
    QTest::newRow("ack with the block's first bytes, then silence")
        << true << QStringList{"ack+block10", "timeout"} << "Connection Error to Radio" << 0;
    QTest::newRow("wrong ack with block bytes")
        << true << QStringList{"0f" + block.left(20)} << "Communication Error" << 0;
    QTest::newRow("write ack with block bytes") << false << QStringList{"0f" + block.left(20), "77"} << "ok" << 0;
    QTest::newRow("bytes after the write's end") << false << QStringList{"0f", "77aa", "55", "0e0f"} << "ok" << 3;
}

void TestExchange::tracesEveryDeliveryAsItArrives()
{
    QFETCH(bool, reading);
    QFETCH(QStringList, steps);
    QFETCH(QString, outcome);
    QFETCH(int, after);

    Rig rig;
    LineTrace trace;
    traceExchanges(rig.exchange, trace, [] { return QStringLiteral("/dev/fake1"); });
    QSignalSpy line(&rig.exchange, &ProgrammingExchange::lineBytes);
    QByteArray injected;
    int deliveries = 0;
    QObject::connect(&rig.serial, &SerialService::readyRead, &rig.serial, [&] { ++deliveries; });
    // What the radio sends, as the port delivers it.
    const auto countInjected = [&](const QByteArray &bytes) { injected += bytes; };
    if (reading)
        rig.session.read();
    else
        rig.write();
    for (const QString &step : steps) {
        if (step == QLatin1String("block:10"))
            countInjected(kExampleBlock);
        else if (step == QLatin1String("partial20"))
            countInjected(kExampleBlock.left(20));
        else if (step == QLatin1String("ack+block10"))
            countInjected('\x0e' + kExampleBlock.left(10));
        else if (step != QLatin1String("timeout") && step != QLatin1String("fail"))
            countInjected(QByteArray::fromHex(step.toLatin1()));
        rig.play(step);
        if (QTest::currentTestFailed())
            return;
    }
    QCOMPARE(rig.finished.size(), 1);

    // One signal per delivery, at its own time, in order; every byte that came is there.
    QByteArray fromRadio;
    int fromDeliveries = 0;
    qint64 previous = 0;
    for (const QList<QVariant> &args : line) {
        QVERIFY(args.at(2).toLongLong() >= previous);
        previous = args.at(2).toLongLong();
        if (args.at(0).value<LineDirection>() == LineDirection::FromRadio) {
            fromRadio += args.at(1).toByteArray();
            ++fromDeliveries;
        }
    }
    QCOMPARE(fromRadio.toHex(), injected.toHex());
    QCOMPARE(fromDeliveries, deliveries);

    const QStringList lines = trace.text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    int received = 0;
    for (const QString &text : lines)
        received += text.contains(QStringLiteral("<- ")) ? 1 : 0;
    QCOMPARE(received, int(injected.size()));
    QCOMPARE(lines.indexOf(QStringLiteral("= ") + outcome), lines.size() - 1 - after);
}

void TestExchange::windowGatesBeforeTheCommand_data()
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

void TestExchange::windowGatesBeforeTheCommand()
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

void TestExchange::windowShowsOutcomesAsDesigned_data()
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

void TestExchange::windowShowsOutcomesAsDesigned()
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

void TestExchange::timeOutBoxNeverStacks()
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
    rig.parts.session.exchange().onResponseTimeout();
    QCOMPARE(finished.size(), 1);
    QCOMPARE(rig.dialogs.messageTexts(),
             (QStringList{QStringLiteral("Read from Radio?"), QStringLiteral("Connection Error to Radio")}));
}

void TestExchange::portFailureIsReportedOnce()
{
    Rig rig;
    rig.write();
    rig.play(QStringLiteral("0f"));
    rig.play(QStringLiteral("fail"));
    rig.serial.failPort(QStringLiteral("again")); // already closed: nothing more
    Q_EMIT rig.serial.errorOccurred(SerialError::PortFailed, QStringLiteral("a late report"));
    // The time-out that was armed is gone, and one now would end nothing.
    QVERIFY(!rig.exchange.isRunning());
    QVERIFY(!rig.exchange.responseTimer().isActive());
    rig.exchange.onResponseTimeout();
    QCOMPARE(rig.failures(), QStringList{QStringLiteral("CommunicationError")});
    QCOMPARE(rig.results().constFirst().reason, QStringLiteral("device gone"));
    QVERIFY(!rig.serial.isOpen());
}

void TestExchange::startOverRunningExchange()
{
    Rig rig;
    rig.session.read();
    rig.play(QStringLiteral("0e"));
    QCOMPARE(rig.exchange.state(), LinkState::ImageExpected);
    rig.write(); // over the running read: the port is open already
    QCOMPARE(rig.exchange.state(), LinkState::WriteRequested);
    QCOMPARE(rig.serial.opens, 1);
    QVERIFY(rig.exchange.responseTimer().isActive());
    rig.play(QStringLiteral("0f"));
    rig.play(QStringLiteral("77"));
    QCOMPARE(rig.sentHex(),
             (QStringList{QStringLiteral("e0"), QStringLiteral("f0"), QString::fromLatin1(kExampleBlock.toHex())}));
    QCOMPARE(rig.completions(), 1);
    QCOMPARE(rig.failures(), QStringList{QStringLiteral("Superseded")}); // the read, ended by the write
}

void TestExchange::completedWriteLeavesPortForNextRead()
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

void TestExchange::writeRefusedByTheEncoderSendsNothingLater()
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

void TestExchange::exchangesOnSeparatePortsDoNotMeet()
{
    Rig first;
    Rig second;
    first.session.read();
    second.write();
    first.play(QStringLiteral("0e"));
    second.play(QStringLiteral("0f"));
    QCOMPARE(first.exchange.state(), LinkState::ImageExpected);
    QCOMPARE(second.exchange.state(), LinkState::ImageSent);
    first.play(QStringLiteral("block"));
    second.play(QStringLiteral("77"));
    QCOMPARE(first.completions(), 1);
    QCOMPARE(second.completions(), 1);
    QCOMPARE(first.sentHex(), (QStringList{QStringLiteral("e0"), QStringLiteral("77")}));
    QCOMPARE(second.sentHex().first(), QStringLiteral("f0"));
}

void TestExchange::sessionRunsItsStepsOnOneDevice_data()
{
    QTest::addColumn<bool>("writing");
    QTest::addColumn<QString>("options"); // backup, verify, keep (the port after a write), badfolder, nomap
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<SessionStep>("endStep");
    QTest::addColumn<ExchangeOutcome>("outcome");
    QTest::addColumn<int>("differences");
    QTest::addColumn<bool>("portOpen");

    const auto ok = ExchangeOutcome::Ok;
    QTest::newRow("read") << false << "" << QStringList{"0e", "block"} << SessionStep::Read << ok << 0 << false;
    QTest::newRow("write, port closed after it")
        << true << "" << QStringList{"0f", "77"} << SessionStep::Write << ok << 0 << false;
    QTest::newRow("write, port kept after it")
        << true << "keep" << QStringList{"0f", "77"} << SessionStep::Write << ok << 0 << true;
    QTest::newRow("backup, write, read-back")
        << true << "backup,verify,keep" << QStringList{"0e", "block", "0f", "77", "0e", "block"}
        << SessionStep::VerifyRead << ok << 0 << false;
    QTest::newRow("read-back differs") << true << "verify" << QStringList{"0f", "77", "0e", "other"}
                                       << SessionStep::VerifyRead << ok << 2 << false;
    QTest::newRow("backup read fails: nothing written")
        << true << "backup" << QStringList{"0f"} << SessionStep::BackupRead << ExchangeOutcome::CommunicationError << 0
        << false;
    QTest::newRow("backup cannot be kept: nothing written")
        << true << "backup,badfolder" << QStringList{"0e", "block"} << SessionStep::KeepBackup << ok << 0 << false;
    QTest::newRow("write refused after the backup")
        << true << "backup,verify,keep" << QStringList{"0e", "block", "0f", "55"} << SessionStep::Write
        << ExchangeOutcome::WriteRefused << 0 << false;
    QTest::newRow("no device: nothing opened") << true << "backup,nomap" << QStringList{} << SessionStep::BackupRead
                                               << ExchangeOutcome::PortUnavailable << 0 << false;
}

void TestExchange::sessionRunsItsStepsOnOneDevice()
{
    QFETCH(bool, writing);
    QFETCH(QString, options);
    QFETCH(QStringList, steps);
    QFETCH(SessionStep, endStep);
    QFETCH(ExchangeOutcome, outcome);
    QFETCH(int, differences);
    QFETCH(bool, portOpen);

    TestFolder folder;
    FakeSerialService serial;
    PortHolder port(serial);
    int resolved = 0;
    // The device of the COM port changes at every asking: a session asks once.
    ProgrammingSession session(port, [&resolved, &options] {
        ++resolved;
        if (options.contains(QLatin1String("nomap")))
            return PortTarget{{}, QStringLiteral("COM1: the device map comport.map: it is a folder")};
        return PortTarget{QStringLiteral("/dev/fake%1").arg(resolved), {}};
    });
    session.exchange().setResponseTimeout(kShortTimeout);
    QSignalSpy finished(&session, &ProgrammingSession::finished);
    QSignalSpy backedUp(&session, &ProgrammingSession::backedUp);
    const QString backupFolder =
        folder.filePath(options.contains(QLatin1String("badfolder")) ? QStringLiteral("file") : QStringLiteral("kept"));
    if (options.contains(QLatin1String("badfolder"))) {
        QVERIFY(QDir().mkpath(QFileInfo(backupFolder).path()));
        QFile file(backupFolder); // a file where the folder should be
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const BackupStore backups(backupFolder);
    SessionOptions chosen;
    chosen.backups = &backups;
    chosen.backUpBeforeWrite = options.contains(QLatin1String("backup"));
    chosen.verifyAfterWrite = options.contains(QLatin1String("verify"));
    chosen.keepPortAfterWrite = options.contains(QLatin1String("keep"));

    if (writing)
        session.write(kExampleImage, chosen);
    else
        session.read(chosen);
    QByteArray other = kExampleBlock; // CH1 RX and TX one digit higher each
    other[5] = char(other[5] + 1);
    other[11] = char(other[11] + 1);
    other[36] = char(other[36] + 2);
    for (const QString &step : steps) {
        if (step == QLatin1String("block"))
            serial.inject(kExampleBlock);
        else if (step == QLatin1String("other"))
            serial.inject(other);
        else
            serial.inject(QByteArray::fromHex(step.toLatin1()));
    }

    QCOMPARE(finished.size(), 1);
    const auto result = finished.constFirst().at(0).value<SessionResult>();
    QCOMPARE(result.step, endStep);
    QCOMPARE(result.outcome, outcome);
    QCOMPARE(int(result.differences.size()), differences);
    QCOMPARE(result.succeeded(),
             outcome == ExchangeOutcome::Ok && endStep != SessionStep::KeepBackup && differences == 0);
    QCOMPARE(serial.isOpen(), portOpen);
    QVERIFY(!session.isRunning());
    // One device for the whole run, opened once and held from the first step to the last.
    QCOMPARE(resolved, 1);
    QCOMPARE(serial.opens, outcome == ExchangeOutcome::PortUnavailable ? 0 : 1);
    if (outcome != ExchangeOutcome::PortUnavailable) {
        QCOMPARE(result.device, QStringLiteral("/dev/fake1"));
        QCOMPARE(serial.device(), QStringLiteral("/dev/fake1"));
    } else {
        QVERIFY(result.reason.contains(QStringLiteral("comport.map")));
    }
    // The backup is named after that device, and the write went out only after it was kept.
    const bool kept =
        chosen.backUpBeforeWrite && endStep != SessionStep::BackupRead && endStep != SessionStep::KeepBackup;
    QCOMPARE(backedUp.size(), kept ? 1 : 0);
    QCOMPARE(result.backupPath.isEmpty(), !kept);
    if (kept)
        QVERIFY2(QFileInfo(result.backupPath).fileName().startsWith(backupDeviceName(result.device)),
                 qPrintable(result.backupPath));
    QCOMPARE(serial.sentBytes().contains(char(WireBytes::WriteCommand)),
             writing && endStep != SessionStep::BackupRead && endStep != SessionStep::KeepBackup);
    QCOMPARE(result.image, writing || outcome == ExchangeOutcome::Ok ? kExampleImage : RadioImage());
}

QTEST_MAIN(TestExchange)
#include "tst_exchange.moc"
