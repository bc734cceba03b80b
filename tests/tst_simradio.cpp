// The simulated radio itself, seen from a plain serial port on its pseudo-terminal.
#include "simulatedradio.h"

#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace kav::sim;

namespace {

const QByteArray kImage = QByteArray::fromHex("040000010205040005000000") + QByteArray(24, '\0');

struct Client
{
    QSerialPort port;
    QByteArray received;

    explicit Client(const QString &path)
    {
        port.setPortName(path);
        QObject::connect(&port, &QSerialPort::readyRead, &port, [this] { received += port.readAll(); });
    }
    [[nodiscard]] bool open() { return port.open(QIODevice::ReadWrite); }
    void send(const QByteArray &bytes) { port.write(bytes); }
    [[nodiscard]] bool waitFor(int count, int timeoutMs = 3000)
    {
        return QTest::qWaitFor([&] { return received.size() >= count; }, timeoutMs);
    }
};

QList<LogEntry> entriesOf(const SimLine &line, LogEntry::Kind kind)
{
    QList<LogEntry> entries;
    for (const LogEntry &entry : line.log()) {
        if (entry.kind == kind)
            entries.append(entry);
    }
    return entries;
}

} // namespace

class TestSimRadio : public QObject
{
    Q_OBJECT

private slots:
    void answersReadAtLineRate();
    void storesWrittenBlockAndAcknowledges();
    void refusesWrittenBlockWithWrongChecksum();
    void deliversAckWithBlockInOnePiece();
    void losesWhatIsSentWhileThePortIsClosed();
    void hangsUpInTheBlock();
    void readsImages_data();
    void readsImages();
};

void TestSimRadio::answersReadAtLineRate()
{
    SimulatedRadio radio;
    radio.setImage(kImage);
    radio.setTurnaround(std::chrono::milliseconds(15));
    QVERIFY(radio.openPty());
    Client client(radio.programPath());
    QVERIFY(client.open());
    client.send(QByteArray(1, '\xe0'));
    QVERIFY(client.waitFor(38));
    QCOMPARE(client.received, QByteArray(1, '\x0e') + kImage + '\x15');

    // Never earlier than the line allows: the command's own byte time, the
    // turnaround, then one byte time per byte, with a turnaround before the block.
    const QList<LogEntry> in = entriesOf(radio.line(), LogEntry::Received);
    const QList<LogEntry> out = entriesOf(radio.line(), LogEntry::Sent);
    QCOMPARE(in.size(), 1);
    QCOMPARE(out.size(), 38);
    const qint64 tau = kByteTime.count();
    const qint64 turn = 15'000'000;
    QVERIFY(in.first().arrivalNs >= in.first().ns + tau);
    QVERIFY(out.first().ns >= in.first().arrivalNs + turn + tau);
    const qint64 blockStart = in.first().arrivalNs + turn + tau + turn;
    for (int i = 1; i < out.size(); ++i)
        QVERIFY2(out.at(i).ns >= blockStart + i * tau, qPrintable(QString::number(i)));
}

void TestSimRadio::storesWrittenBlockAndAcknowledges()
{
    SimulatedRadio radio;
    QVERIFY(radio.openPty());
    QSignalSpy written(&radio, &SimulatedRadio::imageWritten);
    Client client(radio.programPath());
    QVERIFY(client.open());
    client.send(QByteArray(1, '\xf0'));
    QVERIFY(client.waitFor(1));
    QCOMPARE(client.received, QByteArray(1, '\x0f'));
    client.send(kImage + '\x15');
    QVERIFY(client.waitFor(2));
    QCOMPARE(client.received.at(1), '\x77');
    QCOMPARE(written.size(), 1);
    QCOMPARE(radio.image(), kImage);
    // The verdict waits until the whole block has crossed the line.
    const QList<LogEntry> in = entriesOf(radio.line(), LogEntry::Received);
    QCOMPARE(in.size(), 38);
    QVERIFY(in.last().arrivalNs - in.at(1).ns >= 37 * kByteTime.count());
    QVERIFY(entriesOf(radio.line(), LogEntry::Sent).last().ns >= in.last().arrivalNs);
}

void TestSimRadio::refusesWrittenBlockWithWrongChecksum()
{
    SimulatedRadio radio;
    radio.setImage(QByteArray(36, '\x01'));
    QVERIFY(radio.openPty());
    Client client(radio.programPath());
    QVERIFY(client.open());
    client.send(QByteArray(1, '\xf0'));
    QVERIFY(client.waitFor(1));
    client.send(kImage + '\x16');
    QVERIFY(client.waitFor(2));
    QCOMPARE(client.received, QByteArray::fromHex("0f55"));
    QCOMPARE(radio.image(), QByteArray(36, '\x01'));
}

void TestSimRadio::deliversAckWithBlockInOnePiece()
{
    SimulatedRadio radio;
    radio.setImage(kImage);
    radio.setFault(Fault::AckWithBlock);
    QVERIFY(radio.openPty());
    Client client(radio.programPath());
    QVERIFY(client.open());
    client.send(QByteArray(1, '\xe0'));
    QVERIFY(client.waitFor(38));
    const QList<LogEntry> out = entriesOf(radio.line(), LogEntry::Sent);
    QCOMPARE(out.size(), 38);
    QCOMPARE(out.first().ns, out.last().ns); // one write
    QCOMPARE(client.received, QByteArray(1, '\x0e') + kImage + '\x15');
}

void TestSimRadio::losesWhatIsSentWhileThePortIsClosed()
{
    SimulatedRadio radio;
    radio.setImage(kImage);
    QVERIFY(radio.openPty());
    QSignalSpy connected(&radio.line(), &SimLine::connectedChanged);
    {
        Client client(radio.programPath());
        QVERIFY(client.open());
        client.send(QByteArray(1, '\xe0'));
        QVERIFY(client.port.flush()); // close() would drop what is still buffered
        client.port.close();
    }
    QTRY_COMPARE_WITH_TIMEOUT(entriesOf(radio.line(), LogEntry::Dropped).size(), 38, 5000);
    QVERIFY(entriesOf(radio.line(), LogEntry::Sent).isEmpty());

    // The next open starts clean, as on a real port.
    Client again(radio.programPath());
    QVERIFY(again.open());
    QVERIFY(QTest::qWaitFor([&] { return radio.line().isConnected(); }, 2000));
    again.send(QByteArray(1, '\xe0'));
    QVERIFY(again.waitFor(38));
    QCOMPARE(again.received, QByteArray(1, '\x0e') + kImage + '\x15');
}

void TestSimRadio::hangsUpInTheBlock()
{
    SimulatedRadio radio;
    radio.setFault(Fault::HangUpInBlock);
    QVERIFY(radio.openPty());
    QSignalSpy hungUp(&radio.line(), &SimLine::hungUp);
    Client client(radio.programPath());
    QVERIFY(client.open());
    client.send(QByteArray(1, '\xe0'));
    QVERIFY(hungUp.wait(3000));
    QCOMPARE(entriesOf(radio.line(), LogEntry::Sent).size(), 1 + 18);
    QVERIFY(!radio.line().isOpen());
}

void TestSimRadio::readsImages_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("valid");
    QByteArray saved;
    for (char byte : kImage)
        saved += ' ' + QByteArray::number(int(byte)) + " \r\n";
    QTest::newRow("saved file") << saved << true;
    QTest::newRow("without blanks") << QByteArray(saved).replace(" ", "") << true;
    QTest::newRow("35 lines") << saved.left(saved.lastIndexOf(" 0 \r\n")) << false;
    QTest::newRow("a line of 256") << QByteArray(saved).replace(0, 3, " 256 ") << false;
}

void TestSimRadio::readsImages()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, valid);
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("plan.sav")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    const std::optional<QByteArray> image = SimulatedRadio::imageFromSav(file.fileName());
    QCOMPARE(image.has_value(), valid);
    if (valid)
        QCOMPARE(*image, kImage);
    QCOMPARE(SimulatedRadio::imageFromHex(QString::fromLatin1(kImage.toHex(' '))), std::optional(kImage));
    QVERIFY(!SimulatedRadio::imageFromHex(QStringLiteral("0400")));
}

QTEST_GUILESS_MAIN(TestSimRadio)
#include "tst_simradio.moc"
