#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

namespace kav {

enum class SerialError {
    ReceiveOverflow, // more arrived than the receive buffer holds: the waiting bytes were dropped
    PortFailed,      // the open port failed (device gone, I/O error) and has been closed
};

// Why an open port failed when its device went away (an adapter unplugged,
// a pseudo-terminal whose other end closed), after the device's name.
inline constexpr char kDeviceGoneReason[] = "the device has gone away (unplugged, or closed at its other end)";

// The serial port the program talks to the radio through: one device at a
// time, opened with the radio's line settings (kRadioLine) and closed by its
// users. Everything runs on the UI thread; notifications arrive as signals.
class SerialService : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~SerialService() override;

    // Opens device; false (the port stays closed) when it does not exist, is in
    // use or refuses the line settings; errorString() says why.
    [[nodiscard]] virtual bool open(const QString &device) = 0;
    // Closes; waiting received bytes are dropped with it.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // The device of the last open, and the reason of the last failure.
    virtual QString device() const = 0;
    virtual QString errorString() const = 0;

    // Hands bytes over for sending and returns at once; false on failure.
    [[nodiscard]] virtual bool write(const QByteArray &bytes) = 0;
    // The received bytes waiting: how many, all of them, none any more.
    virtual int count() const = 0;
    virtual QByteArray take() = 0;
    virtual void discard() = 0;

Q_SIGNALS:
    // Received bytes are waiting.
    void readyRead();
    // Something went wrong on the line; a PortFailed is sent once per failure.
    void errorOccurred(kav::SerialError error, const QString &reason);
};

} // namespace kav
