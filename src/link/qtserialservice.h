#pragma once

#include "link/deviceclaim.h"
#include "link/linesettings.h"
#include "link/openfailure.h"
#include "link/serialservice.h"

#include <QSerialPort>

namespace kav {

// The serial service over a QSerialPort on the UI thread. COM n is the device
// that comport.map in the application folder names for it, else the
// platform's default device. Received bytes wait in a buffer of
// kReceiveBufferSize bytes; past it the waiting bytes are dropped and
// kCommEventRxOver is sent. A port that fails while open (device gone, peer
// hung up) is closed at once and reported once through portFailed.
class QtSerialService : public SerialService
{
    Q_OBJECT

public:
    static constexpr int kReceiveBufferSize = 1024;

    explicit QtSerialService(QObject *parent = nullptr);
    ~QtSerialService() override;

    [[nodiscard]] bool setPortNumber(int number) override;
    int portNumber() const override { return m_portNumber; }
    [[nodiscard]] bool setSettings(const QString &settings) override;
    void setReceiveThreshold(int bytes) override;
    void setBinaryInput(bool binary) override { m_binaryInput = binary; }
    void setInputLength(int bytes) override;

    bool isOpen() const override;
    [[nodiscard]] bool open() override;
    void close() override;
    QString devicePath() const override;
    QString errorString() const override { return m_errorString; }

    [[nodiscard]] bool send(const QByteArray &bytes) override;
    int waitingCount() const override { return int(m_received.size()); }
    void discardWaiting() override { m_received.clear(); }
    QByteArray take() override;

    // The map of COM numbers to devices; comport.map in the application folder
    // unless set. Read at every open, so edits count without a restart.
    void setPortMapFile(const QString &path) { m_portMapFile = path; }
    QString portMapFile() const { return m_portMapFile; }

    // What the port is configured with (kept while closed).
    QString settings() const { return FormatLineSettings(m_settings); }
    int receiveThreshold() const { return m_receiveThreshold; }
    bool binaryInput() const { return m_binaryInput; }
    int inputLength() const { return m_inputLength; }

private:
    void readArrived();
    void portError(QSerialPort::SerialPortError error);

    QSerialPort m_port;
    int m_portNumber = 1;
    // Until configured otherwise, the radio's line: 1200,n,8,1, a notification
    // per arrival, raw bytes, takes of everything waiting.
    LineSettings m_settings{1200, QSerialPort::NoParity, QSerialPort::Data8, QSerialPort::OneStop};
    int m_receiveThreshold = 1;
    bool m_binaryInput = true;
    int m_inputLength = 0;
    QByteArray m_received;
    QString m_portMapFile;
    QString m_device; // what the open port was opened as
    DeviceClaim m_claim; // held while the port is open
    QString m_errorString;
    bool m_closing = false;
};

} // namespace kav
