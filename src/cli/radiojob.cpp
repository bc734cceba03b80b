#include "cli/radiojob.h"

#include "cli/consoleoutput.h"
#include "cli/exitcodes.h"
#include "common/appfolder.h"
#include "common/printable.h"
#include "common/shownpath.h"
#include "link/linkmessages.h"
#include "link/openfailure.h"
#include "link/portmap.h"
#include "link/radioprotocol.h"
#include "radio/backupstore.h"
#include "radio/decoder.h"
#include "radio/encoder.h"
#include "radio/plancompare.h"

#include <QDir>

#include <algorithm>

namespace kav::cli {

namespace {

// The device of the job: the one given, or COM n as comport.map in the
// application folder says when the session starts, as in the window.
PortResolver portResolver(const QString &device, int comNumber)
{
    if (!device.isEmpty())
        return [device] { return PortTarget{device, {}}; };
    return [comNumber] {
        PortTarget target;
        // Without an application folder no comport.map can be read: COM n
        // might then be another radio than the one it is mapped to.
        const QString folder = applicationFolder(&target.reason);
        if (folder.isEmpty())
            return target;
        const PortMapRead map = readPortMap(QDir(folder).filePath(QString::fromLatin1(kPortMapFileName)));
        (void)resolvePortDevice(map, comNumber, &target.device, &target.reason);
        return target;
    };
}

struct VerdictExit
{
    SessionVerdict verdict;
    ExitCode code;
};

// The exit code of every verdict of a session; an interrupted one exits with its signal's.
constexpr VerdictExit kVerdictExits[] = {
    {SessionVerdict::Read, ExitOk},
    {SessionVerdict::Written, ExitOk},
    {SessionVerdict::Verified, ExitOk},
    {SessionVerdict::Unchanged, ExitOk},
    {SessionVerdict::Declined, ExitOk},
    {SessionVerdict::BackupFailed, ExitBackupFailed},
    {SessionVerdict::VerifyMismatch, ExitVerifyMismatch},
    {SessionVerdict::PortUnavailable, ExitPortUnavailable},
    {SessionVerdict::NoAnswer, ExitNoAnswer},
    {SessionVerdict::CommunicationError, ExitCommunication},
    {SessionVerdict::WriteRefused, ExitWriteRefused},
    {SessionVerdict::Interrupted, ExitInterrupted},
    {SessionVerdict::InterruptedAfterAccept, ExitInterrupted},
};

} // namespace

int exitCodeFor(SessionVerdict verdict)
{
    const auto *found = std::find_if(std::begin(kVerdictExits), std::end(kVerdictExits),
                                     [verdict](const VerdictExit &entry) { return entry.verdict == verdict; });
    return found == std::end(kVerdictExits) ? ExitCommunication : found->code;
}

RadioJob::RadioJob(Kind kind, const QString &device, int comNumber, QObject *parent)
    : QObject(parent), m_kind(kind), m_explicitDevice(device), m_com(comNumber),
      m_prefix(device.isEmpty() ? QStringLiteral("COM%1").arg(comNumber) : device),
      m_session(m_port, portResolver(device, comNumber), &m_trace)
{
    connect(&m_session.exchange(), &ProgrammingExchange::progressed, this, [this](LinkState state, int blockBytes) {
        m_writeSent = m_writeSent || state == LinkState::WriteRequested;
        m_blockBytes = blockBytes;
        Q_EMIT progressed();
    });
    connect(&m_session, &ProgrammingSession::stepStarted, this, &RadioJob::progressed);
    connect(&m_session, &ProgrammingSession::backedUp, this,
            [this](const QString &path) { printMessage(m_prefix, QStringLiteral("Backed up to ") + shownPath(path)); });
    connect(&m_session, &ProgrammingSession::finished, this, &RadioJob::onSessionFinished);
}

RadioJob::~RadioJob() = default;

void RadioJob::setHistory(const ProgrammingHistory *history, const QString &problem, const QString &planFile)
{
    m_options.history = history;
    m_historyProblem = problem;
    m_options.historyContext = {QStringLiteral("kavrilink-cli"), m_explicitDevice.isEmpty() ? m_com : 0, planFile};
}

void RadioJob::setBackupFolder(const QString &folder)
{
    m_options.backUpBeforeWrite = !folder.isEmpty();
    m_backups = folder.isEmpty() ? nullptr : std::make_unique<BackupStore>(folder);
    m_options.backups = m_backups.get();
}

QString RadioJob::name() const
{
    if (!m_explicitDevice.isEmpty())
        return m_explicitDevice;
    const QString device = m_session.device();
    return device.isEmpty() ? m_prefix : QStringLiteral("%1 (%2)").arg(m_prefix, device);
}

void RadioJob::interrupt(int exitCode)
{
    m_interruptCode = exitCode;
    if (m_session.isRunning()) {
        m_session.interrupt(); // ends it, Interrupted, at once
        return;
    }
    finish(exitCode, QStringLiteral("interrupted"));
}

void RadioJob::start()
{
    m_receivedImage.clear();
    if (m_kind == Kind::Read) {
        m_session.read(m_options);
        Q_EMIT progressed();
        return;
    }
    // The command line has no later use for the port: it is closed after the write.
    m_options.keepPortAfterWrite = false;
    m_session.write(m_plan, m_options);
    Q_EMIT progressed();
}

QString RadioJob::resultText() const
{
    if (!m_finished)
        return QStringLiteral("running");
    switch (m_verdict) {
    case SessionVerdict::Read:
        return QStringLiteral("read");
    case SessionVerdict::Written:
        return QStringLiteral("written");
    case SessionVerdict::Verified:
        return QStringLiteral("written and verified");
    case SessionVerdict::Unchanged:
        return QStringLiteral("unchanged, nothing written");
    case SessionVerdict::Interrupted:
        return QStringLiteral("interrupted");
    case SessionVerdict::InterruptedAfterAccept:
        return QStringLiteral("interrupted after the radio accepted the plan (not verified)");
    case SessionVerdict::Declined:
    case SessionVerdict::BackupFailed:
    case SessionVerdict::VerifyMismatch:
    case SessionVerdict::PortUnavailable:
    case SessionVerdict::NoAnswer:
    case SessionVerdict::CommunicationError:
    case SessionVerdict::WriteRefused:
        break;
    }
    return QStringLiteral("failed: ") + m_failure;
}

ChannelPlan RadioJob::plan() const
{
    return decodePlan(m_receivedImage);
}

QString RadioJob::progress() const
{
    if (m_finished)
        return m_exitCode == ExitOk ? QStringLiteral("done") : QStringLiteral("failed");
    switch (m_session.exchange().state()) {
    case LinkState::WriteRequested:
        return QStringLiteral("asking to write");
    case LinkState::ImageSent:
        return QStringLiteral("plan sent");
    case LinkState::ReadRequested:
        if (m_session.step() == SessionStep::ReadBeforeWrite)
            return QStringLiteral("reading for the backup");
        return m_session.step() == SessionStep::VerifyRead ? QStringLiteral("verifying")
                                                           : QStringLiteral("asking to read");
    case LinkState::ImageExpected:
        return QStringLiteral("receiving %1/37").arg(std::min(m_blockBytes, kImageBlockSize));
    case LinkState::Idle:
        break;
    }
    return QStringLiteral("starting");
}

void RadioJob::onSessionFinished(const SessionResult &result)
{
    m_verdict = result.verdict;
    report(result);
    // After the result: a write the history could not keep, which changes nothing of it.
    QString unrecorded = result.historyFailure;
    if (unrecorded.isEmpty() && !m_options.history && m_writeSent)
        unrecorded = m_historyProblem;
    if (unrecorded.isEmpty())
        return;
    const bool accepted = result.verdict == SessionVerdict::Written || result.verdict == SessionVerdict::Verified ||
                          result.verdict == SessionVerdict::VerifyMismatch ||
                          result.verdict == SessionVerdict::InterruptedAfterAccept;
    printMessage(m_prefix,
                 accepted ? QStringLiteral("the plan was written, but it could not be recorded in the history")
                          : QStringLiteral("the write could not be recorded in the history"),
                 unrecorded);
}

void RadioJob::report(const SessionResult &result)
{
    const int code = exitCodeFor(result.verdict);
    switch (result.verdict) {
    case SessionVerdict::Read:
        m_receivedImage = result.image;
        break;
    case SessionVerdict::Written:
    case SessionVerdict::Verified:
    case SessionVerdict::Unchanged:
    case SessionVerdict::Declined:
        break;
    case SessionVerdict::Interrupted:
    case SessionVerdict::InterruptedAfterAccept:
        finish(m_interruptCode, QStringLiteral("interrupted"));
        return;
    case SessionVerdict::BackupFailed:
        if (result.cause == ExchangeOutcome::Ok)
            fail(code, QStringLiteral("Backup failed, nothing written: the radio's plan could not be kept"),
                 result.reason);
        else
            fail(code, QStringLiteral("Backup failed, nothing written: ") + exchangeMessage(result.cause),
                 result.reason,
                 result.cause == ExchangeOutcome::NoAnswer ? connectionErrorDetail(printableText(result.device))
                                                           : QString());
        return;
    case SessionVerdict::VerifyMismatch:
        fail(code, QStringLiteral("Verify Error"), {}, describeDifferences(result.differences));
        return;
    case SessionVerdict::PortUnavailable:
    case SessionVerdict::NoAnswer:
    case SessionVerdict::CommunicationError:
    case SessionVerdict::WriteRefused:
        fail(code, exchangeMessage(result.cause), result.reason,
             result.verdict == SessionVerdict::NoAnswer ? connectionErrorDetail(printableText(result.device))
                                                        : QString());
        return;
    }
    finish(code);
}

void RadioJob::fail(int code, const QString &message, const QString &detail, const QString &explanation)
{
    if (m_finished)
        return;
    printMessage(m_prefix, message, detail);
    if (!explanation.isEmpty()) {
        for (const QString &line : explanation.split(QLatin1Char('\n')))
            printError(QStringLiteral("  ") + line);
    }
    finish(code, message);
}

void RadioJob::finish(int code, const QString &failure)
{
    if (m_finished)
        return;
    m_finished = true;
    m_exitCode = code;
    m_failure = failure;
    m_port.release();
    Q_EMIT progressed();
    Q_EMIT done();
}

} // namespace kav::cli
