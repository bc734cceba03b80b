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
    return spaces(13) + QStringLiteral("CH%1").arg(channel + 1) + spaces(14) + rx + spaces(14) + tx;
}

} // namespace

QString formatReportValue(const QString &fieldText, const QLocale &locale)
{
    if (fieldText.isEmpty())
        return {};
    const std::optional<double> value = convertFrequencyText(fieldText);
    if (!value)
        return fieldText;
    QString text = formatFrequencyText(*value); // "##.0000" and "###.###0" write a number alike
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point >= 0)
        text.replace(point, 1, locale.decimalPoint());
    return text;
}

QString reportFileLine(const QString &sheetFile)
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
    return prefix + shownPath(name.toString());
}

QString reportDateTime(const QDateTime &printedAt, const QLocale &locale)
{
    return locale.toString(printedAt, locale.dateFormat(QLocale::ShortFormat) + QLatin1Char(' ') +
                                          locale.timeFormat(QLocale::LongFormat));
}

QStringList frequencyReportLines(const ChannelPlan &plan, const QString &sheetFile, const QDateTime &printedAt,
                                 const QLocale &locale)
{
    const QString doubleRule = spaces(11) + QString(83, QLatin1Char('='));
    const QString singleRule = spaces(11) + QString(83, QLatin1Char('-'));

    QStringList lines;
    for (int i = 0; i < 6; ++i)
        lines << QString();
    lines << spaces(66) + QStringLiteral("FREQUENCY DATA");
    lines << spaces(66) + QString(16, QLatin1Char('='));
    lines << QString() << QString();
    lines << reportFileLine(sheetFile) + QLatin1Char(' ') + reportDateTime(printedAt, locale);
    lines << doubleRule;
    lines << spaces(52) + QStringLiteral("RX  Frequency (MHz)") + spaces(33) + QStringLiteral("TX  Frequency (MHz)") +
                 QLatin1Char(' ');
    lines << doubleRule;
    for (int channel = 0; channel < kChannelCount; ++channel) {
        const PlanChannel &c = plan.channels[size_t(channel)];
        if (channel > 0)
            lines << singleRule;
        lines << channelLine(channel, formatReportValue(c.rx, locale), formatReportValue(c.tx, locale));
    }
    lines << doubleRule;
    return lines;
}

} // namespace kav
