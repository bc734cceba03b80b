#pragma once

#include "print/printbackend.h"

namespace kav {

// Prints lines on one page of printer (see PaintReportPage). False, with
// reason, when the job could not be started or finished.
[[nodiscard]] bool PaintReport(QPrinter &printer, const QStringList &lines, QString *reason);

// PRINT after the report is built: the printer dialog through dialogs, then
// the page on the printer, or the PDF file, chosen there.
[[nodiscard]] PrintResult PrintReportLines(const QStringList &lines, const QString &defaultPdf, DialogSeam &dialogs);

// QPrintDialog for request (on Windows with no printer installed, a save
// dialog for the PDF file).
[[nodiscard]] bool ExecPrintDialog(const PrintDialogRequest &request, QPrinter &printer, QWidget *parent);

} // namespace kav
