// Resident memory of the real main window over 100 exchanges (reads and
// writes in turn) with the simulated radio, which runs as its own process
// (kavrilink-simradio) so that only the program's memory is counted.
// Prints VmRSS when idle, after the first 10 exchanges and after all of them,
// and the growth between the last two.
//   build/bench/bench_exchangememory [--exchanges N]
#include "app/mainwindow.h"
#include "app/startup.h"
#include "benchsupport.h"
#include "common/appfolder.h"
#include "common/dialogseam.h"
#include "link/programmingexchange.h"
#include "link/qtserialservice.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using namespace kav;
using kav::bench::YesDialogs;

namespace {

long currentKilobytes(const char *key)
{
    return bench::statusKilobytes(bench::processStatus(), key);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path()));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kavrilink"));
    int exchanges = 100;
    const QStringList args = app.arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--exchanges"));
    if (at > 0 && at + 1 < args.size())
        exchanges = args[at + 1].toInt();

    QProcess radio;
    radio.start(QStringLiteral(KAVRILINK_SIMRADIO), {QStringLiteral("--quiet"), QStringLiteral("--image"),
                                                     QStringLiteral("040000010205040005000000") + QString(48, u'0')});
    if (!radio.waitForStarted() || !radio.waitForReadyRead(10000)) {
        std::fprintf(stderr, "no simulated radio\n");
        return 1;
    }
    const QByteArray device = radio.readLine().trimmed();
    QtSerialService serial;
    QFile map(home.path() + QStringLiteral("/comport.map"));
    if (!map.open(QIODevice::WriteOnly) || map.write("COM1=" + device + '\n') < 0)
        return 1;
    map.close();

    YesDialogs dialogs;
    ProgramParts parts(applicationFolder(), serial);
    parts.portSetting.setPortMapFile(map.fileName());
    MainWindow window(parts, dialogs);
    parts.startUpSettings();
    window.startUpSheet();
    window.show();
    QEventLoop settle;
    QTimer::singleShot(0, &settle, &QEventLoop::quit);
    settle.exec();
    const long idle = currentKilobytes("VmRSS:");

    QEventLoop loop;
    ProgrammingExchange &exchange = parts.session.exchange();
    QObject::connect(&exchange, &ProgrammingExchange::finished, &loop,
                     [&](const ExchangeResult &result) { loop.exit(result.outcome == ExchangeOutcome::Ok ? 0 : 1); });
    long afterTen = idle;
    for (int n = 1; n <= exchanges; ++n) {
        // A read, then the plan written back, and so on; a write leaves the
        // port open, which the next read uses.
        window.findChild<QPushButton *>(n % 2 ? QStringLiteral("Cmd_Read") : QStringLiteral("Cmd_Write"))->click();
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &loop, [&] { loop.exit(2); });
        limit.start(5000);
        if (loop.exec() != 0) {
            std::fprintf(stderr, "exchange %d did not complete\n", n);
            return 1;
        }
        if (n == 10)
            afterTen = currentKilobytes("VmRSS:");
    }
    const long afterAll = currentKilobytes("VmRSS:");
    std::printf("resident memory of the main window over %d exchanges (reads and writes in turn)\n", exchanges);
    std::printf("  idle, before any exchange     %8.1f MiB\n", double(idle) / 1024);
    std::printf("  after 10 exchanges            %8.1f MiB\n", double(afterTen) / 1024);
    std::printf("  after %3d exchanges           %8.1f MiB\n", exchanges, double(afterAll) / 1024);
    std::printf("  growth from 10 to %3d         %8ld KiB  (target: none)\n", exchanges, afterAll - afterTen);
    std::printf("  peak                          %8.1f MiB\n", double(currentKilobytes("VmHWM:")) / 1024);
    std::printf("  error boxes                   %8d\n", dialogs.errors);
    radio.kill();
    radio.waitForFinished();
    return dialogs.errors == 0 ? 0 : 1;
}
