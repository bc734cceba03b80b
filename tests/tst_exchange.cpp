// The engine of READ and WRITE on a fake port: the commands, acknowledges and
// block of each exchange, the one end of each, and the bytes it traces.
#include "link/exchangetrace.h"
#include "link/linetrace.h"
#include "link/programmingexchange.h"
#include "link/radioprotocol.h"
#include "support/exchangeprobe.h"
#include "support/exchangerig.h"

#include <QSignalSpy>
#include <QTest>

using namespace kav;
using namespace kav::test;

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
    void portFailureIsReportedOnce();
    void exchangesOnSeparatePortsDoNotMeet();

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
    ExchangeProbe::expireResponseTimeout(rig.exchange);
    QCOMPARE(rig.failures(), QStringList{QStringLiteral("CommunicationError")});
    QCOMPARE(rig.results().constFirst().reason, QStringLiteral("device gone"));
    QVERIFY(!rig.serial.isOpen());
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

QTEST_MAIN(TestExchange)
#include "tst_exchange.moc"
