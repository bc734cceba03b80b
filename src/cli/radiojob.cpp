#include "cli/radiojob.h"

#include "cli/clidialogs.h"
#include "cli/exitcodes.h"
#include "common/appfolder.h"
#include "link/linkmessages.h"
#include "link/portmap.h"
#include "link/radioprotocol.h"
#include "radio/decoder.h"
#include "radio/encoder.h"

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
        return PortDevice(ReadPortMap(applicationFile(QString::fromLatin1(kPortMapFileName))), comNumber);
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
      m_serial(std::make_unique<QtSerialService>()),
      m_exchange(*m_serial, deviceSource(device, comNumber))
{
    m_name = device.isEmpty() ? QStringLiteral("COM%1 (%2)").arg(comNumber).arg(deviceSource(device, comNumber)())
                              : device;
    connect(&m_exchange, &ProgrammingExchange::progressed, this, &RadioJob::onExchangeProgressed);
    connect(&m_exchange, &ProgrammingExchange::finished, this, &RadioJob::onExchangeFinished);
}

RadioJob::~RadioJob() = default;

void RadioJob::start()
{
    m_data.InitRadioData();
    if (m_kind == Kind::Read) {
        m_exchange.read();
        Q_EMIT progressed();
        return;
    }
    // As OPEN then WRITE in the window: the plan as the sheet would show it, encoded from those texts.
    m_data.ReceiveImage = m_plan;
    DecodeImage(m_data);
    const EncodeResult encoded = BuildSendImage(m_data.SendImage, ShownFieldTexts(m_data));
    if (encoded.outcome != EncodeOutcome::Encoded) {
        fail(ExitFileRefused, EncodeMessage(encoded.outcome));
        return;
    }
    m_data.SendImage = encoded.image;
    m_exchange.write(m_data.SendImage);
    Q_EMIT progressed();
}

PlanFields RadioJob::fieldTexts() const
{
    return ShownFieldTexts(m_data);
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
        return m_verifying ? QStringLiteral("verifying") : QStringLiteral("asking to read");
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
    if (result.outcome != ExchangeOutcome::Ok) {
        fail(exitCodeFor(result.outcome), ExchangeMessage(result.outcome), result.reason);
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
    m_verifying = true;
    m_data.InitRadioData();
    m_exchange.read();
    Q_EMIT progressed();
}

void RadioJob::onRead(const RadioImage &image)
{
    m_data.ReceiveImage = image;
    DecodeImage(m_data);
    if (m_verifying && m_data.ReceiveImage != m_plan) {
        fail(ExitVerifyMismatch, QStringLiteral("Verify Error"),
             QStringLiteral("the radio holds %1").arg(QString::fromLatin1(m_data.ReceiveImage.toLinear().toHex(' '))));
        return;
    }
    finish(ExitOk);
}

void RadioJob::fail(int code, const QString &message, const QString &detail)
{
    if (m_finished)
        return;
    printMessage(m_prefix, message, detail);
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
