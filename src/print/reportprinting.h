#pragma once

#include "print/printbackend.h"

namespace kav {

// Prints lines on one page of printer (see paintReportPage). False, with
// reason, when the job could not be started or finished.
[[nodiscard]] bool paintReport(QPrinter &printer, const QStringList &lines, QString *reason);

} // namespace kav
