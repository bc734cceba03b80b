// kavrilink-simradio: plays the radio on a pseudo-terminal (or a device) so
// the program can READ and WRITE without one.

#include "simtrace.h"
#include "simulatedradio.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

using namespace kav::sim;

namespace {

void printLine(const QString &text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kavrilink-simradio"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulated radio for Kavrilink. Prints the device path for the program on its first line, "
                       "then every byte on the line with its time."));
    parser.addHelpOption();
    const QCommandLineOption device(QStringLiteral("device"),
                                    QStringLiteral("Use this device, not a new pseudo-terminal."),
                                    QStringLiteral("path"));
    const QCommandLineOption hex(QStringLiteral("image"), QStringLiteral("Radio image: 36 bytes as 72 hex digits."),
                                 QStringLiteral("hex"));
    const QCommandLineOption sav(QStringLiteral("sav"), QStringLiteral("Radio image from a *.sav file."),
                                 QStringLiteral("file"));
    const QCommandLineOption fault(QStringLiteral("fault"),
                                   QStringLiteral("Misbehave: %1.").arg(SimulatedRadio::faultNames().join(", ")),
                                   QStringLiteral("name"), QStringLiteral("none"));
    const QCommandLineOption turnaround(QStringLiteral("turnaround"),
                                        QStringLiteral("Pause before each answer in ms (default 10)."),
                                        QStringLiteral("ms"), QStringLiteral("10"));
    const QCommandLineOption quiet(QStringLiteral("quiet"), QStringLiteral("Do not log the bytes."));
    const QCommandLineOption trace(QStringLiteral("trace"),
                                   QStringLiteral("Log the bytes as Kavrilink's line trace: a block per exchange."));
    parser.addOptions({device, hex, sav, fault, turnaround, quiet, trace});
    parser.process(app);

    SimulatedRadio radio;
    const std::optional<Fault> chosen = SimulatedRadio::faultFromName(parser.value(fault));
    bool turnaroundOk = false;
    const int turnaroundMs = parser.value(turnaround).toInt(&turnaroundOk);
    if (!chosen || !turnaroundOk || turnaroundMs < 0) {
        std::fprintf(stderr, "kavrilink-simradio: bad --fault or --turnaround\n");
        return 2;
    }
    if (parser.isSet(hex) || parser.isSet(sav)) {
        QString error = QStringLiteral("not 72 hex digits");
        const std::optional<QByteArray> image = parser.isSet(sav)
                                                    ? SimulatedRadio::imageFromSav(parser.value(sav), &error)
                                                    : SimulatedRadio::imageFromHex(parser.value(hex));
        if (!image) {
            std::fprintf(stderr, "kavrilink-simradio: no image: %s\n", qPrintable(error));
            return 2;
        }
        radio.setImage(*image);
    }
    radio.setTurnaround(std::chrono::milliseconds(turnaroundMs));

    const bool opened = parser.isSet(device) ? radio.openDevice(parser.value(device)) : radio.openPty();
    if (!opened) {
        std::fprintf(stderr, "kavrilink-simradio: %s\n", qPrintable(radio.line().errorString()));
        return 1;
    }
    printLine(radio.programPath());

    const qint64 origin = toNs(Clock::now());
    SimTrace traceLog(radio.programPath(), printLine);
    if (parser.isSet(trace) && !parser.isSet(quiet)) {
        QObject::connect(&radio.line(), &SimLine::logged, &app,
                         [&traceLog](const LogEntry &entry) { traceLog.add(entry); });
        QObject::connect(&radio, &SimulatedRadio::imageWritten, &app,
                         [&traceLog](const QByteArray &image) { traceLog.stored(image); });
    } else if (!parser.isSet(quiet)) {
        QObject::connect(&radio.line(), &SimLine::logged, &app,
                         [origin](const LogEntry &entry) { printLine(formatLogEntry(entry, origin)); });
    }
    if (!parser.isSet(trace)) {
        QObject::connect(&radio, &SimulatedRadio::imageWritten, &app, [](const QByteArray &image) {
            printLine(QStringLiteral("stored image %1").arg(QString::fromLatin1(image.toHex(' '))));
        });
    }
    QObject::connect(&radio.line(), &SimLine::hungUp, &app, [] { QCoreApplication::exit(0); });
    radio.setFault(*chosen);
    return QCoreApplication::exec();
}
