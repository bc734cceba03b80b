#include "link/linkmessages.h"

namespace kav {

QString exchangeMessage(ExchangeOutcome outcome)
{
    switch (outcome) {
    case ExchangeOutcome::Ok:
        return {};
    case ExchangeOutcome::PortUnavailable:
        return QString::fromLatin1(kReselectPortMessage);
    case ExchangeOutcome::NoAnswer:
        return QString::fromLatin1(kConnectionErrorMessage);
    case ExchangeOutcome::CommunicationError:
        return QString::fromLatin1(kCommunicationErrorMessage);
    case ExchangeOutcome::WriteRefused:
        return QString::fromLatin1(kWriteErrorMessage);
    case ExchangeOutcome::Superseded:
        return {};
    }
    return {};
}

} // namespace kav
