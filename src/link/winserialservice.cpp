#include "link/winserialservice.h"

#include "link/linesettings.h"
#include "link/openfailure.h"
#include "link/serialdevices.h"

#include <qt_windows.h>

#include <utility>

namespace kav {

namespace {

QString withDevice(const QString &device, const QString &reason)
{
    return QStringLiteral("%1: %2").arg(device, reason);
}

QString systemText(DWORD error)
{
    return qt_error_string(int(error)).trimmed();
}

QSerialPort::SerialPortError openErrorKind(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return QSerialPort::DeviceNotFoundError;
    case ERROR_ACCESS_DENIED:
        return QSerialPort::PermissionError;
    default:
        return QSerialPort::OpenError;
    }
}

BYTE parityOf(QSerialPort::Parity parity)
{
    switch (parity) {
    case QSerialPort::EvenParity:
        return EVENPARITY;
    case QSerialPort::OddParity:
        return ODDPARITY;
    case QSerialPort::SpaceParity:
        return SPACEPARITY;
    case QSerialPort::MarkParity:
        return MARKPARITY;
    case QSerialPort::NoParity:
        break;
    }
    return NOPARITY;
}

BYTE stopBitsOf(QSerialPort::StopBits stopBits)
{
    switch (stopBits) {
    case QSerialPort::OneAndHalfStop:
        return ONE5STOPBITS;
    case QSerialPort::TwoStop:
        return TWOSTOPBITS;
    case QSerialPort::OneStop:
        break;
    }
    return ONESTOPBIT;
}

HANDLE newEvent()
{
    // Manual reset: ReadFile and WriteFile reset it when they start.
    return CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

} // namespace

struct WinSerialService::Win32
{
    HANDLE handle = INVALID_HANDLE_VALUE;
    OVERLAPPED read{};
    OVERLAPPED write{};
};

WinSerialService::WinSerialService(QObject *parent) : SerialService(parent), m_win32(std::make_unique<Win32>())
{
    m_win32->read.hEvent = newEvent();
    m_win32->write.hEvent = newEvent();
    m_readNotifier.setHandle(m_win32->read.hEvent);
    m_writeNotifier.setHandle(m_win32->write.hEvent);
    m_readNotifier.setEnabled(false);
    m_writeNotifier.setEnabled(false);
    connect(&m_readNotifier, &QWinEventNotifier::activated, this, &WinSerialService::readFinished);
    connect(&m_writeNotifier, &QWinEventNotifier::activated, this, &WinSerialService::writeFinished);
}

WinSerialService::~WinSerialService()
{
    close();
    m_readNotifier.setEnabled(false);
    m_writeNotifier.setEnabled(false);
    CloseHandle(m_win32->read.hEvent);
    CloseHandle(m_win32->write.hEvent);
}

bool WinSerialService::isOpen() const
{
    return m_win32->handle != INVALID_HANDLE_VALUE;
}

bool WinSerialService::open(const QString &device)
{
    if (isOpen()) {
        m_errorString = withDevice(m_device, QStringLiteral("The port is already open"));
        return false;
    }
    m_device = device;
    m_received.clear();
    if (!m_claim.claim(m_device, &m_errorString))
        return false;
    // "COM10" and up open only by their device name.
    QString path = m_claim.openPath();
    if (path.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
        path.prepend(QLatin1String("\\\\.\\"));
    m_win32->handle = CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()), GENERIC_READ | GENERIC_WRITE, 0,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (m_win32->handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        m_errorString =
            diagnoseComPortOpenFailure(m_device, openErrorKind(error), systemText(error), listSerialDevices());
        m_claim.release();
        return false;
    }
    if (!configure() || !startRead()) {
        const QString reason = withDevice(m_device, systemText(GetLastError()));
        close();
        m_errorString = reason;
        return false;
    }
    m_errorString.clear();
    return true;
}

bool WinSerialService::configure()
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(m_win32->handle, &dcb))
        return false;
    dcb.BaudRate = DWORD(kRadioLine.baudRate);
    dcb.ByteSize = BYTE(kRadioLine.dataBits);
    dcb.Parity = parityOf(kRadioLine.parity);
    dcb.fParity = dcb.Parity != NOPARITY;
    dcb.StopBits = stopBitsOf(kRadioLine.stopBits);
    dcb.fBinary = TRUE;
    // No flow control; both control lines up, as a cable powered from them needs.
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fTXContinueOnXoff = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    if (!SetCommState(m_win32->handle, &dcb))
        return false;
    // A read waits for its first byte, then ends when the line has been quiet
    // for a millisecond; writes have no time limit (there is no flow control
    // to hold them up).
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = 1;
    if (!SetCommTimeouts(m_win32->handle, &timeouts))
        return false;
    // Bytes that came in while the port was closed belong to nobody.
    return PurgeComm(m_win32->handle, PURGE_RXCLEAR | PURGE_TXCLEAR) != 0;
}

void WinSerialService::close()
{
    m_received.clear();
    if (!isOpen()) {
        m_claim.release();
        return;
    }
    m_readNotifier.setEnabled(false);
    m_writeNotifier.setEnabled(false);
    // Bytes handed over must still leave: at 1200 baud the program's longest
    // write takes a third of a second, as closing a device on Linux does.
    DWORD done = 0;
    if (m_writePending)
        GetOverlappedResult(m_win32->handle, &m_win32->write, &done, TRUE);
    m_writePending = false;
    if (!m_toWrite.isEmpty() && startWrite())
        GetOverlappedResult(m_win32->handle, &m_win32->write, &done, TRUE);
    m_writePending = false;
    // The waiting read ends at once when cancelled; its buffer is ours until then.
    if (m_readPending) {
        CancelIoEx(m_win32->handle, &m_win32->read);
        GetOverlappedResult(m_win32->handle, &m_win32->read, &done, TRUE);
        m_readPending = false;
    }
    // The last write above may have woken the write notifier again.
    m_writeNotifier.setEnabled(false);
    CloseHandle(m_win32->handle);
    m_win32->handle = INVALID_HANDLE_VALUE;
    m_writing.clear();
    m_toWrite.clear();
    m_claim.release();
}

bool WinSerialService::write(const QByteArray &bytes)
{
    if (!isOpen()) {
        m_errorString = QStringLiteral("The port is not open");
        return false;
    }
    m_toWrite += bytes;
    if (m_writePending || startWrite())
        return true;
    m_errorString = withDevice(m_device, systemText(GetLastError()));
    m_toWrite.clear();
    return false;
}

QByteArray WinSerialService::take()
{
    return std::exchange(m_received, QByteArray());
}

bool WinSerialService::startRead()
{
    // Finished at once or later, the event is set and readFinished takes it.
    if (!ReadFile(m_win32->handle, m_readBuffer, DWORD(sizeof m_readBuffer), nullptr, &m_win32->read) &&
        GetLastError() != ERROR_IO_PENDING) {
        return false;
    }
    m_readPending = true;
    m_readNotifier.setEnabled(true);
    return true;
}

bool WinSerialService::startWrite()
{
    m_writing = std::exchange(m_toWrite, QByteArray());
    if (!WriteFile(m_win32->handle, m_writing.constData(), DWORD(m_writing.size()), nullptr, &m_win32->write) &&
        GetLastError() != ERROR_IO_PENDING) {
        return false;
    }
    m_writePending = true;
    m_writeNotifier.setEnabled(true);
    return true;
}

bool WinSerialService::takeFinished(bool write, bool &pending, unsigned long &count)
{
    // The notifier may wake again for an operation already taken, or for one
    // that has not finished yet.
    if (!pending)
        return false;
    if (!GetOverlappedResult(m_win32->handle, write ? &m_win32->write : &m_win32->read, &count, FALSE)) {
        const DWORD error = GetLastError();
        if (error == ERROR_IO_INCOMPLETE)
            return false;
        pending = false;
        fail(error);
        return false;
    }
    pending = false;
    return true;
}

void WinSerialService::readFinished()
{
    DWORD count = 0;
    if (!takeFinished(false, m_readPending, count))
        return;
    if (count > 0) {
        if (m_received.size() + qsizetype(count) > kReceiveBufferSize) {
            m_received.clear();
            Q_EMIT errorOccurred(SerialError::ReceiveOverflow,
                                 withDevice(m_device, QStringLiteral("receive buffer overflow")));
        } else {
            m_received.append(m_readBuffer, qsizetype(count));
            Q_EMIT readyRead();
        }
    }
    // A handler may have closed the port, or closed and opened it again.
    if (isOpen() && !m_readPending && !startRead())
        fail(GetLastError());
}

void WinSerialService::writeFinished()
{
    DWORD count = 0;
    if (!takeFinished(true, m_writePending, count))
        return;
    m_writing.clear();
    if (m_toWrite.isEmpty()) {
        // The event stays set until the next write starts: a notifier left
        // waiting on it would wake at once, again and again.
        m_writeNotifier.setEnabled(false);
        return;
    }
    if (!startWrite())
        fail(GetLastError());
}

void WinSerialService::fail(unsigned long error)
{
    const QString reason = withDevice(m_device, systemText(error));
    close();
    m_errorString = reason;
    Q_EMIT errorOccurred(SerialError::PortFailed, reason);
}

} // namespace kav
