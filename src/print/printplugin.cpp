#include "print/printplugin.h"

#include "common/shownpath.h"
#include "print/reportprinting.h"
#include "report/reportpdf.h"

#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace kav {

PrintResult PrintPlugin::printReport(const QStringList &lines, const QString &defaultPdf, DialogSeam &dialogs)
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
        printed = writeReportPdf(path, lines, printer.pageLayout(), printer.resolution(), &result.reason);
        if (!printed && !result.reason.contains(shownPath(path)))
            result.reason =
                QStringLiteral("The PDF file %1 could not be written: %2").arg(shownPath(path), result.reason);
    } else {
        printed = paintReport(printer, lines, &result.reason);
    }
    if (!printed)
        result.outcome = PrintOutcome::Failed;
    return result;
}

bool PrintPlugin::execPrintDialog(const PrintDialogRequest &request, QPrinter &printer, QWidget *parent)
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
