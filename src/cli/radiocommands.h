#pragma once

#include <QStringList>

namespace kav::cli {

// kavrilink-cli read (--device PATH | --com N) [-o FILE.sav] [--json]
int runRead(const QStringList &arguments);
// kavrilink-cli write FILE.sav (--device PATH | --com N)... [--verify]
int runWrite(const QStringList &arguments);

} // namespace kav::cli
