#include "link/exchangetrace.h"

#include "link/linetrace.h"
#include "link/linkmessages.h"
#include "link/programmingexchange.h"

namespace kav {

void traceExchanges(ProgrammingExchange &engine, LineTrace &trace, std::function<QString()> device)
{
    QObject::connect(
        &engine, &ProgrammingExchange::started, &engine, [&trace, device = std::move(device)](ExchangeKind kind) {
            const QString verb = kind == ExchangeKind::Read ? QStringLiteral("Read ") : QStringLiteral("Write ");
            trace.beginExchange(verb + device(), ProgrammingExchange::lineClockNs());
        });
    QObject::connect(&engine, &ProgrammingExchange::lineBytes, &engine,
                     [&trace](LineDirection direction, const QByteArray &bytes, qint64 monotonicNs) {
                         trace.addBytes(direction, bytes, monotonicNs);
                     });
    QObject::connect(&engine, &ProgrammingExchange::finished, &engine,
                     [&trace](const ExchangeResult &result) { trace.endExchange(traceOutcome(result)); });
}

QString traceOutcome(const ExchangeResult &result)
{
    if (result.outcome == ExchangeOutcome::Ok)
        return QStringLiteral("ok");
    if (result.outcome == ExchangeOutcome::Superseded)
        return QStringLiteral("(interrupted)");
    const QString message = exchangeMessage(result.outcome);
    return result.reason.isEmpty() ? message : QStringLiteral("%1 (%2)").arg(message, result.reason);
}

} // namespace kav
