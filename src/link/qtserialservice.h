#pragma once

#include "link/deviceclaim.h"
#include "link/openfailure.h"
#include "link/serialservice.h"

#include <QSerialPort>

namespace kav {

// The serial service over a QSerialPort on the UI thread, with the radio's
// line settings. Received bytes wait in a buffer of kReceiveBufferSize bytes;
// past it the waiting bytes are dropped and a ReceiveOverflow is sent. A port
// that fails while open (device gone, peer hung up) is closed at once and
// reported once as PortFailed.
class QtSerialService : public SerialService
{
    Q_OBJECT

public:
    static constexpr int kReceiveBufferSize = 1024;

    explicit QtSerialService(QObject *parent = nullptr);
    ~QtSerialService() override;

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
    void readArrived();
    void portError(QSerialPort::SerialPortError error);
    // The open device has gone: its name is gone, or its line hung up.
    [[nodiscard]] bool hasHungUp() const;

    QSerialPort m_port;
    QByteArray m_received;
    QString m_device;    // what the port was last opened as
    DeviceClaim m_claim; // held while the port is open
    QString m_errorString;
    bool m_closing = false;
};

} // namespace kav
