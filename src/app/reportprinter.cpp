#include "app/reportprinter.h"

#include "app/plandocument.h"

#include "common/appfolder.h"
#include "common/dialogseam.h"
#include "common/shownpath.h"
#include "radio/reportlines.h"
#include "report/reportpage.h"
#include "report/reportpdf.h"
#include "sheet/plandisplay.h"

#include <QLocale>
#include <QPrinter>
#include <QPrinterInfo>

namespace kav {

namespace {

QString jobName(const QPrinter &printer)
{
    if (printer.outputFormat() == QPrinter::PdfFormat)
        return QStringLiteral("the PDF file ") + shownPath(printer.outputFileName());
    return QStringLiteral("the printer ") + printer.printerName();
}

} // namespace

QString defaultReportPdfPath()
{
    return applicationFile(QStringLiteral("frequency-report.pdf"));
}

bool paintReport(QPrinter &printer, const QStringList &lines, QString *reason)
{
    switch (paintReportPage(printer, lines)) {
    case PaintOutcome::Painted:
        if (printer.printerState() != QPrinter::Error)
            return true;
        [[fallthrough]];
    case PaintOutcome::NotFinished:
        if (reason)
            *reason = QStringLiteral("The print job on %1 failed.").arg(jobName(printer));
        return false;
    case PaintOutcome::NotStarted:
        if (reason)
            *reason = QStringLiteral("The print job could not be started on %1.").arg(jobName(printer));
        return false;
    }
    return false;
}

ReportPrinter::ReportPrinter(const PlanDocument &document, const PlanDisplay &sheet, DialogSeam &dialogs,
                             const std::function<QDateTime()> &clock)
    : m_document(document), m_sheet(sheet), m_dialogs(dialogs), m_clock(clock)
{
}

void ReportPrinter::onPrintClicked()
{
    // The date and time of the click, not of the moment the dialog is closed.
    const QDateTime printedAt = m_clock();
    const QStringList lines =
        frequencyReportLines(shownPlan(m_sheet), m_document.sheetFile(), printedAt, QLocale::system());

    // Built only now: printer discovery has no place at start-up.
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Frequency Report"));
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(defaultReportPdfPath());
    }

    PrintDialogRequest request;
    request.title = QStringLiteral("Print Frequency");
    request.fromPage = 1;
    request.toPage = 1;
    request.minPage = 1;
    request.maxPage = 10;
    request.pageRangeSelected = true;
    if (!m_dialogs.showPrintDialog(request, printer))
        return; // Cancel means no print

    QString reason;
    // A PDF is painted in memory and replaces the file in one step, so that a
    // full disk or a device named as the file is reported, never half written.
    bool printed = false;
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        const QString path = printer.outputFileName();
        printed = writeReportPdf(path, lines, printer.pageLayout(), printer.resolution(), &reason);
        if (!printed && !reason.contains(shownPath(path)))
            reason = QStringLiteral("The PDF file %1 could not be written: %2").arg(shownPath(path), reason);
    } else {
        printed = paintReport(printer, lines, &reason);
    }
    if (!printed)
        showCritical(m_dialogs, QStringLiteral("Could not print the frequency report"), QStringLiteral("Error"),
                     reason);
}

} // namespace kav
