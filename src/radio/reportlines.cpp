#include "radio/reportlines.h"

#include "common/shownpath.h"
#include "radio/decoder.h"
#include "radio/numbergrammar.h"

#include <optional>

namespace kav {

namespace {

QString spaces(int n)
{
    return QString(n, QLatin1Char(' '));
}

QString channelLine(int channel, const QString &rx, const QString &tx)
{
    return spaces(13) + QStringLiteral("CH%1").arg(channel) + spaces(14) + rx + spaces(14) + tx;
}

} // namespace

QString FormatReportValue(const QString &fieldText, const QLocale &locale)
{
    if (fieldText.isEmpty())
        return {};
    const std::optional<double> value = ConvertFrequencyText(fieldText);
    if (!value)
        return fieldText;
    QString text = FormatFrequencyText(*value); // "##.0000" and "###.###0" write a number alike
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point >= 0)
        text.replace(point, 1, locale.decimalPoint());
    return text;
}

QString ReportFileLine(const QString &sheetFile)
{
    const QString prefix = spaces(11) + QStringLiteral("FILE NAME : ");
    if (sheetFile.isEmpty())
        return prefix + QStringLiteral("No Selected");
    // Only spaces are trimmed, as the name was stored.
    QStringView name(sheetFile);
    while (name.startsWith(QLatin1Char(' ')))
        name = name.mid(1);
    while (name.endsWith(QLatin1Char(' ')))
        name.chop(1);
    // In the system's own form: C:\Plans\bench.sav on Windows.
    return prefix + ShownPath(name.toString());
}

QString ReportDateTime(const QDateTime &printedAt, const QLocale &locale)
{
    return locale.toString(printedAt, locale.dateFormat(QLocale::ShortFormat) + QLatin1Char(' ') +
                                          locale.timeFormat(QLocale::LongFormat));
}

QStringList FrequencyReportLines(const PlanFields &fields, const QString &sheetFile, const QDateTime &printedAt,
                                 const QLocale &locale)
{
    const QString doubleRule = spaces(11) + QString(83, QLatin1Char('='));
    const QString singleRule = spaces(11) + QString(83, QLatin1Char('-'));
    const auto value = [&](int slot) { return FormatReportValue(fields[size_t(slot - 1)], locale); };

    QStringList lines;
    for (int i = 0; i < 6; ++i)
        lines << QString();
    lines << spaces(66) + QStringLiteral("FREQUENCY DATA");
    lines << spaces(66) + QString(16, QLatin1Char('='));
    lines << QString() << QString();
    lines << ReportFileLine(sheetFile) + QLatin1Char(' ') + ReportDateTime(printedAt, locale);
    lines << doubleRule;
    lines << spaces(52) + QStringLiteral("RX  Frequency (MHz)") + spaces(33) + QStringLiteral("TX  Frequency (MHz)") +
                 QLatin1Char(' ');
    lines << doubleRule;
    lines << channelLine(1, value(1), value(4));
    lines << singleRule;
    lines << channelLine(2, value(2), value(5));
    lines << singleRule;
    lines << channelLine(3, value(3), value(6));
    lines << doubleRule;
    return lines;
}

} // namespace kav
