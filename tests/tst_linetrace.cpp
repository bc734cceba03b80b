#include "link/linetrace.h"

#include <QTest>

using namespace kav;

namespace {

const QDateTime kStart(QDate(2025, 6, 1), QTime(14, 3, 7, 123));
constexpr qint64 kMs = 1'000'000;

} // namespace

class TestLineTrace : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void printsTheDocumentedFormat();
    void staysBoundedUnderBabble_data();
    void staysBoundedUnderBabble();
};

void TestLineTrace::printsTheDocumentedFormat()
{
    LineTrace trace;
    trace.beginExchange(QStringLiteral("Read /dev/ttyUSB0"), 5'000 * kMs, kStart);
    trace.addBytes(LineDirection::ToRadio, "\xE0", 5'000 * kMs);
    trace.addBytes(LineDirection::FromRadio, "\x0E\x04", 5'000 * kMs + 12'345'678);
    trace.endExchange(QStringLiteral("Connection Error to Radio"));
    trace.addBytes(LineDirection::FromRadio, "\x55", 5'100 * kMs); // after the end: kept below it, judged by nobody
    trace.beginExchange(QStringLiteral("Write /dev/ttyUSB0"), 6'000 * kMs, kStart.addSecs(1));
    trace.addBytes(LineDirection::ToRadio, "\xF0", 6'000 * kMs + 1'234'567'891);
    trace.beginExchange(QStringLiteral("Read COM3"), kStart.addSecs(2)); // its time starts at its first byte
    trace.addBytes(LineDirection::ToRadio, "\xE0", 9'000 * kMs);
    trace.addBytes(LineDirection::FromRadio, "\x0E", 9'026 * kMs + 500'000);

    QCOMPARE(trace.text(), QStringLiteral("Read /dev/ttyUSB0 started 2025-06-01 14:03:07.123\n"
                                          "+     0.000 ms  -> E0\n"
                                          "+    12.345 ms  <- 0E\n"
                                          "+    12.345 ms  <- 04\n"
                                          "= Connection Error to Radio\n"
                                          "+   100.000 ms  <- 55\n"
                                          "\n"
                                          "Write /dev/ttyUSB0 started 2025-06-01 14:03:08.123\n"
                                          "+  1234.567 ms  -> F0\n"
                                          "= (interrupted)\n"
                                          "\n"
                                          "Read COM3 started 2025-06-01 14:03:09.123\n"
                                          "+     0.000 ms  -> E0\n"
                                          "+    26.500 ms  <- 0E\n"
                                          "= (running)\n"));
}

void TestLineTrace::staysBoundedUnderBabble_data()
{
    QTest::addColumn<int>("exchanges");
    QTest::addColumn<int>("bytesEach");
    QTest::addColumn<int>("chunk");
    QTest::addColumn<int>("keptExchanges");
    QTest::addColumn<int>("keptBytesEach");

    const int all = LineTrace::kExchangesKept;
    const int cap = LineTrace::kBytesKept;
    QTest::newRow("a read") << 1 << 39 << 1 << 1 << 39;
    QTest::newRow("babble, byte by byte") << 1 << cap * 3 << 1 << 1 << cap;
    QTest::newRow("babble in chunks larger than the cap") << 1 << 50'000 << 10'000 << 1 << cap;
    QTest::newRow("just at the cap") << 1 << cap << 64 << 1 << cap;
    QTest::newRow("more exchanges than kept") << all + 5 << 39 << 3 << all << 39;
    QTest::newRow("every exchange babbles") << all + 10 << cap + 1000 << 512 << all << cap;
}

void TestLineTrace::staysBoundedUnderBabble()
{
    QFETCH(int, exchanges);
    QFETCH(int, bytesEach);
    QFETCH(int, chunk);
    QFETCH(int, keptExchanges);
    QFETCH(int, keptBytesEach);

    LineTrace trace;
    qint64 now = 0;
    for (int e = 0; e < exchanges; ++e) {
        trace.beginExchange(QStringLiteral("Read device %1").arg(e), now, kStart);
        for (int sent = 0; sent < bytesEach; sent += chunk) {
            now += kMs;
            trace.addBytes(LineDirection::FromRadio, QByteArray(qMin(chunk, bytesEach - sent), '\xA5'), now);
        }
        trace.endExchange(QStringLiteral("Communication Error"));
    }

    QCOMPARE(trace.exchangeCount(), keptExchanges);
    const QString text = trace.text();
    QCOMPARE(text.count(QStringLiteral("<- A5\n")), keptExchanges * keptBytesEach);
    QCOMPARE(text.count(QStringLiteral("= Communication Error\n")), keptExchanges);
    const QString dropped = QStringLiteral("… %1 more bytes not kept\n").arg(bytesEach - keptBytesEach);
    QCOMPARE(text.count(dropped), bytesEach > keptBytesEach ? keptExchanges : 0);
    // The oldest exchanges went; the newest is last.
    QVERIFY(text.startsWith(QStringLiteral("Read device %1 started").arg(exchanges - keptExchanges)));
    QVERIFY(text.contains(QStringLiteral("Read device %1 started").arg(exchanges - 1)));
}

QTEST_GUILESS_MAIN(TestLineTrace)
#include "tst_linetrace.moc"
