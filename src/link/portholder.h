#pragma once

#include <QString>

namespace kav {

class SerialService;

// The one place that opens and closes the serial port. A session holds it from
// its first exchange to its last (and the window keeps it held after a write);
// the COM port check opens and closes it here too.
class PortHolder
{
public:
    explicit PortHolder(SerialService &serial) : m_serial(serial) {}

    SerialService &serial() const { return m_serial; }

    // Holds device open: opens it when the port is closed, keeps it when it is
    // already open on device, and releases a port open on another device
    // first. False, with the device and the system's reason, when it cannot.
    [[nodiscard]] bool hold(const QString &device, QString *reason);
    // Closes the port, if open (waiting bytes are dropped; what was handed
    // over still leaves).
    void release();
    [[nodiscard]] bool isHeld() const;
    // The device held, empty when the port is closed.
    [[nodiscard]] QString device() const;

    // Whether device can be opened now: opens it and closes it again. A port
    // that is held is not touched (true). False with the reason.
    [[nodiscard]] bool check(const QString &device, QString *reason);

private:
    [[nodiscard]] bool open(const QString &device, QString *reason);

    SerialService &m_serial;
};

} // namespace kav
