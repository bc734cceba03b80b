#include "link/programmingsession.h"

#include "link/exchangetrace.h"
#include "link/portholder.h"
#include "radio/backupstore.h"

#include <utility>

namespace kav {

ProgrammingSession::ProgrammingSession(PortHolder &port, PortResolver resolver, LineTrace *trace, QObject *parent)
    : QObject(parent), m_port(port), m_resolver(std::move(resolver)), m_exchange(port.serial())
{
    // The trace closes each exchange before this session starts the next one.
    if (trace)
        traceExchanges(m_exchange, *trace, [this] { return m_device; });
    connect(&m_exchange, &ProgrammingExchange::finished, this, &ProgrammingSession::onExchangeFinished);
}

ProgrammingSession::~ProgrammingSession() = default;

bool ProgrammingSession::openPort(QString *reason)
{
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
    start(options.backUpBeforeWrite ? SessionStep::BackupRead : SessionStep::Write, options, image);
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
    if (m_running) {
        // The run going ends first; its exchange ends when the new one begins.
        m_result.outcome = ExchangeOutcome::Superseded;
        m_running = false;
        Q_EMIT finished(m_result);
    }
    m_options = options;
    m_result = SessionResult{};
    m_result.image = image;
    m_step = first;
    m_running = true;
    // Resolved once: every step of the run uses this device.
    const PortTarget target = m_resolver();
    m_device = target.device;
    m_result.device = m_device;
    if (!target.reason.isEmpty()) {
        end(ExchangeOutcome::PortUnavailable, target.reason);
        return;
    }
    QString reason;
    if (!m_port.hold(m_device, &reason)) {
        end(ExchangeOutcome::PortUnavailable, reason);
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
        end(result.outcome, result.reason);
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
        end(ExchangeOutcome::Ok);
        return;
    case SessionStep::BackupRead: {
        m_step = SessionStep::KeepBackup;
        const BackupResult backup = m_options.backups ? m_options.backups->save(m_device, result.image)
                                                      : BackupResult{false, {}, QStringLiteral("no backups folder")};
        if (!backup.saved) {
            m_result.backupFailure = backup.reason;
            end(ExchangeOutcome::Ok);
            return;
        }
        m_result.backupPath = backup.path;
        Q_EMIT backedUp(backup.path);
        runStep(SessionStep::Write);
        return;
    }
    case SessionStep::Write:
        if (m_options.verifyAfterWrite) {
            runStep(SessionStep::VerifyRead);
            return;
        }
        end(ExchangeOutcome::Ok);
        return;
    case SessionStep::VerifyRead:
        m_result.differences = comparePlans(m_result.image, result.image);
        end(ExchangeOutcome::Ok);
        return;
    case SessionStep::KeepBackup:
        return; // no exchange runs in it
    }
}

void ProgrammingSession::end(ExchangeOutcome outcome, const QString &reason)
{
    m_running = false;
    m_result.step = m_step;
    m_result.outcome = outcome;
    m_result.reason = reason;
    // A completed write may leave the port open (for the window); every other
    // end closes it, before anyone hears of the end.
    const bool keep = m_options.keepPortAfterWrite && m_step == SessionStep::Write && outcome == ExchangeOutcome::Ok;
    if (!keep || std::exchange(m_releaseAtEnd, false))
        m_port.release();
    m_releaseAtEnd = false;
    Q_EMIT finished(m_result);
}

} // namespace kav
