#pragma once

#include "link/exchangeresult.h"

#include <QString>

namespace kav {

// The messages of the link with the radio, shown by the window and written by the command line.
inline constexpr char kReselectPortMessage[] = "Please Re-Select available COM PORT";
inline constexpr char kCommunicationErrorMessage[] = "Communication Error";
inline constexpr char kWriteErrorMessage[] = "Write Error";
inline constexpr char kConnectionErrorMessage[] = "Connection Error to Radio";

// The message for outcome; empty for Ok and Superseded, which are no failure to tell.
[[nodiscard]] QString exchangeMessage(ExchangeOutcome outcome);

} // namespace kav
