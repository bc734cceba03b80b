#pragma once

#include "link/deviceclaim.h"
#include "link/serialservice.h"

#include <QByteArray>
#include <QWinEventNotifier>

#include <memory>

namespace kav {

// The serial service on Windows, over the port's own handle with overlapped
// reads and writes whose completion events wake the UI thread's event loop.
//
// Why not Qt's serial port, as on Linux: on Windows it waits for bytes with
// WaitCommEvent on a port tied to an I/O completion port, and Wine finishes
// that wait without ever queueing its completion, so under Wine it hears
// nothing on any COM port. The Windows build is tested under Wine against the
// simulated radio, and testing what ships needs the one service that both
// Windows and Wine run alike: this one.
//
// A read is always waiting: it ends when the first byte has come and the line
// has then been quiet for a millisecond (an interval time-out, no total one),
// so bytes reach the program as they arrive and nothing polls; Wine ends such
// a read exactly as Windows does. Opening raises DTR and RTS, as opening a
// serial device does on Linux.
//
// Received bytes wait in a buffer of kReceiveBufferSize bytes; past it the
// waiting bytes are dropped and a ReceiveOverflow is sent. A port that fails
// while open (adapter pulled) is closed at once and reported once as PortFailed.
class WinSerialService : public SerialService
{
    Q_OBJECT

public:
    static constexpr int kReceiveBufferSize = 1024;

    explicit WinSerialService(QObject *parent = nullptr);
    ~WinSerialService() override;

    [[nodiscard]] bool open(const QString &device) override;
    void close() override;
    bool isOpen() const override;
    QString device() const override { return m_device; }
    QString errorString() const override { return m_errorString; }

    [[nodiscard]] bool write(const QByteArray &bytes) override;
    int count() const override { return int(m_received.size()); }
    QByteArray take() override;
    void discard() override { m_received.clear(); }

private:
    bool configure();
    bool startRead();
    bool startWrite();
    // True when the read (or write) waited for has finished well, with the bytes
    // it moved in count; a failure has been reported and the port closed.
    bool takeFinished(bool write, bool &pending, unsigned long &count);
    void readFinished();
    void writeFinished();
    void fail(unsigned long error);

    // The port's handle and the two operations' system records; kept out of
    // this header so that <windows.h> and its macros stay in one file.
    struct Win32;
    std::unique_ptr<Win32> m_win32;
    QWinEventNotifier m_readNotifier;
    QWinEventNotifier m_writeNotifier;
    char m_readBuffer[256]{};
    bool m_readPending = false;
    bool m_writePending = false;
    QByteArray m_writing; // in the system's hands until its write finishes
    QByteArray m_toWrite; // handed over while another write was under way
    QByteArray m_received;
    QString m_device;
    DeviceClaim m_claim;
    QString m_errorString;
};

} // namespace kav
