#pragma once

#include <QString>

namespace kav::cli {

struct Command;

// The --help text, made from the command table, exit codes included.
QString usageText();
// A command's own --help: its synopsis, what it does and its options.
QString commandUsageText(const Command &command);
// Says what is wrong and how to get help; returns ExitUsage.
int usageError(const QString &problem);
// When output (given by option) is the same file as input (what the command
// reads, or another output), also through a link: the usage error saying so,
// returning ExitUsage, before anything is opened. 0 when they differ or either is empty.
[[nodiscard]] int refuseSameFile(const QString &option, const QString &output, const QString &what,
                                 const QString &input);

} // namespace kav::cli
