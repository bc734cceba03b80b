#include "app/reportprinter.h"

#include "common/appfolder.h"
#include "common/dialogseam.h"
#include "radio/frequencyreport.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>

namespace kav {

namespace {

constexpr qreal kPreferredPoints = 10.0;
constexpr int kMaxShrinkSteps = 100;

qreal widestLine(const QFontMetricsF &metrics, const QStringList &lines)
{
    qreal widest = 0;
    for (const QString &line : lines)
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

bool fits(const QFontMetricsF &metrics, const QStringList &lines, const QSizeF &area)
{
    return widestLine(metrics, lines) <= area.width() && metrics.lineSpacing() * lines.size() <= area.height();
}

QString jobName(const QPrinter &printer)
{
    if (printer.outputFormat() == QPrinter::PdfFormat)
        return QStringLiteral("the PDF file ") + printer.outputFileName();
    return QStringLiteral("the printer ") + printer.printerName();
}

} // namespace

QString defaultReportPdfPath()
{
    return applicationFile(QStringLiteral("frequency-report.pdf"));
}

QFont reportFont(qreal points)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (!QFontInfo(font).fixedPitch()) {
        for (const char *family : {"DejaVu Sans Mono", "Liberation Mono", "Courier New", "Courier", "monospace"}) {
            QFont candidate(QString::fromLatin1(family));
            candidate.setStyleHint(QFont::TypeWriter);
            if (QFontInfo(candidate).fixedPitch()) {
                font = candidate;
                break;
            }
        }
    }
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setKerning(false);
    font.setPointSizeF(points);
    return font;
}

bool PaintReport(QPrinter &printer, const QStringList &lines, QString *reason)
{
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (reason)
            *reason = QStringLiteral("The print job could not be started on %1.").arg(jobName(printer));
        return false;
    }

    // Painter coordinates start at the top left of the printable area.
    const QSizeF area(printer.width(), printer.height());
    QFont font = reportFont(kPreferredPoints);
    QFontMetricsF metrics(font, &printer);
    const qreal widthScale = area.width() / std::max<qreal>(widestLine(metrics, lines), 1);
    const qreal heightScale = area.height() / std::max<qreal>(metrics.lineSpacing() * lines.size(), 1);
    qreal points = kPreferredPoints * std::min<qreal>({1.0, widthScale, heightScale});
    font.setPointSizeF(points);
    metrics = QFontMetricsF(font, &printer);
    // Glyph advances do not scale exactly with the size; shrink until it fits.
    for (int step = 0; step < kMaxShrinkSteps && !fits(metrics, lines, area); ++step) {
        points *= 0.98;
        font.setPointSizeF(points);
        metrics = QFontMetricsF(font, &printer);
    }

    painter.setFont(font);
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(QPointF(0, metrics.ascent() + i * metrics.lineSpacing()), lines.at(i));

    if (!painter.end() || printer.printerState() == QPrinter::Error) {
        if (reason)
            *reason = QStringLiteral("The print job on %1 failed.").arg(jobName(printer));
        return false;
    }
    return true;
}

ReportPrinter::ReportPrinter(const RadioData &data, const PlanDisplay &sheet, DialogSeam &dialogs)
    : m_data(data), m_sheet(sheet), m_dialogs(dialogs), m_clock([] { return QDateTime::currentDateTime(); })
{
}

void ReportPrinter::CMd_Print_Click()
{
    // The date and time of the click, not of the moment the dialog is closed.
    const QDateTime printedAt = m_clock();
    const QStringList lines = FrequencyReportLines(m_sheet, m_data, printedAt, QLocale::system());

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
    if (!PaintReport(printer, lines, &reason))
        showCritical(m_dialogs, QStringLiteral("Could not print the frequency report"), QStringLiteral("Error"),
                     reason);
}

} // namespace kav
