#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

namespace kav {

class DialogSeam;
class PlanDisplay;
class SerialService;
struct RadioData;

// The read and write exchanges with the radio over one serial service: the
// one-byte commands and acknowledges around the 37-byte image block, driven
// by the service's notifications and the response timer Timer1. State lives
// in RadioData::LinkState; one exchange object per port, no shared state.
class ProgrammingExchange : public QObject
{
    Q_OBJECT

public:
    ProgrammingExchange(SerialService &serial, RadioData &data, PlanDisplay &display, DialogSeam &dialogs,
                        QObject *parent = nullptr);
    ~ProgrammingExchange() override;

    // READ: opens the port if closed, then ConfirmRead.
    void Cmd_Read_Click();
    // WRITE: ConfirmWrite.
    void Cmd_Write_Click();

    // The serial notification (kCommEvReceive, kCommEventRxOver; others are ignored).
    void MSComm1_OnComm(int code);
    // Judges what has arrived according to LinkState.
    void HandleRadioReply();
    // The response time-out.
    void Timer1_Timer();

    // The response timer, armed while an answer of the radio is awaited.
    const QTimer &Timer1() const { return m_timer1; }

Q_SIGNALS:
    // A read ended with the received plan shown.
    void readCompleted();
    // The radio accepted the written block (0x77); the port stays open.
    void writeCompleted();
    // The exchange ended with this error message shown (or, for a click, never started).
    void exchangeFailed(const QString &message);
    // The click started no exchange: the question was answered No, or the
    // sheet could not be encoded (the encoder has shown why).
    void exchangeAbandoned();

private:
    // The parts of a click, in order; false once a failure has been reported.
    bool ConfirmRead();
    bool SendReadRequest();
    bool ConfirmWrite();
    bool SendWriteRequest();
    // Sends the block of SendImage and arms the timer; false when the port failed.
    bool SendImageBlock();

    bool sendByte(std::uint8_t byte);
    void arm();
    void disarm();
    void closePort();
    // Reports a failure between a click and the arming of the timer.
    void failClick();
    // Ends an exchange with a critical "Error" box.
    void failExchange(const QString &text, const QString &detail = {});
    // The service lost the open port.
    void handlePortFailure(const QString &reason);

    SerialService &m_serial;
    RadioData &m_data;
    PlanDisplay &m_display;
    DialogSeam &m_dialogs;
    QTimer m_timer1;
};

} // namespace kav
