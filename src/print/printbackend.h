#pragma once

// PRINT's work with printers, which needs Qt Print Support. It lives in a
// module of its own (kavrilink-print), which the program loads at the first
// PRINT (app/printmodule.h), so that start-up does not load Qt Print Support.

#include "common/dialogseam.h"

#include <QString>
#include <QStringList>
#include <QtPlugin>

class QPrinter;
class QWidget;

namespace kav {

enum class PrintOutcome { Printed, Cancelled, Failed };

struct PrintResult
{
    PrintOutcome outcome = PrintOutcome::Failed;
    QString reason; // why it failed, for the box
};

class PrintBackend
{
public:
    virtual ~PrintBackend() = default;

    // Shows the printer dialog through dialogs and prints lines on one page of
    // the printer chosen there. With no printer installed the dialog offers
    // the PDF file defaultPdf.
    virtual PrintResult printReport(const QStringList &lines, const QString &defaultPdf, DialogSeam &dialogs) = 0;
    // The system's printer dialog for printer, modal to parent; true when accepted.
    virtual bool execPrintDialog(const PrintDialogRequest &request, QPrinter &printer, QWidget *parent) = 0;
};

} // namespace kav

#define KavPrintBackend_iid "io.github.kavrilink.PrintBackend/1"
Q_DECLARE_INTERFACE(kav::PrintBackend, KavPrintBackend_iid)
