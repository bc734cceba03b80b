#include "radio/decoder.h"

namespace kav {

double decodeFrequency(const RadioImage &image, PlanField field)
{
    const int first = RadioImage::firstByte(field);
    const auto digit = [&](int i) { return int(image(field.channel, first + i)); };
    // Each step is rounded to double on its own, so 04 00 00 02 05 00 gives
    // 40.025000000000006 rather than 40.025; the four-decimal display hides it.
    double a = double(10 * digit(0));
    a = digit(1) + a;
    a = digit(2) * 0.1 + a;
    a = digit(3) * 0.01 + a;
    a = digit(4) * 0.001 + a;
    a = digit(5) * 0.0001 + a;
    return a;
}

QString formatFrequencyText(double mhz)
{
    QString text = QString::number(mhz, 'f', 4);
    // "###.###0" writes no integer digit for values below one.
    if (text.startsWith(QLatin1String("0.")))
        text.remove(0, 1);
    else if (text.startsWith(QLatin1String("-0.")))
        text.remove(1, 1);
    return text;
}

ChannelPlan decodePlan(const RadioImage &image)
{
    ChannelPlan plan;
    for (const PlanField field : kPlanFields) {
        const double mhz = decodeFrequency(image, field);
        plan[field] = mhz > 0.0 ? formatFrequencyText(mhz) : QString();
    }
    return plan;
}

} // namespace kav
