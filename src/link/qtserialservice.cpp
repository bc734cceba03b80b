#include "link/qtserialservice.h"

#include "common/appfolder.h"
#include "link/portmap.h"

#include <QFileInfo>

#include <utility>

namespace kav {

namespace {

constexpr int kLowestPort = 1;
constexpr int kHighestPort = 255;

QString withDevice(const QString &device, const QString &reason)
{
    return QStringLiteral("%1: %2").arg(device, reason);
}

} // namespace

QtSerialService::QtSerialService(QObject *parent) : SerialService(parent)
{
    // Bounds what the port reads ahead while a handler is busy (a modal box):
    // reading pauses until the buffer has been emptied.
    m_port.setReadBufferSize(kReceiveBufferSize);
    connect(&m_port, &QSerialPort::readyRead, this, &QtSerialService::readArrived);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialService::portError);
}

QtSerialService::~QtSerialService()
{
    close();
}

bool QtSerialService::setPortNumber(int number)
{
    if (m_port.isOpen()) {
        m_errorString = QStringLiteral("The port number cannot change while the port is open");
        return false;
    }
    if (number < kLowestPort || number > kHighestPort) {
        m_errorString = QStringLiteral("COM%1 is not a port number (1 to %2)").arg(number).arg(kHighestPort);
        return false;
    }
    m_portNumber = number;
    return true;
}

bool QtSerialService::setSettings(const QString &settings)
{
    const std::optional<LineSettings> parsed = ParseLineSettings(settings);
    if (!parsed) {
        m_errorString = QStringLiteral("\"%1\" are not line settings such as \"1200,n,8,1\"").arg(settings);
        return false;
    }
    m_settings = *parsed; // applied at the next open
    return true;
}

void QtSerialService::setReceiveThreshold(int bytes)
{
    m_receiveThreshold = qMax(0, bytes);
}

void QtSerialService::setInputLength(int bytes)
{
    m_inputLength = qMax(0, bytes);
}

bool QtSerialService::isOpen() const
{
    return m_port.isOpen();
}

QString QtSerialService::devicePath() const
{
    const QString mapFile =
        m_portMapFile.isEmpty() ? applicationFile(QString::fromLatin1(kPortMapFileName)) : m_portMapFile;
    return PortDevice(ReadPortMap(mapFile), m_portNumber);
}

bool QtSerialService::open()
{
    if (m_port.isOpen()) {
        m_errorString = withDevice(m_device, QStringLiteral("The port is already open"));
        return false;
    }
    m_device = devicePath();
    m_received.clear();
    // One opener per device, whatever name it goes by; opened by its canonical
    // path, so that the port's own lock is the same for every name.
    if (!m_claim.claim(m_device, &m_errorString))
        return false;
    m_port.setPortName(m_claim.openPath());
    // Applied by open(); a setting the device refuses makes the open fail.
    m_port.setBaudRate(m_settings.baudRate);
    m_port.setParity(m_settings.parity);
    m_port.setDataBits(m_settings.dataBits);
    m_port.setStopBits(m_settings.stopBits);
    if (!m_port.open(QIODevice::ReadWrite)) {
        const QFileInfo info(m_device);
        const bool accessible = info.isReadable() && info.isWritable();
        m_errorString = DescribeOpenFailure(m_device, m_port.error(), m_port.errorString(), accessible, info.group());
        m_claim.release();
        return false;
    }
    // Bytes that came in while the port was closed belong to nobody.
    m_port.clear(QSerialPort::Input);
    if (!m_port.isOpen())
        return false; // failed at once; portError has said why
    m_errorString.clear();
    return true;
}

void QtSerialService::close()
{
    if (m_closing || !m_port.isOpen()) {
        m_received.clear();
        if (!m_closing)
            m_claim.release();
        return;
    }
    m_closing = true;
    // Bytes handed over must still leave: give them to the system before the
    // descriptor goes (it drains its own buffer on close).
    m_port.flush();
    m_port.close();
    m_claim.release();
    m_closing = false;
    m_received.clear();
}

bool QtSerialService::send(const QByteArray &bytes)
{
    if (!m_port.isOpen()) {
        m_errorString = QStringLiteral("The port is not open");
        return false;
    }
    // Straight to the system, so the bytes leave without waiting for the event loop.
    if (m_port.write(bytes) == bytes.size() && m_port.flush())
        return true;
    if (m_port.isOpen()) // otherwise portError has closed it and said why
        m_errorString = withDevice(m_device, m_port.errorString());
    return false;
}

QByteArray QtSerialService::take()
{
    if (m_inputLength > 0 && m_received.size() > m_inputLength) {
        QByteArray head = m_received.left(m_inputLength);
        m_received.remove(0, m_inputLength);
        return head;
    }
    return std::exchange(m_received, QByteArray());
}

void QtSerialService::readArrived()
{
    // A handler may have closed the port since the notification was queued.
    if (!m_port.isOpen() || m_closing)
        return;
    const QByteArray bytes = m_port.readAll();
    if (bytes.isEmpty())
        return;
    if (m_received.size() + bytes.size() > kReceiveBufferSize) {
        m_received.clear();
        Q_EMIT commEvent(kCommEventRxOver);
        return;
    }
    m_received += bytes;
    if (m_receiveThreshold > 0 && m_received.size() >= m_receiveThreshold)
        Q_EMIT commEvent(kCommEvReceive);
}

void QtSerialService::portError(QSerialPort::SerialPortError error)
{
    // Failures of open() are reported by open() itself; once closed, the
    // repeats of a vanished device are no longer heard.
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError || !m_port.isOpen() || m_closing)
        return;
    const QString reason = withDevice(m_device, m_port.errorString());
    close();
    m_errorString = reason;
    Q_EMIT portFailed(reason);
}

} // namespace kav
