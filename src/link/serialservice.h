#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

namespace kav {

// Event codes of the serial notification.
inline constexpr int kCommEvReceive = 2;     // bytes received
inline constexpr int kCommEventRxOver = 1008; // receive buffer overflow

// The serial control the program talks to the radio through (MSComm1): one
// port at a time, configured while closed, opened and closed by its users.
// Everything runs on the UI thread; notifications arrive as signals.
class SerialService : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~SerialService() override;

    // CommPort: which COM port the next open uses. Only while closed; false
    // when the number is not one the platform accepts.
    [[nodiscard]] virtual bool setPortNumber(int number) = 0;
    virtual int portNumber() const = 0;
    // Settings: "1200,n,8,1"; false for a text it cannot apply.
    [[nodiscard]] virtual bool setSettings(const QString &settings) = 0;
    // RThreshold, InputMode and InputLen: the program uses 1, binary and 0.
    virtual void setReceiveThreshold(int bytes) = 0;
    virtual void setBinaryInput(bool binary) = 0;
    virtual void setInputLength(int bytes) = 0;

    // PortOpen.
    virtual bool isOpen() const = 0;
    // Opens the numbered port with the settings; false (port stays closed)
    // when it does not exist or is in use; errorString() says why.
    [[nodiscard]] virtual bool open() = 0;
    // Closes; waiting received bytes are dropped with it.
    virtual void close() = 0;
    // The device the port number maps to, and the reason of the last failure.
    virtual QString devicePath() const = 0;
    virtual QString errorString() const = 0;

    // Output: hands bytes over for sending and returns at once; false on failure.
    [[nodiscard]] virtual bool send(const QByteArray &bytes) = 0;
    // InBufferCount, InBufferCount = 0, Input.
    virtual int waitingCount() const = 0;
    virtual void discardWaiting() = 0;
    virtual QByteArray take() = 0;

Q_SIGNALS:
    // OnComm: kCommEvReceive when bytes are waiting, kCommEventRxOver when the
    // receive buffer overflowed.
    void commEvent(int code);
    // The open port failed (device gone, I/O error); it has been closed. Sent once per failure.
    void portFailed(const QString &reason);
};

} // namespace kav
