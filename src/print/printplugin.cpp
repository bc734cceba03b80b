#include "print/printplugin.h"

#include "print/reportprinting.h"

namespace kav {

PrintResult PrintPlugin::printReport(const QStringList &lines, const QString &defaultPdf, DialogSeam &dialogs)
{
    return PrintReportLines(lines, defaultPdf, dialogs);
}

bool PrintPlugin::execPrintDialog(const PrintDialogRequest &request, QPrinter &printer, QWidget *parent)
{
    return ExecPrintDialog(request, printer, parent);
}

} // namespace kav
