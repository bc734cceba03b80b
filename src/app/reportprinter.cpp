#include "app/reportprinter.h"

#include "app/plandocument.h"
#include "app/printmodule.h"

#include "common/appfolder.h"
#include "common/dialogseam.h"
#include "print/printbackend.h"
#include "radio/reportlines.h"
#include "sheet/plandisplay.h"

#include <QLocale>

namespace kav {

QString defaultReportPdfPath()
{
    return applicationFile(QStringLiteral("frequency-report.pdf"));
}

ReportPrinter::ReportPrinter(const PlanDocument &document, const PlanDisplay &sheet, PrintModule &module,
                             DialogSeam &dialogs, const std::function<QDateTime()> &clock)
    : m_document(document), m_sheet(sheet), m_module(module), m_dialogs(dialogs), m_clock(clock)
{
}

void ReportPrinter::onPrintClicked()
{
    // The date and time of the click, not of the moment the dialog is closed.
    const QDateTime printedAt = m_clock();
    const QStringList lines =
        frequencyReportLines(shownPlan(m_sheet), m_document.sheetFile(), printedAt, QLocale::system());

    QString reason;
    PrintBackend *printing = m_module.backend(&reason);
    if (printing) {
        const PrintResult result = printing->printReport(lines, defaultReportPdfPath(), m_dialogs);
        if (result.outcome != PrintOutcome::Failed)
            return;
        reason = result.reason;
    }
    showCritical(m_dialogs, QStringLiteral("Could not print the frequency report"), QStringLiteral("Error"), reason);
}

} // namespace kav
