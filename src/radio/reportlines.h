#pragma once

// The frequency report lives in three places: its 20 text lines
// (radio/reportlines.h), their painting on a page and as a PDF (report/reportpage.h,
// report/reportpdf.h), and PRINT in the window (app/reportprinter.h). This is the text lines.

#include "radio/channelplan.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

namespace kav {

inline constexpr int kReportLines = 20;

// A field's text as the report shows it: a number ("40.125", " 38 ", "-1")
// with four decimals and no integer zero (40.1250, 38.0000, .5000) and the
// locale's decimal separator; an empty text stays empty and any other text
// is shown unchanged. A number is what the frequency fields themselves
// accept (convertFrequencyText).
QString formatReportValue(const QString &fieldText, const QLocale &locale);

// "           FILE NAME : " and sheetFile without surrounding spaces, or
// "           FILE NAME : No Selected" when sheetFile is empty. sheetFile is
// the file the sheet is the content of, empty when it is none; shown with the
// system's separators (backslashes on Windows).
QString reportFileLine(const QString &sheetFile);

// The date and time of printing: the locale's short date, a space, its long time.
QString reportDateTime(const QDateTime &printedAt, const QLocale &locale);

// The 20 lines of the one-page frequency report, top of the page first, laid
// out with spaces for a monospaced font: the six field texts as they stand and
// the file line of sheetFile (see reportFileLine).
QStringList frequencyReportLines(const ChannelPlan &plan, const QString &sheetFile, const QDateTime &printedAt,
                                 const QLocale &locale);

} // namespace kav
