// Cold start to the main window shown and idle (on the clock, and in processor
// time, which a loaded machine disturbs far less), and the peak resident memory
// of the idle window: Kavrilink (through kavlauncher) against a bare Qt
// Widgets window of the same size and fonts (barewindow), started alternately
// in the same run, each a fresh process. Prints medians and their ratios.
//
//   bench_startup [--runs N] [--platform offscreen|xcb] [--backups N] [--before KAVLAUNCHER]
// --before starts another build's kavlauncher (an earlier commit's) in the same
// rotation, so that a change is measured before and after on the same machine
// at the same moments.
// --backups N puts N backups of the last days into Kavrilink's backups folder
// first (none old enough to be pruned, so every start lists them all).
// For xcb run it under an X server (scripts/bench uses xvfb-run).
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Sample
{
    double milliseconds = 0;
    double cpuMilliseconds = 0;
    long peakKilobytes = 0;
    QString windowSize;
    QByteArray errors;
};

struct Program
{
    QString name;
    QString path;
    std::vector<double> starts;
    std::vector<double> cpu;
    std::vector<double> peaks;
    QString windowSize;
    QByteArray errors;
};

bool startOnce(const QString &path, const QProcessEnvironment &environment, Sample &sample)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProgram(path);
    QElapsedTimer timer;
    timer.start();
    process.start();
    QByteArray line;
    while (!line.contains('\n')) {
        if (!process.waitForReadyRead(30000))
            break;
        line += process.readAllStandardOutput();
    }
    sample.milliseconds = double(timer.nsecsElapsed()) / 1e6;
    process.waitForFinished(30000);
    sample.errors = process.readAllStandardError();
    const QList<QByteArray> fields = line.trimmed().split(' ');
    if (fields.size() != 5 || fields[0] != "idle") {
        std::fprintf(stderr, "%s did not report idle: %s\n%s\n", qPrintable(path), line.constData(),
                     sample.errors.constData());
        return false;
    }
    sample.peakKilobytes = fields[1].toLong();
    sample.windowSize = QString::fromLatin1(fields[3]);
    sample.cpuMilliseconds = fields[4].toDouble();
    return true;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    int runs = 20;
    int backups = 0;
    QString platform = QStringLiteral("offscreen");
    QString before;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--runs"))
            runs = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--platform"))
            platform = args[i + 1];
        else if (args[i] == QLatin1String("--backups"))
            backups = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--before"))
            before = args[i + 1];
    }

    const QString here = QCoreApplication::applicationDirPath();
    Program bare{QStringLiteral("bare window"), here + QStringLiteral("/barewindow"), {}, {}, {}, {}, {}};
    Program kav{QStringLiteral("kavrilink"), here + QStringLiteral("/kavlauncher"), {}, {}, {}, {}, {}};
    Program earlier{QStringLiteral("kavrilink before"), before, {}, {}, {}, {}, {}};
    std::vector<Program *> programs{&bare, &kav};
    if (!before.isEmpty())
        programs.push_back(&earlier);

    // One private application folder for all of Kavrilink's starts, as for a
    // user who starts it again and again.
    QTemporaryDir data;
    QTemporaryDir runtime;
    QFile::setPermissions(runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    const QDir backupFolder(QDir(data.path()).filePath(QStringLiteral("Kavrilink/backups")));
    QDir().mkpath(backupFolder.path());
    const QDateTime now = QDateTime::currentDateTime();
    for (int i = 0; i < backups; ++i) {
        QFile file(backupFolder.filePath(
            QStringLiteral("ttyUSB0-%1.sav").arg(now.addSecs(-60 * i).toString(QStringLiteral("yyyyMMdd-HHmmss")))));
        if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(" 0 \r\n").repeated(36)) != 180)
            return 1;
    }

    // One start of each first, not counted: loads the libraries into the page cache.
    for (Program *p : programs) {
        Sample sample;
        if (!startOnce(p->path, environment, sample))
            return 1;
    }
    for (int run = 0; run < runs; ++run) {
        // Alternate who goes first, so that none profits from the others.
        std::vector<Program *> order = programs;
        if (run % 2)
            std::reverse(order.begin(), order.end());
        for (Program *p : order) {
            Sample sample;
            if (!startOnce(p->path, environment, sample))
                return 1;
            p->starts.push_back(sample.milliseconds);
            p->cpu.push_back(sample.cpuMilliseconds);
            p->peaks.push_back(double(sample.peakKilobytes) / 1024.0);
            p->windowSize = sample.windowSize;
            if (!sample.errors.isEmpty())
                p->errors = sample.errors;
        }
    }

    const double startBare = median(bare.starts);
    const double startKav = median(kav.starts);
    const double peakBare = median(bare.peaks);
    const double peakKav = median(kav.peaks);
    std::printf("platform %s: %d cold starts of each, alternating; %d backups\n", qPrintable(platform), runs, backups);
    std::printf("  %-26s %12s %12s %7s %8s\n", "", "bare window", "kavrilink", "ratio", "target");
    std::printf("  %-26s %9.1f ms %9.1f ms %7.2f %8s\n", "start to idle, median", startBare, startKav,
                startKav / startBare, "<= 1.25");
    std::printf("  %-26s %9.1f ms %9.1f ms %7.2f %8s\n", "processor time, median", median(bare.cpu), median(kav.cpu),
                median(kav.cpu) / median(bare.cpu), "<= 1.25");
    std::printf("  %-26s %9.1f ms %9.1f ms\n", "start to idle, fastest",
                *std::min_element(bare.starts.begin(), bare.starts.end()),
                *std::min_element(kav.starts.begin(), kav.starts.end()));
    std::printf("  %-26s %8.1f MiB %8.1f MiB %7.2f %8s\n", "peak RSS when idle, median", peakBare, peakKav,
                peakKav / peakBare, "<= 1.15");
    std::printf("  %-26s %12s %12s\n", "window frame", qPrintable(bare.windowSize), qPrintable(kav.windowSize));
    if (!before.isEmpty()) {
        std::printf("  before: start to idle %.1f ms (%.2f), processor time %.1f ms (%.2f), peak RSS %.1f MiB\n",
                    median(earlier.starts), median(earlier.starts) / startBare, median(earlier.cpu),
                    median(earlier.cpu) / median(bare.cpu), median(earlier.peaks));
    }
    for (const Program *p : programs) {
        if (!p->errors.isEmpty())
            std::printf("  %s printed on stderr:\n%s", qPrintable(p->name), p->errors.constData());
    }
    return 0;
}
