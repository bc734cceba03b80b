#include "cli/radiojob.h"

#include "cli/clidialogs.h"
#include "cli/exitcodes.h"
#include "common/appfolder.h"
#include "link/exchangetrace.h"
#include "link/linkmessages.h"
#include "link/openfailure.h"
#include "link/portmap.h"
#include "link/radioprotocol.h"
#include "radio/backupstore.h"
#include "radio/decoder.h"
#include "radio/encoder.h"
#include "radio/plancompare.h"

#include <algorithm>

namespace kav::cli {

namespace {

// The device of the job: the one given, or COM n as comport.map in the
// application folder says at the time of opening, as in the window.
ProgrammingExchange::DeviceSource deviceSource(const QString &device, int comNumber)
{
    if (!device.isEmpty())
        return [device] { return device; };
    return [comNumber] {
        return PortDevice(ReadPortMap(applicationFile(QString::fromLatin1(kPortMapFileName))).map, comNumber);
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
    : QObject(parent),
      m_kind(kind),
      m_prefix(device.isEmpty() ? QStringLiteral("COM%1").arg(comNumber) : device),
      m_device(deviceSource(device, comNumber)),
      m_serial(std::make_unique<QtSerialService>()),
      m_exchange(*m_serial, m_device)
{
    m_name = device.isEmpty() ? QStringLiteral("COM%1 (%2)").arg(comNumber).arg(m_device()) : device;
    // Before onExchangeFinished, which may start the next exchange at once.
    TraceExchanges(m_exchange, m_trace, m_device);
    connect(&m_exchange, &ProgrammingExchange::progressed, this, &RadioJob::onExchangeProgressed);
    connect(&m_exchange, &ProgrammingExchange::finished, this, &RadioJob::onExchangeFinished);
}

RadioJob::~RadioJob() = default;

void RadioJob::interrupt(int exitCode)
{
    m_trace.endExchange(QStringLiteral("(interrupted)"));
    finish(exitCode, QStringLiteral("interrupted"));
}

void RadioJob::start()
{
    m_receivedImage.clear();
    if (m_kind == Kind::Read) {
        m_exchange.read();
        Q_EMIT progressed();
        return;
    }
    // As OPEN then WRITE in the window: the plan as the sheet would show it, encoded from those texts.
    const EncodeResult encoded = BuildSendImage(RadioImage(), PlanFieldTexts(m_plan));
    if (encoded.outcome != EncodeOutcome::Encoded) {
        fail(ExitFileRefused, EncodeMessage(encoded.outcome));
        return;
    }
    m_sendImage = encoded.image;
    if (!m_backupFolder.isEmpty()) {
        m_phase = Phase::Backup;
        m_exchange.read();
    } else {
        m_phase = Phase::Write;
        m_exchange.write(m_sendImage);
    }
    Q_EMIT progressed();
}

PlanFields RadioJob::fieldTexts() const
{
    return PlanFieldTexts(m_receivedImage);
}

QString RadioJob::progress() const
{
    if (m_finished)
        return m_exitCode == ExitOk ? QStringLiteral("done") : QStringLiteral("failed");
    switch (m_exchange.state()) {
    case LinkState::WriteRequested:
        return QStringLiteral("asking to write");
    case LinkState::ImageSent:
        return QStringLiteral("plan sent");
    case LinkState::ReadRequested:
        if (m_phase == Phase::Backup)
            return QStringLiteral("reading for the backup");
        return m_phase == Phase::Verify ? QStringLiteral("verifying") : QStringLiteral("asking to read");
    case LinkState::ImageExpected:
        return QStringLiteral("receiving %1/37").arg(std::min(m_blockBytes, kImageBlockSize));
    case LinkState::Idle:
        break;
    }
    return QStringLiteral("starting");
}

void RadioJob::onExchangeProgressed(LinkState, int blockBytes)
{
    m_blockBytes = blockBytes;
    Q_EMIT progressed();
}

void RadioJob::onExchangeFinished(const ExchangeResult &result)
{
    if (m_phase == Phase::Backup) {
        onBackupRead(result);
        return;
    }
    if (result.outcome != ExchangeOutcome::Ok) {
        failExchange(exitCodeFor(result.outcome), ExchangeMessage(result.outcome), result);
        return;
    }
    if (result.kind == ExchangeKind::Read) {
        onRead(result.image);
        return;
    }
    m_plan = result.image; // what went out on the line
    if (!m_verify) {
        m_serial->close(); // the window keeps it open for later bytes; a finished job has no later
        finish(ExitOk);
        return;
    }
    m_phase = Phase::Verify;
    m_receivedImage.clear();
    m_exchange.read();
    Q_EMIT progressed();
}

void RadioJob::onBackupRead(const ExchangeResult &result)
{
    const QString failed = QStringLiteral("Backup failed, nothing written: ");
    if (result.outcome != ExchangeOutcome::Ok) {
        failExchange(ExitBackupFailed, failed + ExchangeMessage(result.outcome), result);
        return;
    }
    const BackupResult backup = BackupStore(m_backupFolder).save(m_device(), result.image);
    if (!backup.saved) {
        fail(ExitBackupFailed, failed + QStringLiteral("the radio's plan could not be kept"), backup.reason);
        return;
    }
    printMessage(m_prefix, QStringLiteral("Backed up to ") + backup.path);
    m_phase = Phase::Write;
    m_exchange.write(m_sendImage);
    Q_EMIT progressed();
}

void RadioJob::onRead(const RadioImage &image)
{
    m_receivedImage = image;
    if (m_phase == Phase::Verify && m_receivedImage != m_plan) {
        fail(ExitVerifyMismatch, QStringLiteral("Verify Error"), {},
             DescribeDifferences(ComparePlans(m_plan, m_receivedImage)));
        return;
    }
    finish(ExitOk);
}

// A radio that does not answer gets what to check under the message, as in the window.
void RadioJob::failExchange(int code, const QString &message, const ExchangeResult &result)
{
    fail(code, message, result.reason,
         result.outcome == ExchangeOutcome::NoAnswer ? ConnectionErrorDetail(m_device()) : QString());
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
    if (m_serial->isOpen())
        m_serial->close();
    Q_EMIT progressed();
    Q_EMIT done();
}

} // namespace kav::cli
