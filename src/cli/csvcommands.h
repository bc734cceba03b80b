#pragma once

#include "cli/invocation.h"

namespace kav::cli {

// kavrilink-cli export PLAN.sav [-o FILE.csv]
int runExport(const Invocation &invocation);
// kavrilink-cli import FILE.csv -o PLAN.sav
int runImport(const Invocation &invocation);

} // namespace kav::cli
