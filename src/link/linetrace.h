#pragma once

#include "link/exchangeresult.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QString>

#include <deque>
#include <vector>

namespace kav {

// The bytes of the last kExchangesKept exchanges, for "what was on the line?".
// Bounded: an exchange keeps its first kBytesKept bytes and counts the rest, and
// its label and outcome are cut to kTextKept characters, so a babbling device
// cannot grow it. Fed from the exchange's signals; knows nothing of them.
//
// text() renders (one block per exchange, oldest first, ms since the exchange began):
//   Read /dev/ttyUSB0 started 2025-06-01 14:03:07.123
//   +    0.000 ms  -> E0
//   +   18.412 ms  <- 0E
//   ... 5000 more bytes not kept            (only when some were dropped; with "…")
//   = No answer                             (the outcome; "= (running)" while open)
//   +  912.001 ms  <- AA                    (bytes after the end, judged by nobody)
class LineTrace
{
public:
    static constexpr int kExchangesKept = 20;
    static constexpr int kBytesKept = 4096;
    static constexpr int kTextKept = 512;

    // Starts an exchange (ending an open one as "(interrupted)"). label names
    // it, e.g. "Read /dev/ttyUSB0"; monotonicNs is the clock its bytes use.
    void beginExchange(const QString &label, qint64 monotonicNs,
                       const QDateTime &startedAt = QDateTime::currentDateTime());
    // The same, with the exchange's time starting at its first byte: for a
    // caller that does not share the bytes' clock.
    void beginExchange(const QString &label, const QDateTime &startedAt = QDateTime::currentDateTime());
    // Bytes seen on the line. After the end of the last exchange they are kept
    // under it, below its outcome (bytes nobody judged); before the first
    // exchange they are ignored.
    void addBytes(LineDirection direction, QByteArrayView bytes, qint64 monotonicNs);
    // Ends the open exchange with its outcome, e.g. "Ok" or "Connection Error to Radio".
    void endExchange(const QString &outcome);
    void clear() { m_exchanges.clear(); }

    [[nodiscard]] int exchangeCount() const { return int(m_exchanges.size()); }
    [[nodiscard]] bool isEmpty() const { return m_exchanges.empty(); }
    [[nodiscard]] QString text() const;

    // The pieces of text(), also used by the simulated radio's trace log.
    [[nodiscard]] static QString headerLine(const QString &label, const QDateTime &startedAt);
    [[nodiscard]] static QString byteLine(qint64 sinceStartNs, LineDirection direction, quint8 byte);
    [[nodiscard]] static QString droppedLine(qint64 bytes);
    [[nodiscard]] static QString outcomeLine(const QString &outcome);

private:
    struct Entry
    {
        qint64 sinceStartNs;
        quint8 byte;
        LineDirection direction;
    };
    struct Exchange
    {
        QString label;
        QDateTime startedAt;
        qint64 startNs = 0;
        bool startsAtFirstByte = false;
        std::vector<Entry> entries;
        qint64 dropped = 0;
        QString outcome;
        bool open = true;
        size_t endedAt = 0; // the entries before the outcome
    };

    std::deque<Exchange> m_exchanges;
};

} // namespace kav
