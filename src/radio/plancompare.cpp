#include "radio/plancompare.h"

#include "radio/decoder.h"

#include <QStringList>

namespace kav {

namespace {

constexpr int kFieldBytes = 6;

// The field's text as the sheet would show it: empty when it decodes to nothing.
QString fieldText(const RadioImage &image, int channel, int firstByte)
{
    const double mhz = DecodeFrequency(image, channel, firstByte);
    return mhz > 0 ? FormatFrequencyText(mhz) : QString();
}

QString shown(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("empty") : text;
}

} // namespace

QList<FieldDifference> ComparePlans(const RadioImage &written, const RadioImage &held)
{
    QList<FieldDifference> differences;
    for (int channel = 1; channel <= RadioImage::kChannels; ++channel) {
        for (const int firstByte : {1, 1 + kFieldBytes}) {
            bool same = true;
            for (int b = firstByte; b < firstByte + kFieldBytes; ++b)
                same = same && written(channel, b) == held(channel, b);
            if (!same) {
                // Bytes that differ but show alike (non-digit bytes) still count.
                differences.append({channel, firstByte != 1, fieldText(written, channel, firstByte),
                                    fieldText(held, channel, firstByte)});
            }
        }
    }
    return differences;
}

QString DescribeDifferences(const QList<FieldDifference> &differences)
{
    QStringList lines;
    for (const FieldDifference &d : differences) {
        lines.append(QStringLiteral("CH%1 %2: written %3, the radio holds %4")
                         .arg(d.channel)
                         .arg(d.tx ? QStringLiteral("TX") : QStringLiteral("RX"), shown(d.written), shown(d.held)));
    }
    return lines.join(QLatin1Char('\n'));
}

QString describeChange(const FieldDifference &d)
{
    const QString field =
        QStringLiteral("CH%1 %2").arg(d.channel).arg(d.tx ? QStringLiteral("TX") : QStringLiteral("RX"));
    const QString held =
        d.held.isEmpty() ? QStringLiteral("the radio holds nothing") : QStringLiteral("the radio holds ") + d.held;
    const QString written =
        d.written.isEmpty() ? QStringLiteral("the sheet has nothing") : QStringLiteral("the sheet has ") + d.written;
    return QStringLiteral("%1: %2, %3").arg(field, held, written);
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
    debug.nospace() << "CH" << d.channel << (d.tx ? " TX " : " RX ") << d.written << " -> " << d.held;
    return debug;
}

} // namespace kav
