#include "link/programmingexchange.h"

#include "link/linkmessages.h"

#include "common/dialogseam.h"
#include "link/radioprotocol.h"
#include "link/serialservice.h"
#include "radio/decoder.h"
#include "radio/encoder.h"
#include "radio/radiodata.h"

namespace kav {

namespace {

const QString kErrorTitle = QStringLiteral("Error");
const QString kCommunicationError = QString::fromLatin1(kCommunicationErrorMessage);
const QString kWriteError = QString::fromLatin1(kWriteErrorMessage);
const QString kConnectionError = QString::fromLatin1(kConnectionErrorMessage);
const QString kReselectPort = QString::fromLatin1(kReselectPortMessage);

std::uint8_t firstByte(const QByteArray &bytes)
{
    return std::uint8_t(bytes.at(0));
}

} // namespace

ProgrammingExchange::ProgrammingExchange(SerialService &serial, RadioData &data, PlanDisplay &display,
                                         DialogSeam &dialogs, QObject *parent)
    : QObject(parent), m_serial(serial), m_data(data), m_display(display), m_dialogs(dialogs)
{
    m_timer1.setObjectName(QStringLiteral("Timer1"));
    m_timer1.setSingleShot(true);
    m_timer1.setTimerType(Qt::PreciseTimer);
    m_timer1.setInterval(kResponseTimeout);
    connect(&m_timer1, &QTimer::timeout, this, &ProgrammingExchange::Timer1_Timer);
    connect(&m_serial, &SerialService::commEvent, this, &ProgrammingExchange::MSComm1_OnComm);
    connect(&m_serial, &SerialService::portFailed, this, &ProgrammingExchange::handlePortFailure);
}

ProgrammingExchange::~ProgrammingExchange() = default;

void ProgrammingExchange::Cmd_Read_Click()
{
    if (!m_serial.isOpen() && !m_serial.open()) {
        failClick();
        return;
    }
    ConfirmRead();
}

bool ProgrammingExchange::ConfirmRead()
{
    if (askQuestion(m_dialogs, QStringLiteral("Read from Radio?"), QStringLiteral("Read"), MessageButtons::YesNo,
                    MessageResult::Yes)
        != MessageResult::Yes) {
        Q_EMIT exchangeAbandoned();
        return false;
    }
    m_data.LinkState = LinkStates::ReadRequested;
    m_data.InitRadioData();
    return SendReadRequest();
}

bool ProgrammingExchange::SendReadRequest()
{
    // A click during an exchange starts a new one: the old wait must not time out on it.
    disarm();
    if (!sendByte(WireBytes::ReadCommand)) {
        failClick();
        return false;
    }
    arm();
    return true;
}

void ProgrammingExchange::Cmd_Write_Click()
{
    ConfirmWrite();
}

bool ProgrammingExchange::ConfirmWrite()
{
    if (askQuestion(m_dialogs, QStringLiteral("Write Data to Radio?"), QStringLiteral("Write"),
                    MessageButtons::YesNo, MessageResult::Yes)
        != MessageResult::Yes) {
        Q_EMIT exchangeAbandoned();
        return false;
    }
    m_data.LinkState = LinkStates::WriteRequested;
    if (!BuildSendImage(m_data, m_display, m_dialogs)) {
        Q_EMIT exchangeAbandoned();
        return false;
    }
    if (!m_serial.isOpen() && !m_serial.open()) {
        failClick();
        return false;
    }
    return SendWriteRequest();
}

bool ProgrammingExchange::SendWriteRequest()
{
    disarm();
    if (!sendByte(WireBytes::WriteCommand)) {
        failClick();
        return false;
    }
    arm();
    return true;
}

bool ProgrammingExchange::SendImageBlock()
{
    // The timer runs from the hand-over of the block, not from its last byte on the line.
    if (!m_serial.send(BuildImageBlock(m_data.SendImage))) {
        closePort();
        failExchange(kCommunicationError, m_serial.errorString());
        return false;
    }
    arm();
    return true;
}

void ProgrammingExchange::MSComm1_OnComm(int code)
{
    if (code == kCommEvReceive)
        HandleRadioReply();
    else if (code == kCommEventRxOver)
        m_serial.discardWaiting();
}

void ProgrammingExchange::HandleRadioReply()
{
    const std::int16_t state = m_data.LinkState;
    switch (state) {
    case LinkStates::WriteRequested:
    case LinkStates::ImageSent:
    case LinkStates::ReadRequested: {
        // A notification with nothing to judge leaves the wait as it is.
        if (m_serial.waitingCount() == 0)
            return;
        const QByteArray taken = m_serial.take();
        if (taken.isEmpty())
            return;
        const bool awaited = m_timer1.isActive();
        disarm();
        const std::uint8_t c = firstByte(taken); // the bytes taken with it are dropped
        if (state == LinkStates::WriteRequested) {
            if (c == WireBytes::WriteAccepted) {
                m_data.LinkState = LinkStates::ImageSent;
                SendImageBlock();
            } else {
                closePort();
                failExchange(kCommunicationError);
            }
        } else if (state == LinkStates::ImageSent) {
            if (c == WireBytes::BlockOk) {
                // The port stays open; a later stray 0x77 changes nothing.
                if (awaited)
                    Q_EMIT writeCompleted();
            } else {
                closePort();
                failExchange(kWriteError);
            }
        } else {
            if (c == WireBytes::ReadAccepted) {
                m_data.LinkState = LinkStates::ImageExpected;
                arm();
            } else {
                closePort();
                failExchange(kCommunicationError);
            }
        }
        return;
    }
    case LinkStates::ImageExpected: {
        // Re-tested on every notification until the whole block is waiting.
        if (m_serial.waitingCount() < kImageBlockSize)
            return;
        disarm();
        const QByteArray taken = m_serial.take(); // bytes beyond the block are dropped
        if (taken.size() < kImageBlockSize || !BlockChecksumMatches(taken)) {
            const bool sent = sendByte(WireBytes::BlockBad);
            closePort();
            failExchange(kCommunicationError, sent ? QString() : m_serial.errorString());
            return;
        }
        // The image is kept only once the radio has been told it arrived.
        if (!sendByte(WireBytes::BlockOk)) {
            const QString reason = m_serial.errorString();
            closePort();
            failExchange(kCommunicationError, reason);
            return;
        }
        m_data.ReceiveImage = RadioImage::fromLinear(taken);
        closePort();
        LoadReceivedImage(m_data, m_display);
        Q_EMIT readCompleted();
        return;
    }
    default:
        m_serial.take();
        return;
    }
}

void ProgrammingExchange::Timer1_Timer()
{
    // Disarmed and closed before the box: nothing that arrives while it is on
    // screen is judged, and the time-out cannot fire again under it.
    disarm();
    closePort();
    failExchange(kConnectionError);
}

void ProgrammingExchange::handlePortFailure(const QString &reason)
{
    // Only an exchange that waits for the radio has something to report;
    // failures found by a send are reported where the send failed.
    if (!m_timer1.isActive())
        return;
    disarm();
    closePort();
    failExchange(kCommunicationError, reason);
}

bool ProgrammingExchange::sendByte(std::uint8_t byte)
{
    return m_serial.send(QByteArray(1, char(byte)));
}

void ProgrammingExchange::arm()
{
    m_timer1.start();
}

void ProgrammingExchange::disarm()
{
    m_timer1.stop();
}

void ProgrammingExchange::closePort()
{
    if (m_serial.isOpen())
        m_serial.close();
}

void ProgrammingExchange::failClick()
{
    const QString device = m_serial.devicePath();
    const QString reason = m_serial.errorString();
    QString detail = reason;
    if (!device.isEmpty() && !reason.contains(device))
        detail = reason.isEmpty() ? device : QStringLiteral("%1: %2").arg(device, reason);
    showPlain(m_dialogs, kReselectPort, {}, detail);
    Q_EMIT exchangeFailed(kReselectPort);
}

void ProgrammingExchange::failExchange(const QString &text, const QString &detail)
{
    showCritical(m_dialogs, text, kErrorTitle, detail);
    Q_EMIT exchangeFailed(text);
}

} // namespace kav
