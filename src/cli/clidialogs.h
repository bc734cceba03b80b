#pragma once

#include <QString>

namespace kav::cli {

// Writes a line to standard error.
void printError(const QString &line);
// Writes a line to standard output.
void printOut(const QString &line);
// Writes a message of the window to standard error as "prefix: text (detail)";
// the prefix names the device it concerns, an empty detail is left out.
void printMessage(const QString &prefix, const QString &text, const QString &detail = {});

} // namespace kav::cli
