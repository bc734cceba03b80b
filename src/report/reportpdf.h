#pragma once

// The frequency report lives in three places: its 20 text lines
// (radio/reportlines.h), their painting on a page and as a PDF (report/reportpage.h,
// report/reportpdf.h), and PRINT in the window (app/reportprinter.h). This is the PDF file.

#include <QPageLayout>
#include <QString>
#include <QStringList>

namespace kav {

// The layout and resolution the command line's PDF report uses.
inline constexpr int kReportPdfResolution = 600;
[[nodiscard]] QPageLayout defaultReportPdfLayout();

// Paints the report into a one-page PDF in memory and puts it at path in one
// step (see replaceFile): a PDF that could not be painted or written in full
// never replaces the old file. False, with the reason, on failure.
[[nodiscard]] bool writeReportPdf(const QString &path, const QStringList &lines, const QPageLayout &layout,
                                  int resolution, QString *reason);

} // namespace kav
