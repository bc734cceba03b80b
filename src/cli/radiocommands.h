#pragma once

#include "cli/invocation.h"

namespace kav::cli {

// kavrilink-cli read (--device PATH | --com N) [-o FILE.sav] [--json]
int runRead(const Invocation &invocation);
// kavrilink-cli write FILE.sav (--device PATH | --com N)... [--verify] [--skip-unchanged]
int runWrite(const Invocation &invocation);
// kavrilink-cli diff FILE.sav (--device PATH | --com N)... [--json]
int runDiff(const Invocation &invocation);

} // namespace kav::cli
