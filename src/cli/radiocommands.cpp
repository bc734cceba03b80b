#include "cli/radiocommands.h"

#include "cli/consoleoutput.h"
#include "cli/exitcodes.h"
#include "cli/interruption.h"
#include "cli/plancommands.h"
#include "cli/radiojob.h"
#include "cli/usage.h"
#include "common/appfolder.h"
#include "common/printable.h"
#include "common/safefile.h"
#include "common/shownpath.h"
#include "radio/backupstore.h"
#include "radio/frequencyfile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonDocument>

#include <cstdio>
#include <memory>
#include <vector>

#include <unistd.h>

namespace kav::cli {

namespace {

// One status line on standard error while jobs run, redrawn in place; only on a terminal.
class ProgressLine
{
public:
    explicit ProgressLine(const std::vector<std::unique_ptr<RadioJob>> &jobs)
        : m_jobs(jobs), m_enabled(::isatty(STDERR_FILENO) == 1)
    {
    }

    void redraw()
    {
        if (!m_enabled)
            return;
        QStringList parts;
        for (const auto &job : m_jobs)
            parts.append(printableText(job->name()) + QStringLiteral(": ") + job->progress());
        std::fprintf(stderr, "\r\033[K%s", qPrintable(parts.join(QStringLiteral(" | "))));
        std::fflush(stderr);
    }

    void clear()
    {
        if (m_enabled)
            std::fprintf(stderr, "\r\033[K");
    }

private:
    const std::vector<std::unique_ptr<RadioJob>> &m_jobs;
    bool m_enabled;
};

// Runs every job in one event loop; the exit code of the first that failed.
// SIGINT or SIGTERM stops every job still running (its port closed, its locks
// gone), names each as interrupted and gives 130 or 143.
int runJobs(const std::vector<std::unique_ptr<RadioJob>> &jobs, const std::function<void(RadioJob &)> &report)
{
    ProgressLine progress(jobs);
    Interruption interruption;
    QObject::connect(&interruption, &Interruption::interrupted, &interruption, [&jobs, &progress](int signal) {
        progress.clear();
        for (const auto &job : jobs) {
            if (!job->finished()) {
                printError(job->name() + QStringLiteral(": interrupted"));
                job->interrupt(Interruption::exitCodeFor(signal));
            }
        }
    });
    int remaining = int(jobs.size());
    for (const auto &job : jobs) {
        QObject::connect(job.get(), &RadioJob::progressed, job.get(), [&progress] { progress.redraw(); });
        QObject::connect(job.get(), &RadioJob::done, job.get(), [&, raw = job.get()] {
            progress.clear();
            report(*raw);
            progress.redraw();
            if (--remaining == 0)
                QCoreApplication::exit(0);
        });
    }
    for (const auto &job : jobs)
        job->start();
    if (remaining > 0)
        QCoreApplication::exec();
    progress.clear();
    if (const int signal = interruption.received(); signal != 0) {
        for (const auto &job : jobs) {
            if (!job->finished()) { // the signal came while no event loop ran
                printError(job->name() + QStringLiteral(": interrupted"));
                job->interrupt(Interruption::exitCodeFor(signal));
            }
        }
        return Interruption::exitCodeFor(signal);
    }
    for (const auto &job : jobs) {
        if (job->exitCode() != ExitOk)
            return job->exitCode();
    }
    return ExitOk;
}

struct Target
{
    QString device;
    int com = 0;
};

// The --device and --com options, in the order given; false, with why, when
// one is unusable: an empty or blank device (an unset shell variable would
// otherwise mean COM1), a number outside 1 to 255, or both options at once.
bool targetsOf(const QCommandLineParser &parser, std::vector<Target> &targets, QString *why)
{
    const QStringList devices = parser.values(QStringLiteral("device"));
    const QStringList numbers = parser.values(QStringLiteral("com"));
    if (!devices.isEmpty() && !numbers.isEmpty()) {
        *why = QStringLiteral("give either --device or --com, not both");
        return false;
    }
    for (const QString &device : devices) {
        if (device.trimmed().isEmpty()) {
            *why = QStringLiteral("--device needs the path of a serial device");
            return false;
        }
        targets.push_back({device, 0});
    }
    for (const QString &text : numbers) {
        bool ok = false;
        const int number = text.toInt(&ok);
        if (!ok || number < 1 || number > 255) {
            *why = QStringLiteral("--com takes a number from 1 to 255");
            return false;
        }
        targets.push_back({{}, number});
    }
    return true;
}

void addTargetOptions(QCommandLineParser &parser)
{
    parser.addOption(
        {QStringLiteral("device"), QStringLiteral("The serial device of the radio."), QStringLiteral("PATH")});
    parser.addOption(
        {QStringLiteral("com"), QStringLiteral("COM port N, as the window maps it."), QStringLiteral("N")});
    parser.addOption({QStringLiteral("trace"), QStringLiteral("Save the bytes on the line."), QStringLiteral("FILE")});
}

// The --trace file, or empty. False, said on standard error, when it exists
// and is not a regular file: refused before any port is opened.
bool traceTarget(const QCommandLineParser &parser, QString *path)
{
    *path = parser.value(QStringLiteral("trace"));
    if (path->isEmpty())
        return true;
    const QString refused = refusedTargetReason(*path);
    if (refused.isEmpty())
        return true;
    printError(QStringLiteral("Could not save the line trace to %1 (%2)").arg(shownPath(*path), refused));
    return false;
}

// Every job's trace in one file, in the order of the devices; false, said on
// standard error, when it could not be written. Nothing to do without a path.
bool saveTrace(const QString &path, const std::vector<std::unique_ptr<RadioJob>> &jobs)
{
    if (path.isEmpty())
        return true;
    QStringList blocks;
    for (const auto &job : jobs) {
        if (!job->trace().isEmpty())
            blocks.append(job->trace().text());
    }
    QString reason;
    if (replaceFile(path, blocks.join(QLatin1Char('\n')).toUtf8(), &reason))
        return true;
    printError(QStringLiteral("Could not save the line trace to %1 (%2)").arg(shownPath(path), reason));
    return false;
}

} // namespace

int runRead(const QStringList &arguments)
{
    QCommandLineParser parser;
    addTargetOptions(parser);
    parser.addOption({{QStringLiteral("o"), QStringLiteral("output")},
                      QStringLiteral("Save the plan read."),
                      QStringLiteral("FILE.sav")});
    parser.addOption({QStringLiteral("json"), QStringLiteral("Print JSON.")});
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    std::vector<Target> targets;
    QString why;
    if (!targetsOf(parser, targets, &why))
        return usageError(why);
    if (targets.size() != 1 || !parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("read needs exactly one --device or --com"));
    if (const int same = refuseSameFile(QStringLiteral("--trace"), parser.value(QStringLiteral("trace")),
                                        QStringLiteral("-o"), parser.value(QStringLiteral("o"))))
        return same;

    // A target that cannot take the plan is refused before the radio is read.
    const QString refused =
        parser.isSet(QStringLiteral("o")) ? refusedTargetReason(parser.value(QStringLiteral("o"))) : QString();
    if (!refused.isEmpty()) {
        printError(
            QStringLiteral("Could not save to %1 (%2)").arg(shownPath(parser.value(QStringLiteral("o"))), refused));
        return ExitFileRefused;
    }
    QString trace;
    if (!traceTarget(parser, &trace))
        return ExitFileRefused;

    std::vector<std::unique_ptr<RadioJob>> jobs;
    jobs.push_back(std::make_unique<RadioJob>(RadioJob::Kind::Read, targets[0].device, targets[0].com));
    const int code = runJobs(jobs, [](RadioJob &) {});
    const bool traced = saveTrace(trace, jobs);
    if (code != ExitOk)
        return code;

    const RadioJob &job = *jobs.front();
    if (parser.isSet(QStringLiteral("o"))) {
        QString reason;
        const QString path = parser.value(QStringLiteral("o"));
        if (!saveFrequencyFile(path, job.receivedImage(), &reason)) {
            printError(QStringLiteral("Could not save to %1 (%2)").arg(shownPath(path), reason));
            return ExitFileRefused;
        }
        printError(QStringLiteral("Saved to ") + shownPath(path));
    }
    if (parser.isSet(QStringLiteral("json"))) {
        QJsonObject object = planJson(job.plan(), job.receivedImage());
        object.insert(QStringLiteral("device"), job.name());
        if (!printOut(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented)).trimmed()))
            return ExitFileRefused;
    } else if (!printOut(planLines(job.plan()).join(QLatin1Char('\n')))) {
        return ExitFileRefused;
    }
    return traced ? ExitOk : ExitFileRefused;
}

int runWrite(const QStringList &arguments)
{
    QCommandLineParser parser;
    addTargetOptions(parser);
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("the *.sav file to write"));
    parser.addOption({QStringLiteral("verify"), QStringLiteral("Read each radio back and compare.")});
    parser.addOption({QStringLiteral("backup-dir"), QStringLiteral("Keep the backups here."), QStringLiteral("DIR")});
    parser.addOption({QStringLiteral("no-backup"), QStringLiteral("Do not read the radios before writing.")});
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    const bool backup = !parser.isSet(QStringLiteral("no-backup"));
    if (!backup && parser.isSet(QStringLiteral("backup-dir")))
        return usageError(QStringLiteral("give either --backup-dir or --no-backup, not both"));
    if (parser.isSet(QStringLiteral("backup-dir")) && parser.value(QStringLiteral("backup-dir")).trimmed().isEmpty())
        return usageError(QStringLiteral("--backup-dir needs a folder"));
    std::vector<Target> targets;
    QString why;
    if (!targetsOf(parser, targets, &why))
        return usageError(why);
    if (parser.positionalArguments().size() != 1 || targets.empty())
        return usageError(QStringLiteral("write needs one file and at least one --device or --com"));

    const QString path = parser.positionalArguments().constFirst();
    if (const int same = refuseSameFile(QStringLiteral("--trace"), parser.value(QStringLiteral("trace")),
                                        QStringLiteral("the plan"), path))
        return same;
    const std::optional<RadioImage> plan = readFrequencyFile(path);
    if (!plan) {
        printError(QStringLiteral("This is not Saved File: ") + shownPath(path));
        return ExitFileRefused;
    }
    QString trace;
    if (!traceTarget(parser, &trace))
        return ExitFileRefused;

    QString backupFolder;
    if (backup) {
        backupFolder = parser.isSet(QStringLiteral("backup-dir")) ? parser.value(QStringLiteral("backup-dir"))
                                                                  : BackupStore::defaultFolder(applicationFolder());
    }
    const bool verify = parser.isSet(QStringLiteral("verify"));
    std::vector<std::unique_ptr<RadioJob>> jobs;
    for (const Target &target : targets) {
        auto job = std::make_unique<RadioJob>(RadioJob::Kind::Write, target.device, target.com);
        job->setPlan(*plan);
        job->setVerify(verify);
        job->setBackupFolder(backupFolder);
        jobs.push_back(std::move(job));
    }
    bool printed = true; // every result line reached standard output
    const int code = runJobs(jobs, [verify, &printed](RadioJob &job) {
        QString result = job.name() + QStringLiteral(": failed: ") + job.failure();
        if (job.exitCode() > ExitInterrupted)
            result = job.name() + QStringLiteral(": interrupted");
        else if (job.exitCode() == ExitOk)
            result = job.name() + (verify ? QStringLiteral(": written and verified") : QStringLiteral(": written"));
        printed = printOut(result) && printed;
    });
    const bool traced = saveTrace(trace, jobs);
    // As the window at every start, by the same rules: a fleet written daily does not fill the disk.
    if (!backupFolder.isEmpty())
        BackupStore(backupFolder).prune();
    return code == ExitOk && !(traced && printed) ? int(ExitFileRefused) : code;
}

} // namespace kav::cli
