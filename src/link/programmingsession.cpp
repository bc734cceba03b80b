#include "link/programmingsession.h"

#include "link/exchangetrace.h"
#include "link/linkmessages.h"
#include "link/portholder.h"
#include "link/programminghistory.h"
#include "link/radioprotocol.h"
#include "radio/backupstore.h"
#include "radio/decoder.h"

#include <QCryptographicHash>

#include <utility>

namespace kav {

namespace {

struct OutcomeVerdict
{
    ExchangeOutcome outcome;
    SessionVerdict verdict;
};

// The verdict of a run that an exchange's failure ended.
constexpr OutcomeVerdict kFailureVerdicts[] = {
    {ExchangeOutcome::PortUnavailable, SessionVerdict::PortUnavailable},
    {ExchangeOutcome::NoAnswer, SessionVerdict::NoAnswer},
    {ExchangeOutcome::CommunicationError, SessionVerdict::CommunicationError},
    {ExchangeOutcome::WriteRefused, SessionVerdict::WriteRefused},
};

// The history's outcome column for a run that sent 0xF0.
QString historyOutcome(const SessionResult &result)
{
    switch (result.verdict) {
    case SessionVerdict::Written:
        return QStringLiteral("written");
    case SessionVerdict::Verified:
        return QStringLiteral("verified");
    case SessionVerdict::VerifyMismatch:
        return QStringLiteral("verify mismatch: ") +
               describeDifferences(result.differences).replace(QLatin1Char('\n'), QStringLiteral("; "));
    case SessionVerdict::WriteRefused:
        return QStringLiteral("refused");
    case SessionVerdict::InterruptedAfterAccept:
        return QStringLiteral("interrupted after the radio accepted the plan");
    case SessionVerdict::Interrupted:
        return QStringLiteral("interrupted");
    case SessionVerdict::PortUnavailable:
    case SessionVerdict::NoAnswer:
    case SessionVerdict::CommunicationError: {
        const QString message = exchangeMessage(result.cause);
        return result.reason.isEmpty() ? message : QStringLiteral("%1 (%2)").arg(message, result.reason);
    }
    case SessionVerdict::Read:
    case SessionVerdict::Unchanged:
    case SessionVerdict::Declined:
    case SessionVerdict::BackupFailed:
        break; // nothing was sent: no record
    }
    return {};
}

} // namespace

SessionVerdict failureVerdict(ExchangeOutcome outcome)
{
    for (const OutcomeVerdict &entry : kFailureVerdicts) {
        if (entry.outcome == outcome)
            return entry.verdict;
    }
    return SessionVerdict::CommunicationError;
}

ProgrammingSession::ProgrammingSession(PortHolder &port, PortResolver resolver, LineTrace *trace, QObject *parent)
    : QObject(parent), m_port(port), m_resolver(std::move(resolver)), m_exchange(port.serial())
{
    // The trace closes each exchange before this session starts the next one.
    if (trace)
        traceExchanges(m_exchange, *trace, [this] { return m_device; });
    connect(&m_exchange, &ProgrammingExchange::finished, this, &ProgrammingSession::onExchangeFinished);
    connect(&m_exchange, &ProgrammingExchange::lineBytes, this,
            [this](LineDirection direction, const QByteArray &bytes, qint64) {
                if (m_running && m_step == SessionStep::Write && direction == LineDirection::ToRadio &&
                    bytes.startsWith(char(WireBytes::WriteCommand)))
                    m_writeCommandSent = true;
            });
}

ProgrammingSession::~ProgrammingSession() = default;

bool ProgrammingSession::openPort(QString *reason)
{
    // The port of a run going is the run's: nothing else opens or closes it.
    if (m_running) {
        if (reason)
            *reason = QStringLiteral("%1: an exchange with the radio is going on").arg(m_device);
        return false;
    }
    const PortTarget target = m_resolver();
    if (!target.reason.isEmpty()) {
        if (reason)
            *reason = target.reason;
        return false;
    }
    return m_port.hold(target.device, reason);
}

void ProgrammingSession::read(const SessionOptions &options)
{
    start(SessionStep::Read, options, {});
}

void ProgrammingSession::write(const RadioImage &image, const SessionOptions &options)
{
    const bool readFirst = options.backUpBeforeWrite || options.skipUnchanged || options.confirmChanges;
    start(readFirst ? SessionStep::ReadBeforeWrite : SessionStep::Write, options, image);
}

void ProgrammingSession::proceed()
{
    if (m_running && m_step == SessionStep::ConfirmChanges)
        runStep(SessionStep::Write);
}

void ProgrammingSession::decline()
{
    if (m_running && m_step == SessionStep::ConfirmChanges)
        end(SessionVerdict::Declined);
}

void ProgrammingSession::interrupt()
{
    if (m_running)
        stop(true);
}

void ProgrammingSession::releasePort()
{
    if (m_running) {
        m_releaseAtEnd = true;
        return;
    }
    m_port.release();
}

void ProgrammingSession::start(SessionStep first, const SessionOptions &options, const RadioImage &image)
{
    // The run going ends first, on the port the new one is to hold.
    if (m_running)
        stop(false);
    m_options = options;
    m_result = SessionResult{};
    m_result.image = image;
    m_step = first;
    m_running = true;
    m_writeCommandSent = false;
    m_accepted = false;
    // Resolved once: every step of the run uses this device.
    const PortTarget target = m_resolver();
    m_device = target.device;
    m_result.device = m_device;
    if (!target.reason.isEmpty()) {
        fail(ExchangeOutcome::PortUnavailable, target.reason);
        return;
    }
    QString reason;
    if (!m_port.hold(m_device, &reason)) {
        fail(ExchangeOutcome::PortUnavailable, reason);
        return;
    }
    runStep(first);
}

void ProgrammingSession::runStep(SessionStep step)
{
    m_step = step;
    Q_EMIT stepStarted(step);
    if (step == SessionStep::Write)
        m_exchange.write(m_result.image);
    else
        m_exchange.read();
}

void ProgrammingSession::onExchangeFinished(const ExchangeResult &result)
{
    if (!m_running || result.outcome == ExchangeOutcome::Superseded)
        return;
    if (result.outcome != ExchangeOutcome::Ok) {
        fail(result.outcome, result.reason);
        return;
    }
    switch (m_step) {
    case SessionStep::Read:
        m_result.image = result.image;
        if (m_options.keepEveryRead && m_options.backups) {
            // Kept from what was read: nothing more goes on the line.
            const BackupResult backup = m_options.backups->save(m_device, result.image);
            m_result.backupPath = backup.path;
            m_result.backupFailure = backup.saved ? QString() : backup.reason;
        }
        end(SessionVerdict::Read);
        return;
    case SessionStep::ReadBeforeWrite:
        onReadBeforeWrite(result.image);
        return;
    case SessionStep::Write:
        onWriteAccepted();
        return;
    case SessionStep::VerifyRead:
        m_result.differences = comparePlans(m_result.image, result.image);
        end(m_result.differences.isEmpty() ? SessionVerdict::Verified : SessionVerdict::VerifyMismatch);
        return;
    case SessionStep::KeepBackup:
    case SessionStep::ConfirmChanges:
        return; // no exchange runs in them
    }
}

void ProgrammingSession::onReadBeforeWrite(const RadioImage &held)
{
    m_result.readBefore = true;
    m_result.before = held;
    m_result.changes = comparePlans(m_result.image, held);
    if (m_options.backUpBeforeWrite) {
        m_step = SessionStep::KeepBackup;
        const BackupResult backup = m_options.backups ? m_options.backups->save(m_device, held)
                                                      : BackupResult{false, {}, QStringLiteral("no backups folder")};
        if (!backup.saved) {
            m_result.cause = ExchangeOutcome::Ok;
            end(SessionVerdict::BackupFailed, backup.reason);
            return;
        }
        m_step = SessionStep::ReadBeforeWrite;
        m_result.backupPath = backup.path;
        Q_EMIT backedUp(backup.path);
        if (!m_running)
            return; // a slot interrupted it
    }
    if (m_options.skipUnchanged && m_result.changes.isEmpty()) {
        end(SessionVerdict::Unchanged);
        return;
    }
    if (m_options.confirmChanges) {
        m_step = SessionStep::ConfirmChanges;
        Q_EMIT changesFound(held, m_result.changes);
        return; // proceed() or decline(), now or later
    }
    runStep(SessionStep::Write);
}

void ProgrammingSession::onWriteAccepted()
{
    m_accepted = true;
    if (m_options.verifyAfterWrite) {
        runStep(SessionStep::VerifyRead);
        return;
    }
    end(SessionVerdict::Written);
}

void ProgrammingSession::fail(ExchangeOutcome outcome, const QString &reason)
{
    // A port that cannot be had is the same failure with or without a backup.
    if (m_step == SessionStep::ReadBeforeWrite && m_options.backUpBeforeWrite &&
        outcome != ExchangeOutcome::PortUnavailable) {
        m_result.cause = outcome;
        end(SessionVerdict::BackupFailed, reason);
        return;
    }
    m_result.cause = outcome;
    end(failureVerdict(outcome), reason);
}

void ProgrammingSession::stop(bool closePort)
{
    const SessionVerdict verdict = m_accepted ? SessionVerdict::InterruptedAfterAccept : SessionVerdict::Interrupted;
    // Dropped before the run's end is told: nothing it sent is judged any more.
    m_exchange.abandon();
    m_options.keepPortAfterWrite = m_options.keepPortAfterWrite && !closePort;
    if (!closePort) {
        // Started over: the port stays for the run that follows.
        m_running = false;
        m_result.step = m_step;
        m_result.verdict = verdict;
        record();
        Q_EMIT finished(m_result);
        return;
    }
    end(verdict);
}

void ProgrammingSession::end(SessionVerdict verdict, const QString &reason)
{
    m_running = false;
    m_result.step = m_step;
    m_result.verdict = verdict;
    m_result.reason = reason;
    // A completed write may leave the port open (for the window); every other
    // end closes it, before anyone hears of the end.
    const bool keep = m_options.keepPortAfterWrite && m_accepted &&
                      (verdict == SessionVerdict::Written || verdict == SessionVerdict::Verified ||
                       verdict == SessionVerdict::VerifyMismatch);
    if (!keep || std::exchange(m_releaseAtEnd, false))
        m_port.release();
    m_releaseAtEnd = false;
    record();
    Q_EMIT finished(m_result);
}

void ProgrammingSession::record()
{
    // Only a write that reached the radio is history.
    if (!m_writeCommandSent || !m_options.history)
        return;
    HistoryRecord entry;
    const QDateTime now = QDateTime::currentDateTime();
    entry.time = now.toOffsetFromUtc(now.offsetFromUtc());
    entry.program = m_options.historyContext.program;
    entry.user = ProgrammingHistory::currentUser();
    entry.com = m_options.historyContext.com;
    entry.device = m_device;
    ProgrammingHistory::identifyAdapter(m_device, &entry);
    entry.planFile = m_options.historyContext.planFile;
    entry.sha256 =
        QString::fromLatin1(QCryptographicHash::hash(m_result.image.toLinear(), QCryptographicHash::Sha256).toHex());
    if (m_result.readBefore)
        entry.before = decodePlan(m_result.before);
    entry.written = decodePlan(m_result.image);
    entry.backupPath = m_result.backupPath;
    entry.outcome = historyOutcome(m_result);
    QString why;
    m_result.recorded = m_options.history->append(entry, &why);
    m_result.historyFailure = m_result.recorded ? QString() : why;
}

} // namespace kav
