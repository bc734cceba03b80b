#include "print/reportprinting.h"

#include "common/shownpath.h"
#include "report/reportpage.h"
#include "report/reportpdf.h"

#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace kav {

namespace {

QString jobName(const QPrinter &printer)
{
    if (printer.outputFormat() == QPrinter::PdfFormat)
        return QStringLiteral("the PDF file ") + ShownPath(printer.outputFileName());
    return QStringLiteral("the printer ") + printer.printerName();
}

} // namespace

bool PaintReport(QPrinter &printer, const QStringList &lines, QString *reason)
{
    switch (PaintReportPage(printer, lines)) {
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

PrintResult PrintReportLines(const QStringList &lines, const QString &defaultPdf, DialogSeam &dialogs)
{
    // Built only now: printer discovery has no place at start-up.
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Frequency Report"));
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(defaultPdf);
    }

    PrintDialogRequest request;
    request.title = QStringLiteral("Print Frequency");
    request.fromPage = 1;
    request.toPage = 1;
    request.minPage = 1;
    request.maxPage = 10;
    request.pageRangeSelected = true;
    if (!dialogs.showPrintDialog(request, printer))
        return {PrintOutcome::Cancelled, {}}; // Cancel means no print

    PrintResult result{PrintOutcome::Printed, {}};
    // A PDF is painted in memory and replaces the file in one step, so that a
    // full disk or a device named as the file is reported, never half written.
    bool printed = false;
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        const QString path = printer.outputFileName();
        printed = WriteReportPdf(path, lines, printer.pageLayout(), printer.resolution(), &result.reason);
        if (!printed && !result.reason.contains(ShownPath(path)))
            result.reason =
                QStringLiteral("The PDF file %1 could not be written: %2").arg(ShownPath(path), result.reason);
    } else {
        printed = PaintReport(printer, lines, &result.reason);
    }
    if (!printed)
        result.outcome = PrintOutcome::Failed;
    return result;
}

bool ExecPrintDialog(const PrintDialogRequest &request, QPrinter &printer, QWidget *parent)
{
#ifdef Q_OS_WIN
    // Windows' print dialog serves installed printers only; with none, the
    // report goes to the PDF file chosen here, as the dialog elsewhere offers.
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        const QString path = QFileDialog::getSaveFileName(parent, request.title, printer.outputFileName(),
                                                          QStringLiteral("PDF (*.pdf)"));
        if (path.isEmpty())
            return false;
        printer.setOutputFileName(path);
        return true;
    }
#endif
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(request.title);
    dialog.setMinMax(request.minPage, request.maxPage);
    dialog.setFromTo(request.fromPage, request.toPage);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    if (request.pageRangeSelected)
        printer.setPrintRange(QPrinter::PageRange);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace kav
