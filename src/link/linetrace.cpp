#include "link/linetrace.h"

#include <algorithm>
#include <utility>

namespace kav {

namespace {

QString kept(const QString &text)
{
    return text.size() <= LineTrace::kTextKept ? text : text.left(LineTrace::kTextKept) + QStringLiteral("…");
}

} // namespace

void LineTrace::beginExchange(const QString &label, qint64 monotonicNs, const QDateTime &startedAt)
{
    if (!m_exchanges.empty() && m_exchanges.back().open)
        endExchange(QStringLiteral("(interrupted)"));
    if (int(m_exchanges.size()) == kExchangesKept)
        m_exchanges.pop_front();
    Exchange exchange;
    exchange.label = kept(label);
    exchange.startedAt = startedAt;
    exchange.startNs = monotonicNs;
    m_exchanges.push_back(std::move(exchange));
}

void LineTrace::beginExchange(const QString &label, const QDateTime &startedAt)
{
    beginExchange(label, 0, startedAt);
    m_exchanges.back().startsAtFirstByte = true;
}

void LineTrace::addBytes(LineDirection direction, QByteArrayView bytes, qint64 monotonicNs)
{
    if (m_exchanges.empty())
        return;
    Exchange &exchange = m_exchanges.back();
    if (std::exchange(exchange.startsAtFirstByte, false))
        exchange.startNs = monotonicNs;
    const qsizetype room = std::max<qsizetype>(0, kBytesKept - qsizetype(exchange.entries.size()));
    const qsizetype taken = std::min(room, bytes.size());
    const qint64 since = monotonicNs - exchange.startNs;
    for (qsizetype i = 0; i < taken; ++i)
        exchange.entries.push_back({since, quint8(bytes[i]), direction});
    exchange.dropped += bytes.size() - taken;
}

void LineTrace::endExchange(const QString &outcome)
{
    if (m_exchanges.empty() || !m_exchanges.back().open)
        return;
    m_exchanges.back().outcome = kept(outcome);
    m_exchanges.back().open = false;
    m_exchanges.back().endedAt = m_exchanges.back().entries.size();
}

QString LineTrace::text() const
{
    QString text;
    for (const Exchange &exchange : m_exchanges) {
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += headerLine(exchange.label, exchange.startedAt) + QLatin1Char('\n');
        const size_t ended = exchange.open ? exchange.entries.size() : exchange.endedAt;
        for (size_t i = 0; i < ended; ++i) {
            const Entry &entry = exchange.entries[i];
            text += byteLine(entry.sinceStartNs, entry.direction, entry.byte) + QLatin1Char('\n');
        }
        if (exchange.dropped > 0)
            text += droppedLine(exchange.dropped) + QLatin1Char('\n');
        text += outcomeLine(exchange.open ? QStringLiteral("(running)") : exchange.outcome) + QLatin1Char('\n');
        // What the radio sent after the end, traced and judged by nobody.
        for (size_t i = ended; i < exchange.entries.size(); ++i) {
            const Entry &entry = exchange.entries[i];
            text += byteLine(entry.sinceStartNs, entry.direction, entry.byte) + QLatin1Char('\n');
        }
    }
    return text;
}

QString LineTrace::headerLine(const QString &label, const QDateTime &startedAt)
{
    return QStringLiteral("%1 started %2").arg(label, startedAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")));
}

QString LineTrace::byteLine(qint64 sinceStartNs, LineDirection direction, quint8 byte)
{
    // Whole microseconds, printed as ms with three decimals: exact, no floating point.
    const qint64 us = sinceStartNs / 1000;
    const QString sign = us < 0 ? QStringLiteral("-") : QString();
    const qint64 magnitude = us < 0 ? -us : us;
    const QString ms =
        QStringLiteral("%1%2.%3").arg(sign).arg(magnitude / 1000).arg(magnitude % 1000, 3, 10, QLatin1Char('0'));
    const QString hex = QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
    const QString arrow = direction == LineDirection::ToRadio ? QStringLiteral("->") : QStringLiteral("<-");
    return QStringLiteral("+ %1 ms  %2 %3").arg(ms, 9).arg(arrow, hex);
}

QString LineTrace::droppedLine(qint64 bytes)
{
    return QStringLiteral("… %1 more bytes not kept").arg(bytes);
}

QString LineTrace::outcomeLine(const QString &outcome)
{
    return QStringLiteral("= %1").arg(outcome);
}

} // namespace kav
