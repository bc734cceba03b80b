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

struct OutcomeExit
{
    ExchangeOutcome outcome;
    ExitCode code;
};

// The exit code of every outcome of an exchange.
constexpr OutcomeExit kOutcomeExits[] = {
    {ExchangeOutcome::Ok, ExitOk},
    {ExchangeOutcome::PortUnavailable, ExitPortUnavailable},
    {ExchangeOutcome::NoAnswer, ExitNoAnswer},
    {ExchangeOutcome::CommunicationError, ExitCommunication},
    {ExchangeOutcome::WriteRefused, ExitWriteRefused},
};

} // namespace

int exitCodeFor(ExchangeOutcome outcome)
{
    const auto *found = std::find_if(std::begin(kOutcomeExits), std::end(kOutcomeExits),
                                     [outcome](const OutcomeExit &entry) { return entry.outcome == outcome; });
    return found == std::end(kOutcomeExits) ? ExitCommunication : found->code;
}

RadioJob::RadioJob(Kind kind, const QString &device, int comNumber, QObject *parent)
    : QObject(parent), m_kind(kind), m_explicitDevice(device), m_com(comNumber),
      m_prefix(device.isEmpty() ? QStringLiteral("COM%1").arg(comNumber) : device),
      m_session(m_port, portResolver(device, comNumber), &m_trace)
{
    connect(&m_session.exchange(), &ProgrammingExchange::progressed, this, [this](LinkState, int blockBytes) {
        m_blockBytes = blockBytes;
        Q_EMIT progressed();
    });
    connect(&m_session, &ProgrammingSession::stepStarted, this, &RadioJob::progressed);
    connect(&m_session, &ProgrammingSession::backedUp, this,
            [this](const QString &path) { printMessage(m_prefix, QStringLiteral("Backed up to ") + shownPath(path)); });
    connect(&m_session, &ProgrammingSession::finished, this, &RadioJob::onSessionFinished);
}

RadioJob::~RadioJob() = default;

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
    m_trace.endExchange(QStringLiteral("(interrupted)"));
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
    if (m_exitCode > ExitInterrupted)
        return QStringLiteral("interrupted");
    if (m_exitCode != ExitOk)
        return QStringLiteral("failed: ") + m_failure;
    if (m_kind == Kind::Read)
        return QStringLiteral("read");
    return m_options.verifyAfterWrite ? QStringLiteral("written and verified") : QStringLiteral("written");
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
        if (m_session.step() == SessionStep::BackupRead)
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
    if (result.outcome == ExchangeOutcome::Superseded)
        return;
    if (result.outcome != ExchangeOutcome::Ok) {
        // A port that cannot be had is the same failure with or without a backup.
        const bool backup =
            result.step == SessionStep::BackupRead && result.outcome != ExchangeOutcome::PortUnavailable;
        const QString message = exchangeMessage(result.outcome);
        fail(backup ? int(ExitBackupFailed) : exitCodeFor(result.outcome),
             backup ? QStringLiteral("Backup failed, nothing written: ") + message : message, result.reason,
             result.outcome == ExchangeOutcome::NoAnswer ? connectionErrorDetail(printableText(result.device))
                                                         : QString());
        return;
    }
    switch (result.step) {
    case SessionStep::KeepBackup:
        fail(ExitBackupFailed, QStringLiteral("Backup failed, nothing written: the radio's plan could not be kept"),
             result.backupFailure);
        return;
    case SessionStep::Read:
        m_receivedImage = result.image;
        break;
    case SessionStep::VerifyRead:
        if (!result.differences.isEmpty()) {
            fail(ExitVerifyMismatch, QStringLiteral("Verify Error"), {}, describeDifferences(result.differences));
            return;
        }
        break;
    case SessionStep::BackupRead:
    case SessionStep::Write:
        break;
    }
    finish(ExitOk);
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
