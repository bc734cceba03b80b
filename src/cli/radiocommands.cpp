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
#include "link/programminghistory.h"
#include "radio/backupstore.h"
#include "radio/decoder.h"
#include "radio/encoder.h"
#include "radio/frequencyfile.h"
#include "radio/plancompare.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
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

// Stops a job still running for signal and says what it came to: interrupted,
// or interrupted after its radio had accepted the plan.
void interruptJob(RadioJob &job, int signal)
{
    if (job.finished())
        return;
    job.interrupt(Interruption::exitCodeFor(signal));
    printError(job.name() + QStringLiteral(": ") + job.resultText());
}

// Runs every job in one event loop; the exit code of the first that failed.
// SIGINT or SIGTERM stops every job still running (its port closed, its locks
// gone), says what each came to and gives 130 or 143.
int runJobs(const std::vector<std::unique_ptr<RadioJob>> &jobs, const std::function<void(RadioJob &)> &report)
{
    ProgressLine progress(jobs);
    Interruption interruption;
    QObject::connect(&interruption, &Interruption::interrupted, &interruption, [&jobs, &progress](int signal) {
        progress.clear();
        for (const auto &job : jobs)
            interruptJob(*job, signal);
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
        for (const auto &job : jobs) // the signal came while no event loop ran
            interruptJob(*job, signal);
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
bool targetsOf(const Invocation &invocation, std::vector<Target> &targets, QString *why)
{
    const QStringList devices = invocation.values(Option::Device);
    const QStringList numbers = invocation.values(Option::Com);
    if (!devices.isEmpty() && !numbers.isEmpty()) {
        *why =
            QStringLiteral("give either %1 or %2, not both").arg(optionFlag(Option::Device), optionFlag(Option::Com));
        return false;
    }
    for (const QString &device : devices) {
        if (device.trimmed().isEmpty()) {
            *why = QStringLiteral("%1 needs the path of a serial device").arg(optionFlag(Option::Device));
            return false;
        }
        targets.push_back({device, 0});
    }
    for (const QString &text : numbers) {
        bool ok = false;
        const int number = text.toInt(&ok);
        if (!ok || number < 1 || number > 255) {
            *why = QStringLiteral("%1 takes a number from 1 to 255").arg(optionFlag(Option::Com));
            return false;
        }
        targets.push_back({{}, number});
    }
    return true;
}

// The --trace file, or empty. False, said on standard error, when it exists
// and is not a regular file: refused before any port is opened.
bool traceTarget(const Invocation &invocation, QString *path)
{
    *path = invocation.value(Option::Trace);
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

int runRead(const Invocation &invocation)
{
    std::vector<Target> targets;
    QString why;
    if (!targetsOf(invocation, targets, &why))
        return usageError(why);
    if (targets.size() != 1)
        return usageError(
            QStringLiteral("read needs exactly one %1 or %2").arg(optionFlag(Option::Device), optionFlag(Option::Com)));
    const QString output = invocation.value(Option::Output);
    if (const int same = refuseSameFile(optionFlag(Option::Trace), invocation.value(Option::Trace),
                                        optionFlag(Option::Output), output))
        return same;

    // A target that cannot take the plan is refused before the radio is read.
    const QString refused = invocation.isSet(Option::Output) ? refusedTargetReason(output) : QString();
    if (!refused.isEmpty()) {
        printError(QStringLiteral("Could not save to %1 (%2)").arg(shownPath(output), refused));
        return ExitFileRefused;
    }
    QString trace;
    if (!traceTarget(invocation, &trace))
        return ExitFileRefused;

    std::vector<std::unique_ptr<RadioJob>> jobs;
    jobs.push_back(std::make_unique<RadioJob>(RadioJob::Kind::Read, targets[0].device, targets[0].com));
    const int code = runJobs(jobs, [](RadioJob &) {});
    const bool traced = saveTrace(trace, jobs);
    if (code != ExitOk)
        return code;

    const RadioJob &job = *jobs.front();
    if (invocation.isSet(Option::Output)) {
        QString reason;
        if (!saveFrequencyFile(output, job.receivedImage(), &reason)) {
            printError(QStringLiteral("Could not save to %1 (%2)").arg(shownPath(output), reason));
            return ExitFileRefused;
        }
        printError(QStringLiteral("Saved to ") + shownPath(output));
    }
    if (invocation.isSet(Option::Json)) {
        QJsonObject object = planJson(job.plan(), job.receivedImage());
        object.insert(QStringLiteral("device"), job.name());
        if (!printOut(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented)).trimmed()))
            return ExitFileRefused;
    } else if (!printOut(planLines(job.plan()).join(QLatin1Char('\n')))) {
        return ExitFileRefused;
    }
    return traced ? ExitOk : ExitFileRefused;
}

namespace {

// What write and diff share: the plan file, the radios and the trace, checked
// before any port is opened.
struct FleetRun
{
    QString planPath;
    RadioImage plan; // as the sheet would send it after OPEN
    std::vector<Target> targets;
    QString trace;
};

// Fills run from the command line; ExitOk, or the exit code of a usage error
// or refusal already said on standard error.
int prepareFleet(const Invocation &invocation, const QString &command, FleetRun *run)
{
    QString why;
    if (!targetsOf(invocation, run->targets, &why))
        return usageError(why);
    if (run->targets.empty())
        return usageError(QStringLiteral("%1 needs one file and at least one %2 or %3")
                              .arg(command, optionFlag(Option::Device), optionFlag(Option::Com)));
    run->planPath = invocation.operand();
    if (const int same = refuseSameFile(optionFlag(Option::Trace), invocation.value(Option::Trace),
                                        QStringLiteral("the plan"), run->planPath))
        return same;
    const std::optional<RadioImage> file = readFrequencyFile(run->planPath);
    if (!file) {
        printError(QStringLiteral("This is not Saved File: ") + shownPath(run->planPath));
        return ExitFileRefused;
    }
    // As OPEN then WRITE in the window: the plan as the sheet would show it, encoded from those texts.
    const EncodeResult encoded = buildSendImage(RadioImage(), decodePlan(*file));
    if (encoded.outcome != EncodeOutcome::Encoded) {
        printMessage(shownPath(run->planPath), encodeMessage(encoded.outcome));
        return ExitFileRefused;
    }
    run->plan = encoded.image;
    return traceTarget(invocation, &run->trace) ? ExitOk : ExitFileRefused;
}

} // namespace

int runWrite(const Invocation &invocation)
{
    const bool backup = !invocation.isSet(Option::NoBackup);
    if (!backup && invocation.isSet(Option::BackupDir))
        return usageError(QStringLiteral("give either %1 or %2, not both")
                              .arg(optionFlag(Option::BackupDir), optionFlag(Option::NoBackup)));
    if (invocation.isSet(Option::BackupDir) && invocation.value(Option::BackupDir).trimmed().isEmpty())
        return usageError(QStringLiteral("%1 needs a folder").arg(optionFlag(Option::BackupDir)));
    FleetRun fleet;
    if (const int refused = prepareFleet(invocation, QStringLiteral("write"), &fleet))
        return refused;

    QString backupFolder;
    if (backup && invocation.isSet(Option::BackupDir)) {
        backupFolder = invocation.value(Option::BackupDir);
    } else if (backup) {
        QString problem;
        const QString folder = applicationFolder(&problem);
        if (folder.isEmpty()) {
            printError(QStringLiteral("Backup failed, nothing written: %1 (give %2 DIR, or set HOME)")
                           .arg(problem, optionFlag(Option::BackupDir)));
            return ExitBackupFailed;
        }
        backupFolder = BackupStore::defaultFolder(folder);
    }
    // Every write is recorded in the application folder's history, wherever the backups go.
    QString historyProblem;
    const QString appFolder = applicationFolder(&historyProblem);
    const ProgrammingHistory history(
        appFolder.isEmpty() ? QString() : QDir(appFolder).filePath(QString::fromLatin1(kHistoryFileName)));
    const QString planFile = QFileInfo(fleet.planPath).absoluteFilePath();
    std::vector<std::unique_ptr<RadioJob>> jobs;
    for (const Target &target : fleet.targets) {
        auto job = std::make_unique<RadioJob>(RadioJob::Kind::Write, target.device, target.com);
        job->setHistory(appFolder.isEmpty() ? nullptr : &history, historyProblem, planFile);
        job->setPlan(fleet.plan);
        job->setVerify(invocation.isSet(Option::Verify));
        job->setSkipUnchanged(invocation.isSet(Option::SkipUnchanged));
        job->setBackupFolder(backupFolder);
        jobs.push_back(std::move(job));
    }
    bool printed = true; // every result line reached standard output
    const int code = runJobs(jobs, [&printed](RadioJob &job) {
        printed = printOut(printableText(job.name()) + QStringLiteral(": ") + job.resultText()) && printed;
    });
    const bool traced = saveTrace(fleet.trace, jobs);
    // As the window at every start, by the same rules: a fleet written daily does not fill the disk.
    if (!backupFolder.isEmpty())
        BackupStore(backupFolder).prune();
    return code == ExitOk && !(traced && printed) ? int(ExitFileRefused) : code;
}

int runDiff(const Invocation &invocation)
{
    FleetRun fleet;
    if (const int refused = prepareFleet(invocation, QStringLiteral("diff"), &fleet))
        return refused;
    std::vector<std::unique_ptr<RadioJob>> jobs;
    for (const Target &target : fleet.targets)
        jobs.push_back(std::make_unique<RadioJob>(RadioJob::Kind::Read, target.device, target.com));

    const bool json = invocation.isSet(Option::Json);
    bool printed = true;
    bool differs = false;
    QJsonArray radios;
    const int code = runJobs(jobs, [&](RadioJob &job) {
        QJsonObject object{{QStringLiteral("device"), job.name()}};
        QStringList lines{job.exitCode() == ExitOk ? QString() : job.resultText()};
        if (job.exitCode() != ExitOk) {
            object.insert(QStringLiteral("failure"),
                          job.exitCode() > ExitInterrupted ? QStringLiteral("interrupted") : job.failure());
        } else {
            const QList<FieldDifference> changes = comparePlans(fleet.plan, job.receivedImage());
            differs = differs || !changes.isEmpty();
            lines.first() = changes.isEmpty() ? QStringLiteral("same") : QStringLiteral("differs");
            QJsonArray fields;
            for (const FieldDifference &change : changes) {
                lines.append(QStringLiteral("  ") + describeChange(change));
                fields.append(QJsonObject{
                    {QStringLiteral("channel"), change.field.channel + 1},
                    {QStringLiteral("field"),
                     change.field.direction == Direction::Tx ? QStringLiteral("tx") : QStringLiteral("rx")},
                    {QStringLiteral("radio"), change.held.isEmpty() ? QJsonValue() : QJsonValue(change.held)},
                    {QStringLiteral("plan"), change.written.isEmpty() ? QJsonValue() : QJsonValue(change.written)}});
            }
            object.insert(QStringLiteral("same"), changes.isEmpty());
            object.insert(QStringLiteral("differences"), fields);
        }
        if (json) {
            radios.append(object);
            return;
        }
        lines.first() = printableText(job.name()) + QStringLiteral(": ") + lines.constFirst();
        printed = printOut(lines.join(QLatin1Char('\n'))) && printed;
    });
    const bool traced = saveTrace(fleet.trace, jobs);
    if (json && code < ExitInterrupted)
        printed = printOut(QString::fromUtf8(QJsonDocument(radios).toJson(QJsonDocument::Indented)).trimmed());
    if (code != ExitOk)
        return code;
    if (!(traced && printed))
        return ExitFileRefused;
    return differs ? ExitDiffers : ExitOk;
}

} // namespace kav::cli
