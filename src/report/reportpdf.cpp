#include "report/reportpdf.h"

#include "common/safefile.h"
#include "report/reportpage.h"

#include <QBuffer>
#include <QPageSize>
#include <QPdfWriter>

namespace kav {

QPageLayout defaultReportPdfLayout()
{
    return QPdfWriter(QString()).pageLayout();
}

bool writeReportPdf(const QString &path, const QStringList &lines, const QPageLayout &layout, int resolution,
                    QString *reason)
{
    // Refused before painting, with the reason naming the target.
    const QString refused = refusedTargetReason(path);
    if (!refused.isEmpty()) {
        if (reason)
            *reason = refused;
        return false;
    }
    QByteArray pdf;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setTitle(QStringLiteral("Frequency Report"));
        writer.setPageLayout(layout);
        writer.setResolution(resolution);
        if (paintReportPage(writer, lines) != PaintOutcome::Painted || !pdf.trimmed().endsWith("%%EOF")) {
            if (reason)
                *reason = QStringLiteral("The report could not be painted as a PDF page.");
            return false;
        }
    }
    return replaceFile(path, pdf, reason);
}

} // namespace kav
