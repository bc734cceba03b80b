#pragma once

#include "link/programmingexchange.h"

namespace kav {

// What a test reaches inside the exchange engine: its response time-out, expired now.
struct ExchangeProbe
{
    static void expireResponseTimeout(ProgrammingExchange &exchange) { exchange.onResponseTimeout(); }
};

} // namespace kav
