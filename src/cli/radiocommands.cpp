#include "cli/radiocommands.h"

#include "cli/clidialogs.h"
#include "cli/exitcodes.h"
#include "cli/plancommands.h"
#include "cli/radiojob.h"
#include "cli/usage.h"
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
            parts.append(job->name() + QStringLiteral(": ") + job->progress());
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
int runJobs(const std::vector<std::unique_ptr<RadioJob>> &jobs, const std::function<void(RadioJob &)> &report)
{
    ProgressLine progress(jobs);
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

// The --device and --com options, in the order given; false on a bad number.
bool targetsOf(const QCommandLineParser &parser, const QStringList &arguments, std::vector<Target> &targets)
{
    for (const QString &device : parser.values(QStringLiteral("device")))
        targets.push_back({device, 0});
    for (const QString &text : parser.values(QStringLiteral("com"))) {
        bool ok = false;
        const int number = text.toInt(&ok);
        if (!ok || number < 1 || number > 255)
            return false;
        targets.push_back({{}, number});
    }
    Q_UNUSED(arguments)
    return true;
}

void addTargetOptions(QCommandLineParser &parser)
{
    parser.addOption({QStringLiteral("device"), QStringLiteral("The serial device of the radio."),
                      QStringLiteral("PATH")});
    parser.addOption({QStringLiteral("com"), QStringLiteral("COM port N, as the window maps it."),
                      QStringLiteral("N")});
}

} // namespace

int runRead(const QStringList &arguments)
{
    QCommandLineParser parser;
    addTargetOptions(parser);
    parser.addOption({{QStringLiteral("o"), QStringLiteral("output")}, QStringLiteral("Save the plan read."),
                      QStringLiteral("FILE.sav")});
    parser.addOption({QStringLiteral("json"), QStringLiteral("Print JSON.")});
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    std::vector<Target> targets;
    if (!targetsOf(parser, arguments, targets))
        return usageError(QStringLiteral("--com takes a number from 1 to 255"));
    if (targets.size() != 1 || !parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("read needs exactly one --device or --com"));

    std::vector<std::unique_ptr<RadioJob>> jobs;
    jobs.push_back(std::make_unique<RadioJob>(RadioJob::Kind::Read, targets[0].device, targets[0].com));
    const int code = runJobs(jobs, [](RadioJob &) {});
    if (code != ExitOk)
        return code;

    const RadioJob &job = *jobs.front();
    if (parser.isSet(QStringLiteral("o"))) {
        QString reason;
        const QString path = parser.value(QStringLiteral("o"));
        if (!SaveFrequencyFile(path, job.receivedImage(), &reason)) {
            printError(QStringLiteral("Could not save to %1 (%2)").arg(path, reason));
            return ExitFileRefused;
        }
        printError(QStringLiteral("Saved to ") + path);
    }
    if (parser.isSet(QStringLiteral("json"))) {
        QJsonObject object = planJson(job.fieldTexts(), job.receivedImage());
        object.insert(QStringLiteral("device"), job.name());
        printOut(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented)).trimmed());
    } else {
        for (const QString &line : planLines(job.fieldTexts()))
            printOut(line);
    }
    return ExitOk;
}

int runWrite(const QStringList &arguments)
{
    QCommandLineParser parser;
    addTargetOptions(parser);
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("the *.sav file to write"));
    parser.addOption({QStringLiteral("verify"), QStringLiteral("Read each radio back and compare.")});
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    std::vector<Target> targets;
    if (!targetsOf(parser, arguments, targets))
        return usageError(QStringLiteral("--com takes a number from 1 to 255"));
    if (parser.positionalArguments().size() != 1 || targets.empty())
        return usageError(QStringLiteral("write needs one file and at least one --device or --com"));

    const QString path = parser.positionalArguments().constFirst();
    const std::optional<RadioImage> plan = ReadFrequencyFile(path);
    if (!plan) {
        printError(QStringLiteral("This is not Saved File: ") + path);
        return ExitFileRefused;
    }

    const bool verify = parser.isSet(QStringLiteral("verify"));
    std::vector<std::unique_ptr<RadioJob>> jobs;
    for (const Target &target : targets) {
        auto job = std::make_unique<RadioJob>(RadioJob::Kind::Write, target.device, target.com);
        job->setPlan(*plan);
        job->setVerify(verify);
        jobs.push_back(std::move(job));
    }
    return runJobs(jobs, [verify](RadioJob &job) {
        if (job.exitCode() == ExitOk)
            printOut(job.name() + (verify ? QStringLiteral(": written and verified") : QStringLiteral(": written")));
        else
            printOut(job.name() + QStringLiteral(": failed: ") + job.failure());
    });
}

} // namespace kav::cli
