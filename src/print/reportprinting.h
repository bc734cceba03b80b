#pragma once

#include "print/printbackend.h"

namespace kav {

// Prints lines on one page of printer (see PaintReportPage). False, with
// reason, when the job could not be started or finished.
[[nodiscard]] bool PaintReport(QPrinter &printer, const QStringList &lines, QString *reason);

} // namespace kav
