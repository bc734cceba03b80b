#pragma once

#include "precisealarm.h"

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>

#include <chrono>
#include <deque>
#include <memory>

class QSocketNotifier;

namespace kav::sim {

using Clock = std::chrono::steady_clock;

// Ten bit times at 1200 baud: one byte on the line.
inline constexpr auto kByteTime = std::chrono::nanoseconds(1'000'000'000 / 120);

// Nanoseconds of the steady clock, the time base of every log entry.
inline qint64 toNs(Clock::time_point t)
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}
inline Clock::time_point fromNs(qint64 ns)
{
    return Clock::time_point(std::chrono::nanoseconds(ns));
}

struct LogEntry
{
    enum Kind { Sent, Received, Dropped, Opened, Closed, HungUp };
    Kind kind = Sent;
    qint64 ns = 0;        // when it was written to or read from the device
    int byte = -1;        // Sent, Received, Dropped
    qint64 arrivalNs = 0; // Received: when its last bit had arrived at 1200 baud
};

// One line of the log, times in seconds from originNs.
QString formatLogEntry(const LogEntry &entry, qint64 originNs);

// The radio's end of the serial line: a pseudo-terminal whose other end the
// program opens, or a device. Bytes sent leave one per byte time, as from a
// real UART; bytes from the program count as received once their line time
// has passed. While no program holds the other end, bytes sent are lost, as
// they would be on a closed port.
class SimLine : public QObject
{
    Q_OBJECT

public:
    explicit SimLine(QObject *parent = nullptr);
    ~SimLine() override;

    // A new pseudo-terminal pair, both ends raw; programPath() is the end for the program.
    [[nodiscard]] bool openPty();
    // An existing device (e.g. a real serial port), raw at 1200 baud.
    [[nodiscard]] bool openDevice(const QString &path);
    QString programPath() const { return m_programPath; }
    QString errorString() const { return m_error; }
    bool isOpen() const { return m_fd >= 0; }
    // Whether a program holds the other end open.
    bool isConnected() const { return m_connected; }

    // Sends bytes paced at the line rate, the first leaving at start or when
    // the line is free, whichever is later; each is written when its last bit
    // would have arrived.
    void transmit(const QByteArray &bytes, Clock::time_point start);
    // Sends bytes as one delivery at the time the last of them would have
    // arrived (an adapter that hands over its buffer in one piece).
    void transmitBurst(const QByteArray &bytes, Clock::time_point start);
    // Closes the line (the radio hangs up) once everything before it is sent.
    void hangUpAfterQueue();
    // When everything queued has left the line.
    Clock::time_point lineFreeAt() const;
    bool transmitting() const { return !m_outgoing.empty(); }
    void clearQueue();
    void hangUp();

    const QList<LogEntry> &log() const { return m_log; }
    void clearLog() { m_log.clear(); }

Q_SIGNALS:
    // A byte from the program has completely arrived (arrivalNs, line-time model).
    void byteReceived(int byte, qint64 arrivalNs);
    void logged(const kav::sim::LogEntry &entry);
    void connectedChanged(bool connected);
    // Everything queued has been sent.
    void queueEmpty();
    void hungUp();

private:
    struct Chunk
    {
        Clock::time_point due;
        QByteArray bytes;
        bool hangUp = false;
    };
    struct Arrival
    {
        Clock::time_point at;
        int byte;
    };

    void setUpNotifiers(bool watchOpens);
    void updateConnection();
    void drainInput();
    void deliverArrivals();
    void sendDue();
    void writeChunk(const QByteArray &bytes);
    void addLog(const LogEntry &entry);

    int m_fd = -1;
    int m_inotify = -1;
    QString m_programPath;
    QString m_error;
    bool m_connected = false;
    bool m_isPty = false;
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    std::unique_ptr<QSocketNotifier> m_openNotifier;
    PreciseAlarm m_sendAlarm;
    PreciseAlarm m_arrivalAlarm;
    std::deque<Chunk> m_outgoing;
    std::deque<Arrival> m_arrivals;
    Clock::time_point m_lineFree{};
    Clock::time_point m_inLineFree{};
    QList<LogEntry> m_log;
};

} // namespace kav::sim

Q_DECLARE_METATYPE(kav::sim::LogEntry)
