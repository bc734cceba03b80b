#include "cli/radiojob.h"

#include "cli/exitcodes.h"
#include "link/linkmessages.h"
#include "link/radioprotocol.h"
#include "radio/decoder.h"

namespace kav::cli {

namespace {

// A serial service bound to one device path instead of a COM number.
class DeviceSerialService : public QtSerialService
{
public:
    explicit DeviceSerialService(QString device) : m_device(std::move(device)) {}
    QString devicePath() const override { return m_device; }

private:
    QString m_device;
};

std::unique_ptr<QtSerialService> makeService(const QString &device, int comNumber)
{
    std::unique_ptr<QtSerialService> service;
    if (device.isEmpty()) {
        service = std::make_unique<QtSerialService>();
        (void)service->setPortNumber(comNumber); // a rejected number fails at open, as in the window
    } else {
        service = std::make_unique<DeviceSerialService>(device);
    }
    // The radio's line, as the window configures it at start-up.
    (void)service->setSettings(QStringLiteral("1200,n,8,1"));
    service->setReceiveThreshold(1);
    service->setBinaryInput(true);
    service->setInputLength(0);
    return service;
}

} // namespace

int exitCodeForMessage(const QString &message)
{
    if (message == QLatin1String(kReselectPortMessage))
        return ExitPortUnavailable;
    if (message == QLatin1String(kConnectionErrorMessage))
        return ExitNoAnswer;
    if (message == QLatin1String(kWriteErrorMessage))
        return ExitWriteRefused;
    if (message == QLatin1String("Data is Empty") || message == QLatin1String("Confirm Frequency Range!"))
        return ExitFileRefused;
    return ExitCommunication;
}

RadioJob::RadioJob(Kind kind, const QString &device, int comNumber, QObject *parent)
    : QObject(parent),
      m_kind(kind),
      m_serial(makeService(device, comNumber)),
      m_dialogs(device.isEmpty() ? QStringLiteral("COM%1").arg(comNumber) : device),
      m_exchange(*m_serial, m_data, m_sheet, m_dialogs)
{
    m_name = device.isEmpty() ? QStringLiteral("COM%1 (%2)").arg(comNumber).arg(m_serial->devicePath()) : device;
    connect(&m_exchange, &ProgrammingExchange::readCompleted, this, &RadioJob::onRead);
    connect(&m_exchange, &ProgrammingExchange::writeCompleted, this, &RadioJob::onWritten);
    connect(&m_exchange, &ProgrammingExchange::exchangeFailed, this, &RadioJob::onFailed);
    connect(&m_exchange, &ProgrammingExchange::exchangeAbandoned, this, &RadioJob::onAbandoned);
    connect(m_serial.get(), &SerialService::commEvent, this, &RadioJob::progressed);
}

RadioJob::~RadioJob() = default;

void RadioJob::start()
{
    m_data.InitRadioData();
    if (m_kind == Kind::Read) {
        startRead();
        return;
    }
    // As OPEN then WRITE in the window: the plan is shown, then encoded from the texts.
    m_data.ReceiveImage = m_plan;
    LoadReceivedImage(m_data, m_sheet);
    m_exchange.Cmd_Write_Click();
    Q_EMIT progressed();
}

void RadioJob::startRead()
{
    m_exchange.Cmd_Read_Click();
    Q_EMIT progressed();
}

QString RadioJob::progress() const
{
    if (m_finished)
        return m_exitCode == ExitOk ? QStringLiteral("done") : QStringLiteral("failed");
    switch (m_data.LinkState) {
    case LinkStates::WriteRequested:
        return QStringLiteral("asking to write");
    case LinkStates::ImageSent:
        return QStringLiteral("plan sent");
    case LinkStates::ReadRequested:
        return m_verifying ? QStringLiteral("verifying") : QStringLiteral("asking to read");
    case LinkStates::ImageExpected:
        return QStringLiteral("receiving %1/37").arg(std::min(m_serial->waitingCount(), 37));
    default:
        return QStringLiteral("starting");
    }
}

void RadioJob::onRead()
{
    if (!m_verifying) {
        finish(ExitOk);
        return;
    }
    if (m_data.ReceiveImage != m_plan) {
        const QString message = QStringLiteral("Verify Error");
        m_dialogs.showMessage({message, QStringLiteral("Error"), MessageIcon::Critical, MessageButtons::Ok,
                               MessageResult::Ok,
                               QStringLiteral("the radio holds %1").arg(QString::fromLatin1(
                                   m_data.ReceiveImage.toLinear().toHex(' ')))});
        finish(ExitVerifyMismatch, message);
        return;
    }
    finish(ExitOk);
}

void RadioJob::onWritten()
{
    m_plan = m_data.SendImage; // what went out on the line
    if (!m_verify) {
        m_serial->close(); // the window keeps it open for later bytes; a finished job has no later
        finish(ExitOk);
        return;
    }
    m_verifying = true;
    startRead();
}

void RadioJob::onFailed(const QString &message)
{
    finish(exitCodeForMessage(message), message);
}

void RadioJob::onAbandoned()
{
    // No question is ever answered No here: the encoder refused the plan and has said why.
    const QString message = m_dialogs.messages().isEmpty() ? QStringLiteral("Data is Empty")
                                                           : m_dialogs.messages().constLast();
    finish(exitCodeForMessage(message), message);
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
