#pragma once

// The frequency report lives in three places: its 20 text lines
// (radio/reportlines.h), their painting on a page and as a PDF (report/reportpage.h,
// report/reportpdf.h), and PRINT in the window (app/reportprinter.h, with the
// printer's part in print/printplugin.h). This is PRINT.

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

namespace kav {

class DialogSeam;
class PlanDisplay;
class PrintModule;
struct PlanDocument;

// Where the report goes when no printer is installed: a PDF file in the
// application folder, which the printer dialog shows and lets the user change.
QString defaultReportPdfPath();

// PRINT: the one-page frequency report of the sheet as it stands.
class ReportPrinter
{
public:
    // clock: the source of "now", read at every PRINT (it may be replaced meanwhile).
    ReportPrinter(const PlanDocument &document, const PlanDisplay &sheet, PrintModule &module, DialogSeam &dialogs,
                  const std::function<QDateTime()> &clock);

    // Takes the date and time, builds the report, shows the printer dialog and
    // prints on the printer chosen there (through the print module); Cancel
    // prints nothing. A failed job, or a module that cannot be loaded, is
    // reported through the seam.
    void onPrintClicked();

private:
    const PlanDocument &m_document;
    const PlanDisplay &m_sheet;
    PrintModule &m_module;
    DialogSeam &m_dialogs;
    const std::function<QDateTime()> &m_clock;
};

} // namespace kav
