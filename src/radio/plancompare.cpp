#include "radio/plancompare.h"

#include "radio/decoder.h"

#include <QStringList>

namespace kav {

namespace {

// The field's text as the sheet would show it: empty when it decodes to nothing.
QString fieldText(const RadioImage &image, PlanField field)
{
    const double mhz = decodeFrequency(image, field);
    return mhz > 0 ? formatFrequencyText(mhz) : QString();
}

QString shown(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("empty") : text;
}

} // namespace

QList<FieldDifference> comparePlans(const RadioImage &written, const RadioImage &held)
{
    QList<FieldDifference> differences;
    for (const PlanField field : kPlanFields) {
        const int first = RadioImage::firstByte(field);
        bool same = true;
        for (int b = first; b < first + RadioImage::kFieldBytes; ++b)
            same = same && written(field.channel, b) == held(field.channel, b);
        // Bytes that differ but show alike (non-digit bytes) still count.
        if (!same)
            differences.append({field, fieldText(written, field), fieldText(held, field)});
    }
    return differences;
}

QString describeDifferences(const QList<FieldDifference> &differences)
{
    QStringList lines;
    for (const FieldDifference &d : differences) {
        lines.append(QStringLiteral("%1: written %2, the radio holds %3")
                         .arg(fieldName(d.field), shown(d.written), shown(d.held)));
    }
    return lines.join(QLatin1Char('\n'));
}

QString describeChange(const FieldDifference &d)
{
    const QString held =
        d.held.isEmpty() ? QStringLiteral("the radio holds nothing") : QStringLiteral("the radio holds ") + d.held;
    const QString written =
        d.written.isEmpty() ? QStringLiteral("the sheet has nothing") : QStringLiteral("the sheet has ") + d.written;
    return QStringLiteral("%1: %2, %3").arg(fieldName(d.field), held, written);
}

QString describeChanges(const QList<FieldDifference> &differences)
{
    QStringList lines;
    for (const FieldDifference &d : differences)
        lines.append(describeChange(d));
    return lines.join(QLatin1Char('\n'));
}

QDebug operator<<(QDebug debug, const FieldDifference &d)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << d.field << ' ' << d.written << " -> " << d.held;
    return debug;
}

} // namespace kav
