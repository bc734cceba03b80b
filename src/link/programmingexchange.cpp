#include "link/programmingexchange.h"

#include "link/radioprotocol.h"
#include "link/serialservice.h"

#include <QDebug>

namespace kav {

QDebug operator<<(QDebug debug, ExchangeOutcome outcome)
{
    static constexpr const char *names[] = {"Ok", "PortUnavailable", "NoAnswer", "CommunicationError",
                                            "WriteRefused"};
    QDebugStateSaver saver(debug);
    debug.nospace() << "ExchangeOutcome::" << names[int(outcome)];
    return debug;
}

ProgrammingExchange::ProgrammingExchange(SerialService &serial, DeviceSource device, QObject *parent)
    : QObject(parent), m_serial(serial), m_device(std::move(device))
{
    m_timer.setObjectName(QStringLiteral("Timer1"));
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(kDefaultResponseTimeout);
    connect(&m_timer, &QTimer::timeout, this, &ProgrammingExchange::onResponseTimeout);
    connect(&m_serial, &SerialService::readyRead, this, &ProgrammingExchange::onSerialEvent);
    connect(&m_serial, &SerialService::errorOccurred, this, &ProgrammingExchange::onSerialError);
}

ProgrammingExchange::~ProgrammingExchange() = default;

qint64 ProgrammingExchange::lineClockNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void ProgrammingExchange::setResponseTimeout(std::chrono::milliseconds timeout)
{
    m_timer.setInterval(timeout);
}

std::chrono::milliseconds ProgrammingExchange::responseTimeout() const
{
    return m_timer.intervalAsDuration();
}

bool ProgrammingExchange::openPort(QString *reason)
{
    if (m_serial.isOpen() || m_serial.open(m_device ? m_device() : QString()))
        return true;
    if (reason)
        *reason = portReason();
    return false;
}

void ProgrammingExchange::read()
{
    m_kind = ExchangeKind::Read;
    Q_EMIT started(m_kind);
    QString reason;
    if (!openPort(&reason)) {
        finish(ExchangeOutcome::PortUnavailable, reason);
        return;
    }
    m_state = LinkState::ReadRequested;
    sendCommand(WireBytes::ReadCommand);
}

void ProgrammingExchange::write(const RadioImage &image)
{
    m_kind = ExchangeKind::Write;
    m_image = image;
    Q_EMIT started(m_kind);
    m_state = LinkState::WriteRequested;
    QString reason;
    if (!openPort(&reason)) {
        finish(ExchangeOutcome::PortUnavailable, reason);
        return;
    }
    sendCommand(WireBytes::WriteCommand);
}

void ProgrammingExchange::sendCommand(std::uint8_t command)
{
    // A new exchange over a running one: the old wait must not time out on it.
    m_timer.stop();
    if (!sendByte(command)) {
        finish(ExchangeOutcome::PortUnavailable, portReason());
        return;
    }
    m_timer.start();
    Q_EMIT progressed(m_state, 0);
}

void ProgrammingExchange::onSerialEvent()
{
    switch (m_state) {
    case LinkState::WriteRequested:
        onWriteAnswer();
        return;
    case LinkState::ImageSent:
        onBlockVerdict();
        return;
    case LinkState::ReadRequested:
        onReadAnswer();
        return;
    case LinkState::ImageExpected:
        onImageBlock();
        return;
    case LinkState::Idle:
        if (const QByteArray dropped = m_serial.take(); !dropped.isEmpty())
            Q_EMIT lineBytes(LineDirection::FromRadio, dropped, lineClockNs());
        return;
    }
}

std::optional<std::uint8_t> ProgrammingExchange::takeAnswer()
{
    // A notification with nothing to judge leaves the wait as it is.
    if (m_serial.count() == 0)
        return std::nullopt;
    const QByteArray taken = m_serial.take();
    if (taken.isEmpty())
        return std::nullopt;
    Q_EMIT lineBytes(LineDirection::FromRadio, taken, lineClockNs());
    m_timer.stop();
    return std::uint8_t(taken.at(0)); // the bytes taken with it are dropped
}

void ProgrammingExchange::onWriteAnswer()
{
    const std::optional<std::uint8_t> answer = takeAnswer();
    if (!answer)
        return;
    if (*answer != WireBytes::WriteAccepted) {
        closePort();
        finish(ExchangeOutcome::CommunicationError);
        return;
    }
    m_state = LinkState::ImageSent;
    // The timer runs from the hand-over of the block, not from its last byte on the line.
    if (!send(BuildImageBlock(m_image))) {
        const QString reason = m_serial.errorString();
        closePort();
        finish(ExchangeOutcome::CommunicationError, reason);
        return;
    }
    m_timer.start();
    Q_EMIT progressed(m_state, 0);
}

void ProgrammingExchange::onBlockVerdict()
{
    const bool awaited = m_timer.isActive();
    const std::optional<std::uint8_t> verdict = takeAnswer();
    if (!verdict)
        return;
    if (*verdict == WireBytes::BlockOk) {
        // The port stays open; a later stray 0x77 changes nothing.
        if (awaited)
            finish(ExchangeOutcome::Ok);
        return;
    }
    closePort();
    finish(ExchangeOutcome::WriteRefused);
}

void ProgrammingExchange::onReadAnswer()
{
    const std::optional<std::uint8_t> answer = takeAnswer();
    if (!answer)
        return;
    if (*answer != WireBytes::ReadAccepted) {
        closePort();
        finish(ExchangeOutcome::CommunicationError);
        return;
    }
    m_state = LinkState::ImageExpected;
    m_timer.start();
    Q_EMIT progressed(m_state, 0);
}

void ProgrammingExchange::onImageBlock()
{
    // Re-tested on every notification until the whole block is waiting.
    const int waiting = m_serial.count();
    if (waiting < kImageBlockSize) {
        Q_EMIT progressed(m_state, waiting);
        return;
    }
    m_timer.stop();
    const QByteArray taken = m_serial.take(); // bytes beyond the block are dropped
    Q_EMIT lineBytes(LineDirection::FromRadio, taken, lineClockNs());
    if (taken.size() < kImageBlockSize || !BlockChecksumMatches(taken)) {
        const bool sent = sendByte(WireBytes::BlockBad);
        const QString reason = sent ? QString() : m_serial.errorString();
        closePort();
        finish(ExchangeOutcome::CommunicationError, reason);
        return;
    }
    // The image counts only once the radio has been told it arrived.
    if (!sendByte(WireBytes::BlockOk)) {
        const QString reason = m_serial.errorString();
        closePort();
        finish(ExchangeOutcome::CommunicationError, reason);
        return;
    }
    const RadioImage image = RadioImage::fromLinear(taken);
    closePort();
    finish(ExchangeOutcome::Ok, {}, image);
}

void ProgrammingExchange::onResponseTimeout()
{
    // Disarmed and closed before anyone hears of it: nothing that arrives while
    // a box is on screen is judged, and the time-out cannot fire again under it.
    m_timer.stop();
    closePort();
    finish(ExchangeOutcome::NoAnswer);
}

void ProgrammingExchange::onSerialError(SerialError error, const QString &reason)
{
    if (error == SerialError::ReceiveOverflow) {
        m_serial.discard(); // a block that lost bytes is waited for afresh
        return;
    }
    // Only an exchange that waits for the radio has something to report;
    // failures found by a send are reported where the send failed.
    if (!m_timer.isActive())
        return;
    m_timer.stop();
    closePort();
    finish(ExchangeOutcome::CommunicationError, reason);
}

bool ProgrammingExchange::send(const QByteArray &bytes)
{
    if (!m_serial.write(bytes))
        return false;
    Q_EMIT lineBytes(LineDirection::ToRadio, bytes, lineClockNs());
    return true;
}

bool ProgrammingExchange::sendByte(std::uint8_t byte)
{
    return send(QByteArray(1, char(byte)));
}

void ProgrammingExchange::closePort()
{
    if (m_serial.isOpen())
        m_serial.close();
}

void ProgrammingExchange::finish(ExchangeOutcome outcome, const QString &reason, const RadioImage &image)
{
    ExchangeResult result;
    result.kind = m_kind;
    result.outcome = outcome;
    result.reason = reason;
    result.image = m_kind == ExchangeKind::Write ? m_image : image; // the image written, or the one read
    Q_EMIT finished(result);
}

QString ProgrammingExchange::portReason() const
{
    const QString device = m_serial.device();
    QString reason = m_serial.errorString();
    if (device.isEmpty() || reason.contains(device))
        return reason;
    return reason.isEmpty() ? device : QStringLiteral("%1: %2").arg(device, reason);
}

} // namespace kav
