#pragma once

#include "print/printbackend.h"

#include <QObject>

namespace kav {

// The kavrilink-print module's one object: the program loads it at the first
// PRINT. printReport: the printer dialog through dialogs, then the page on
// the printer, or the PDF file, chosen there. execPrintDialog: QPrintDialog
// (on Windows with no printer, a save dialog for the PDF).
class PrintPlugin : public QObject, public PrintBackend
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID KavPrintBackend_iid)
    Q_INTERFACES(kav::PrintBackend)

public:
    PrintResult printReport(const QStringList &lines, const QString &defaultPdf, DialogSeam &dialogs) override;
    bool execPrintDialog(const PrintDialogRequest &request, QPrinter &printer, QWidget *parent) override;
};

} // namespace kav
