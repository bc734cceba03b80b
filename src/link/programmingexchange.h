#pragma once

#include "link/exchangeresult.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <cstdint>

namespace kav {

class SerialService;
enum class SerialError;

// How long the engine waits for each answer of the radio unless told otherwise.
inline constexpr auto kDefaultResponseTimeout = std::chrono::milliseconds(1000);

// The read and write exchanges with the radio over one serial service: the
// one-byte commands and acknowledges around the 37-byte image block, driven by
// the service's notifications and one single-shot response timer. One object
// per port; it neither opens nor closes the port (its session does), knows
// nothing of sheets or boxes and ends every exchange with one finished() result.
class ProgrammingExchange : public QObject
{
    Q_OBJECT

public:
    explicit ProgrammingExchange(SerialService &serial, QObject *parent = nullptr);
    ~ProgrammingExchange() override;

    // The steady clock of the lineBytes() time stamps, in nanoseconds.
    [[nodiscard]] static qint64 lineClockNs();

    void setResponseTimeout(std::chrono::milliseconds timeout);
    std::chrono::milliseconds responseTimeout() const;

    // Asks the radio on the open port for its image (0xE0). Over a running
    // exchange it starts over (that one ends Superseded). A closed port, or a
    // command that cannot be handed over, ends it at once, inside the call,
    // with PortUnavailable.
    void read();
    // Writes image (0xF0, then the block on 0x0F). The radio's 0x77 ends the
    // write; what the radio sends after it is only traced.
    void write(const RadioImage &image);

    // Every exchange ends once, with one finished(); until then it is running.
    bool isRunning() const { return m_running; }
    LinkState state() const { return m_state; }
    // The response timer, armed while an answer of the radio is awaited.
    const QTimer &responseTimer() const { return m_timer; }

    // Ends the running exchange at once, Superseded, without a word to the
    // radio: nothing that arrives later is judged. Nothing when none runs.
    void abandon();

Q_SIGNALS:
    // read() or write() was called.
    void started(kav::ExchangeKind kind);
    // The exchange moved on, or part of the block arrived: state and the bytes of the block waiting.
    void progressed(kav::LinkState state, int blockBytesReceived);
    // Bytes handed to the port or taken from it, with a steady-clock time stamp in nanoseconds.
    void lineBytes(kav::LineDirection direction, const QByteArray &bytes, qint64 monotonicNs);
    // The exchange ended, once per read() or write(); emitted last by the handler that ended it.
    void finished(const kav::ExchangeResult &result);

private:
    // Lets a test expire the response time-out at once.
    friend struct ExchangeProbe;

    // The response time-out; the timer's expiry calls it.
    void onResponseTimeout();
    void onSerialEvent();
    void onSerialError(SerialError error, const QString &reason);

    // The reply handler of each waiting state.
    void onWriteAnswer();
    void onBlockVerdict();
    void onReadAnswer();
    void onImageBlock();

    void begin(ExchangeKind kind);
    // The first byte of the buffer (which holds one at least), taken out of
    // it; disarms the timer.
    std::uint8_t takeAnswer();
    [[nodiscard]] bool send(const QByteArray &bytes);
    [[nodiscard]] bool sendByte(std::uint8_t byte);
    // Hands the command over and arms the timer; PortUnavailable when it cannot be.
    void sendCommand(std::uint8_t command);
    void finish(ExchangeOutcome outcome, const QString &reason = {}, const RadioImage &image = {});
    QString portReason() const;

    SerialService &m_serial;
    LinkState m_state = LinkState::Idle;
    ExchangeKind m_kind = ExchangeKind::Read;
    RadioImage m_image;    // the image being written
    QByteArray m_received; // what the radio sent in this exchange and is not judged yet
    bool m_running = false;
    QTimer m_timer;
};

} // namespace kav
