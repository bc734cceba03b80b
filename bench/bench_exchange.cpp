// Reads and writes against the paced simulated radio over a real
// pseudo-terminal and prints how promptly the program reacts and how close
// each exchange comes to the time the line itself needs.
//   build/bench/bench_exchange [--exchanges N] [--turnaround MS]

#include "link/portholder.h"
#include "link/programmingexchange.h"
#include "link/programmingsession.h"
#include "link/qtserialservice.h"
#include "radio/decoder.h"
#include "radio/encoder.h"
#include "simulatedradio.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>

using namespace kav;
using namespace kav::sim;

namespace {

// Runs the event loop until a handler has set the flag and called wake().
class Waiter
{
public:
    [[nodiscard]] bool waitFor(const bool &flag, int timeoutMs)
    {
        if (flag)
            return true;
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &m_loop, [this] { m_loop.exit(1); });
        limit.start(timeoutMs);
        return m_loop.exec() == 0 && flag;
    }
    void wake() { m_loop.quit(); }

private:
    QEventLoop m_loop;
};

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const auto rank = std::size_t(std::ceil(p * double(values.size())));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

// The program's reaction: from the radio's last byte of a transmission to the
// first byte it reads from the program after it.
std::vector<double> reactionsIn(const QList<LogEntry> &log, qint64 from, qint64 to)
{
    std::vector<double> reactions;
    qint64 lastSent = -1;
    for (const LogEntry &entry : log) {
        if (entry.ns < from || entry.ns > to)
            continue;
        if (entry.kind == LogEntry::Sent) {
            lastSent = entry.ns;
        } else if (entry.kind == LogEntry::Received && lastSent >= 0) {
            reactions.push_back(double(entry.ns - lastSent) / 1e6);
            lastSent = -1;
        }
    }
    return reactions;
}

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path()));
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kavrilink"));

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption count(QStringLiteral("exchanges"), QStringLiteral("Reads and writes each (20)."),
                                   QStringLiteral("n"), QStringLiteral("20"));
    const QCommandLineOption turn(QStringLiteral("turnaround"), QStringLiteral("Radio turnaround in ms (10)."),
                                  QStringLiteral("ms"), QStringLiteral("10"));
    parser.addOptions({count, turn});
    parser.process(app);
    const int exchanges = std::max(1, parser.value(count).toInt());
    const int turnaroundMs = std::max(0, parser.value(turn).toInt());

    SimulatedRadio radio;
    radio.setTurnaround(std::chrono::milliseconds(turnaroundMs));
    radio.setImage(QByteArray::fromHex("040000010205040005000000"
                                       "040001020500040101020500"
                                       "040200000000040203070500"));
    if (!radio.openPty()) {
        std::fprintf(stderr, "no pseudo-terminal: %s\n", qPrintable(radio.line().errorString()));
        return 1;
    }
    QtSerialService serial;
    RadioImage sendImage;
    ChannelPlan sheet;
    // As the window runs them: the port is held from one exchange to the next after a write.
    PortHolder port(serial);
    ProgrammingSession session(port, [&radio] { return PortTarget{radio.programPath(), {}}; });
    ProgrammingExchange &exchange = session.exchange();
    SessionOptions options;
    options.keepPortAfterWrite = true;
    int failures = 0;

    struct Outcome
    {
        const char *kind;
        double wallMs;
        double floorMs;
    };
    std::vector<Outcome> outcomes;
    std::vector<double> reactions;
    const double tau = double(kByteTime.count()) / 1e6;

    Waiter waiter;
    bool done = false;
    // As the window does: a read is shown on the sheet, a write sends the sheet.
    QObject::connect(&exchange, &ProgrammingExchange::finished, &app, [&](const ExchangeResult &result) {
        if (result.outcome != ExchangeOutcome::Ok) {
            ++failures;
        } else if (result.kind == ExchangeKind::Read) {
            sheet = decodePlan(result.image);
        }
        done = true;
        waiter.wake();
    });
    bool verdict = false;
    QObject::connect(&radio, &SimulatedRadio::verdictReceived, &app, [&] {
        verdict = true;
        waiter.wake();
    });

    // Exchange 0 is a read that warms up the process (first open of a port,
    // first use of the code); it is shown but not counted.
    double warmUpMs = 0;
    for (int i = 0; i <= 2 * exchanges; ++i) {
        const bool reading = i <= exchanges;
        // Let the line go quiet between exchanges.
        QEventLoop settle;
        QTimer::singleShot(50, &settle, &QEventLoop::quit);
        settle.exec();

        done = false;
        verdict = false;
        const qint64 start = toNs(Clock::now());
        if (reading) {
            sendImage.clear();
            session.read(options);
        } else {
            const EncodeResult encoded = buildSendImage(sendImage, sheet);
            if (encoded.outcome != EncodeOutcome::Encoded) {
                std::fprintf(stderr, "the sheet of exchange %d cannot be encoded\n", i);
                return 1;
            }
            sendImage = encoded.image;
            session.write(sendImage, options);
        }
        if (!waiter.waitFor(done, 5000) || failures > 0) {
            std::fprintf(stderr, "exchange %d did not complete\n", i);
            return 1;
        }
        const qint64 end = toNs(Clock::now());
        // Read: 0xE0, 0x0E, the block; write: 0xF0, 0x0F, the block, 0x77; a turnaround before each answer.
        const int bytes = reading ? 1 + 1 + 37 : 1 + 1 + 37 + 1;
        const double floorMs = bytes * tau + 2.0 * turnaroundMs;
        if (i == 0)
            warmUpMs = double(end - start) / 1e6;
        else
            outcomes.push_back({reading ? "read" : "write", double(end - start) / 1e6, floorMs});
        if (reading && !waiter.waitFor(verdict, 2000)) {
            std::fprintf(stderr, "the radio never got the verdict on read %d\n", i);
            return 1;
        }
        const std::vector<double> seen = reactionsIn(radio.line().log(), start, toNs(Clock::now()));
        if (i > 0)
            reactions.insert(reactions.end(), seen.begin(), seen.end());
        radio.line().clearLog();
        if (reading)
            sheet.channels[2].rx = QStringLiteral("42.3000"); // the writes send what was read, plus this
    }
    if (!sheet.channels[0].rx.startsWith(QLatin1String("40.0125")) || radio.image().at(24) != 4) {
        std::fprintf(stderr, "the plan did not travel\n");
        return 1;
    }

    std::printf("Kavrilink exchange benchmark: %d reads and %d writes against the simulated radio\n", exchanges,
                exchanges);
    std::printf("line 1200 baud (%.3f ms per byte), radio turnaround %d ms, real pseudo-terminal\n\n", tau,
                turnaroundMs);
    std::printf("floor: the bytes on the line (read 39, write 40) at 1200 baud plus two turnarounds\n");
    std::printf("wall: from the click (the question answered at once) to the completion signal\n\n");
    std::printf("warm-up read, not counted: %.2f ms\n", warmUpMs);
    std::printf("%-4s %-6s %10s %10s %8s\n", "#", "kind", "wall ms", "floor ms", "ratio");
    std::vector<double> ratios[2];
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        const Outcome &o = outcomes[i];
        const double ratio = o.wallMs / o.floorMs;
        ratios[o.kind[0] == 'w'].push_back(ratio);
        std::printf("%-4zu %-6s %10.2f %10.2f %8.4f\n", i + 1, o.kind, o.wallMs, o.floorMs, ratio);
    }
    std::printf("\nreaction latency (radio's last byte sent -> program's next byte received), %zu samples:\n",
                reactions.size());
    std::printf("  median %.3f ms (target <= 1 ms), p99 %.3f ms (target <= 5 ms), max %.3f ms\n", median(reactions),
                percentile(reactions, 0.99), percentile(reactions, 1.0));
    for (int k = 0; k < 2; ++k) {
        std::printf("%s wall time / line-time floor: median %.4f, max %.4f (target <= 1.02)\n", k ? "write" : "read ",
                    median(ratios[k]), percentile(ratios[k], 1.0));
    }
    return 0;
}
