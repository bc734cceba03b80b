#pragma once

#include <QPageLayout>
#include <QString>
#include <QStringList>

namespace kav {

// The layout and resolution the command line's PDF report uses.
inline constexpr int kReportPdfResolution = 600;
[[nodiscard]] QPageLayout defaultReportPdfLayout();

// Paints the report into a one-page PDF in memory and puts it at path in one
// step (see ReplaceFile): a PDF that could not be painted or written in full
// never replaces the old file. False, with the reason, on failure.
[[nodiscard]] bool WriteReportPdf(const QString &path, const QStringList &lines, const QPageLayout &layout,
                                  int resolution, QString *reason);

} // namespace kav
