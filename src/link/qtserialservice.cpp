#include "link/qtserialservice.h"

#include "link/linesettings.h"

#include <QFileInfo>

#include <utility>

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

namespace kav {

namespace {

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

bool QtSerialService::isOpen() const
{
    return m_port.isOpen();
}

bool QtSerialService::open(const QString &device)
{
    if (m_port.isOpen()) {
        m_errorString = withDevice(m_device, QStringLiteral("The port is already open"));
        return false;
    }
    m_device = device;
    m_received.clear();
    // One opener per device, whatever name it goes by; opened by its canonical
    // path, so that the port's own lock is the same for every name.
    if (!m_claim.claim(m_device, &m_errorString))
        return false;
    m_port.setPortName(m_claim.openPath());
    // Applied by open(); a setting the device refuses makes the open fail.
    m_port.setBaudRate(kRadioLine.baudRate);
    m_port.setParity(kRadioLine.parity);
    m_port.setDataBits(kRadioLine.dataBits);
    m_port.setStopBits(kRadioLine.stopBits);
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_errorString = diagnoseOpenFailure(m_device, m_port);
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

bool QtSerialService::write(const QByteArray &bytes)
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
        Q_EMIT errorOccurred(SerialError::ReceiveOverflow,
                             withDevice(m_device, QStringLiteral("receive buffer overflow")));
        return;
    }
    m_received += bytes;
    Q_EMIT readyRead();
}

bool QtSerialService::hasHungUp() const
{
    if (!QFileInfo::exists(m_device))
        return true; // its name has gone with it
#ifdef Q_OS_UNIX
    // A read that found the end of the line: the other end has hung up.
    pollfd line{int(m_port.handle()), POLLIN, 0};
    return ::poll(&line, 1, 0) == 1 && (line.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#else
    return false;
#endif
}

void QtSerialService::portError(QSerialPort::SerialPortError error)
{
    // Failures of open() are reported by open() itself; once closed, the
    // repeats of a vanished device are no longer heard.
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError || !m_port.isOpen() || m_closing)
        return;
    // A device that went away leaves the system's text of whatever call failed
    // last ("Inappropriate ioctl for device"): it is said for what it is.
    const bool gone = error == QSerialPort::ResourceError || (error == QSerialPort::ReadError && hasHungUp());
    const QString reason = withDevice(m_device, gone ? QString::fromLatin1(kDeviceGoneReason) : m_port.errorString());
    close();
    m_errorString = reason;
    Q_EMIT errorOccurred(SerialError::PortFailed, reason);
}

} // namespace kav
