#pragma once

#include <QString>

namespace kav::cli {

// The --help text, exit codes included.
QString usageText();
// Says what is wrong and how to get help; returns ExitUsage.
int usageError(const QString &problem);

} // namespace kav::cli
