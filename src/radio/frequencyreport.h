#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

namespace kav {

class PlanDisplay;
struct RadioData;

inline constexpr int kReportLines = 20;

// A field's text as the report shows it: a number ("40.125", " 38 ", "-1")
// with four decimals and no integer zero (40.1250, 38.0000, .5000) and the
// locale's decimal separator; an empty text stays empty and any other text
// is shown unchanged. A number is what the frequency fields themselves
// accept (ConvertFrequencyText).
QString FormatReportValue(const QString &fieldText, const QLocale &locale);

// "           FILE NAME : " and the trimmed file name while the sheet is the
// content of that file, else "           FILE NAME : No Selected".
QString ReportFileLine(const RadioData &data);

// The date and time of printing: the locale's short date, a space, its long time.
QString ReportDateTime(const QDateTime &printedAt, const QLocale &locale);

// The 20 lines of the one-page frequency report, top of the page first, laid
// out with spaces for a monospaced font. Reads the six field texts as they stand.
QStringList FrequencyReportLines(const PlanDisplay &sheet, const RadioData &data, const QDateTime &printedAt,
                                 const QLocale &locale);

} // namespace kav
