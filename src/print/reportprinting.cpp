#include "print/reportprinting.h"

#include "common/shownpath.h"
#include "report/reportpage.h"

#include <QPrinter>

namespace kav {

namespace {

QString jobName(const QPrinter &printer)
{
    if (printer.outputFormat() == QPrinter::PdfFormat)
        return QStringLiteral("the PDF file ") + shownPath(printer.outputFileName());
    return QStringLiteral("the printer ") + printer.printerName();
}

} // namespace

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

} // namespace kav
