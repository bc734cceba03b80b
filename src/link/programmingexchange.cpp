#include "link/programmingexchange.h"

#include "link/radioprotocol.h"
#include "link/serialservice.h"

#include <utility>

namespace kav {

ProgrammingExchange::ProgrammingExchange(SerialService &serial, QObject *parent) : QObject(parent), m_serial(serial)
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

void ProgrammingExchange::begin(ExchangeKind kind)
{
    // A new exchange over a running one ends that one first, and its wait with it.
    if (m_running)
        finish(ExchangeOutcome::Superseded);
    m_kind = kind;
    m_running = true;
    m_received.clear();
    Q_EMIT started(m_kind);
}

void ProgrammingExchange::read()
{
    begin(ExchangeKind::Read);
    if (!m_serial.isOpen()) {
        finish(ExchangeOutcome::PortUnavailable, portReason());
        return;
    }
    m_state = LinkState::ReadRequested;
    sendCommand(WireBytes::ReadCommand);
}

void ProgrammingExchange::write(const RadioImage &image)
{
    m_image = image;
    begin(ExchangeKind::Write);
    m_state = LinkState::WriteRequested;
    if (!m_serial.isOpen()) {
        finish(ExchangeOutcome::PortUnavailable, portReason());
        return;
    }
    sendCommand(WireBytes::WriteCommand);
}

void ProgrammingExchange::sendCommand(std::uint8_t command)
{
    if (!sendByte(command)) {
        finish(ExchangeOutcome::PortUnavailable, portReason());
        return;
    }
    m_timer.start();
    Q_EMIT progressed(m_state, 0);
}

void ProgrammingExchange::onSerialEvent()
{
    // Every delivery is taken at once and traced at its own time; what a
    // state waits for is judged on the engine's own buffer.
    const QByteArray arrived = m_serial.take();
    if (arrived.isEmpty())
        return; // a notification with nothing to judge leaves the wait as it is
    Q_EMIT lineBytes(LineDirection::FromRadio, arrived, lineClockNs());
    if (!m_running)
        return; // no exchange is waiting: the bytes are nobody's
    m_received += arrived;
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
        m_received.clear();
        return;
    }
}

std::uint8_t ProgrammingExchange::takeAnswer()
{
    m_timer.stop();
    const auto answer = std::uint8_t(m_received.at(0));
    m_received.remove(0, 1);
    return answer;
}

void ProgrammingExchange::onWriteAnswer()
{
    const std::uint8_t answer = takeAnswer();
    m_received.clear(); // the radio sends nothing of the exchange with its 0x0F
    if (answer != WireBytes::WriteAccepted) {
        finish(ExchangeOutcome::CommunicationError);
        return;
    }
    m_state = LinkState::ImageSent;
    // The timer runs from the hand-over of the block, not from its last byte on the line.
    if (!send(buildImageBlock(m_image))) {
        const QString reason = m_serial.errorString();
        finish(ExchangeOutcome::CommunicationError, reason);
        return;
    }
    m_timer.start();
    Q_EMIT progressed(m_state, 0);
}

void ProgrammingExchange::onBlockVerdict()
{
    const std::uint8_t verdict = takeAnswer();
    if (verdict == WireBytes::BlockOk) {
        // The write is done: the port stays open, and whatever comes later
        // (a radio restarting, line noise) is only traced.
        finish(ExchangeOutcome::Ok);
        return;
    }
    finish(ExchangeOutcome::WriteRefused);
}

void ProgrammingExchange::onReadAnswer()
{
    const std::uint8_t answer = takeAnswer();
    if (answer != WireBytes::ReadAccepted) {
        finish(ExchangeOutcome::CommunicationError);
        return;
    }
    m_state = LinkState::ImageExpected;
    m_timer.start();
    // Bytes that came with the 0x0E are the first bytes of the block.
    if (m_received.isEmpty())
        Q_EMIT progressed(m_state, 0);
    else
        onImageBlock();
}

void ProgrammingExchange::onImageBlock()
{
    // Re-tested on every delivery until the whole block is in the buffer.
    if (m_received.size() < kImageBlockSize) {
        Q_EMIT progressed(m_state, int(m_received.size()));
        return;
    }
    m_timer.stop();
    const QByteArray taken = m_received.left(kImageBlockSize); // bytes beyond the block are dropped
    m_received.clear();
    if (!blockChecksumMatches(taken)) {
        const bool sent = sendByte(WireBytes::BlockBad);
        const QString reason = sent ? QString() : m_serial.errorString();
        finish(ExchangeOutcome::CommunicationError, reason);
        return;
    }
    // The image counts only once the radio has been told it arrived.
    if (!sendByte(WireBytes::BlockOk)) {
        const QString reason = m_serial.errorString();
        finish(ExchangeOutcome::CommunicationError, reason);
        return;
    }
    const RadioImage image = RadioImage::fromLinear(taken);
    finish(ExchangeOutcome::Ok, {}, image);
}

void ProgrammingExchange::onResponseTimeout()
{
    if (!m_running)
        return;
    // Ended before anyone hears of it: nothing that arrives while a box is on
    // screen is judged, and the time-out cannot fire again under it.
    m_timer.stop();
    finish(ExchangeOutcome::NoAnswer);
}

void ProgrammingExchange::abandon()
{
    finish(ExchangeOutcome::Superseded);
}

void ProgrammingExchange::onSerialError(SerialError error, const QString &reason)
{
    if (error == SerialError::ReceiveOverflow) {
        // A block that lost bytes is waited for afresh.
        m_serial.discard();
        m_received.clear();
        return;
    }
    // Only an exchange that waits for the radio has something to report;
    // failures found by a send are reported where the send failed.
    if (!m_running || !m_timer.isActive())
        return;
    m_timer.stop();
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

void ProgrammingExchange::finish(ExchangeOutcome outcome, const QString &reason, const RadioImage &image)
{
    // Once per exchange: the first end counts, a second is never sent.
    if (!std::exchange(m_running, false))
        return;
    m_timer.stop();
    m_received.clear();
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
    QString reason = m_serial.isOpen() || !m_serial.errorString().isEmpty() ? m_serial.errorString()
                                                                            : QStringLiteral("the port is not open");
    if (device.isEmpty() || reason.contains(device))
        return reason;
    return reason.isEmpty() ? device : QStringLiteral("%1: %2").arg(device, reason);
}

} // namespace kav
