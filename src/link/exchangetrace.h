#pragma once

#include "link/exchangeresult.h"

#include <QString>

#include <functional>

namespace kav {

class LineTrace;
class ProgrammingExchange;

// Keeps every exchange of engine in trace: a block labelled "Read <device>" or
// "Write <device>" (device asked as the exchange starts), its bytes, and its
// outcome. Connect it before anything that starts the next exchange from
// finished(), so that each block is closed first. trace must outlive engine.
void traceExchanges(ProgrammingExchange &engine, LineTrace &trace, std::function<QString()> device);

// The trace's outcome line of result: "ok", or the message with the system's
// reason in parentheses where there is one.
[[nodiscard]] QString traceOutcome(const ExchangeResult &result);

} // namespace kav
