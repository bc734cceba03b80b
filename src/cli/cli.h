#pragma once

#include <QStringList>

namespace kav::cli {

// Runs the command line (arguments without the program name); the exit code.
int runCli(const QStringList &arguments);

} // namespace kav::cli
