#pragma once

#include "cli/invocation.h"

namespace kav::cli {

// kavrilink-cli history [--device PATH] [--since DATE] [--json]
int runHistory(const Invocation &invocation);

} // namespace kav::cli
