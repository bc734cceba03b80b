#pragma once

// The frequency report lives in three places: its 20 text lines
// (radio/reportlines.h), their painting on a page and as a PDF (report/reportpage.h,
// report/reportpdf.h), and PRINT in the window. This is PRINT.

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

class QPrinter;

namespace kav {

class DialogSeam;
class PlanDisplay;
struct PlanDocument;

// Where the report goes when no printer is installed: a PDF file in the
// application folder, which the printer dialog shows and lets the user change.
QString defaultReportPdfPath();

// Prints lines on one page of printer (see paintReportPage). False, with
// reason, when the job could not be started or finished.
[[nodiscard]] bool paintReport(QPrinter &printer, const QStringList &lines, QString *reason);

// PRINT: the one-page frequency report of the sheet as it stands.
class ReportPrinter
{
public:
    // clock: the source of "now", read at every PRINT (it may be replaced meanwhile).
    ReportPrinter(const PlanDocument &document, const PlanDisplay &sheet, DialogSeam &dialogs,
                  const std::function<QDateTime()> &clock);

    // Takes the date and time, builds the report, shows the printer dialog
    // through the seam and prints on the printer, or into the PDF file, chosen
    // there; Cancel prints nothing. A failed job is reported through the seam.
    void onPrintClicked();

private:
    const PlanDocument &m_document;
    const PlanDisplay &m_sheet;
    DialogSeam &m_dialogs;
    const std::function<QDateTime()> &m_clock;
};

} // namespace kav
