// Writes one plan to 1, 2, 4 and 8 simulated radios at once with kavrilink-cli
// and prints each batch's wall time as a ratio to one radio's.
//   bench_parallelwrite [ROUNDS]

#include "radio/frequencyfile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

struct Radio
{
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    QString device;
};

std::vector<Radio> startRadios(int count)
{
    std::vector<Radio> radios(count);
    for (Radio &radio : radios) {
        radio.process->start(QStringLiteral(KAVRILINK_SIMRADIO), {QStringLiteral("--quiet")});
        radio.process->waitForReadyRead(10000);
        radio.device = QString::fromLatin1(radio.process->readLine()).trimmed();
    }
    return radios;
}

double writeBatchMs(const QString &plan, const std::vector<Radio> &radios)
{
    // Only the write, as before backups existed; and no backups in the user's folder.
    QStringList arguments{QStringLiteral("write"), plan, QStringLiteral("--no-backup")};
    for (const Radio &radio : radios)
        arguments << QStringLiteral("--device") << radio.device;
    QProcess cli;
    QElapsedTimer timer;
    timer.start();
    cli.start(QStringLiteral(KAVRILINK_CLI), arguments);
    cli.waitForFinished(60000);
    const double ms = timer.nsecsElapsed() / 1e6;
    if (cli.exitCode() != 0)
        std::fprintf(stderr, "write failed: %s\n", cli.readAllStandardOutput().constData());
    return ms;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 7;

    QTemporaryDir dir;
    const QString plan = dir.filePath(QStringLiteral("plan.sav"));
    QByteArray image = QByteArray::fromHex("040000010205040005000000");
    image.resize(36, '\0');
    QString reason;
    if (!kav::saveFrequencyFile(plan, kav::RadioImage::fromLinear(image), &reason))
        return 1;

    std::printf("parallel write with kavrilink-cli, median of %d rounds\n", rounds);
    std::printf("%7s %12s %10s\n", "radios", "wall ms", "ratio");
    double single = 0;
    for (int count : {1, 2, 4, 8}) {
        const std::vector<Radio> radios = startRadios(count);
        std::vector<double> times;
        for (int i = 0; i < rounds; ++i)
            times.push_back(writeBatchMs(plan, radios));
        std::sort(times.begin(), times.end());
        const double median = times[times.size() / 2];
        if (count == 1)
            single = median;
        std::printf("%7d %12.1f %10.3f\n", count, median, median / single);
        for (const Radio &radio : radios) {
            radio.process->terminate();
            radio.process->waitForFinished();
        }
    }
    return 0;
}
