#include "radio/decoder.h"

namespace kav {

double DecodeFrequency(const RadioImage &image, int channel, int firstByte)
{
    const auto digit = [&](int i) { return int(image(channel, firstByte + i)); };
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

QString FormatFrequencyText(double mhz)
{
    QString text = QString::number(mhz, 'f', 4);
    // "###.###0" writes no integer digit for values below one.
    if (text.startsWith(QLatin1String("0.")))
        text.remove(0, 1);
    else if (text.startsWith(QLatin1String("-0.")))
        text.remove(1, 1);
    return text;
}

DecodedPlan DecodeImage(const RadioImage &image)
{
    DecodedPlan values{};
    for (const FrequencySlot &slot : kFrequencySlots)
        values[size_t(slot.slot - 1)] = DecodeFrequency(image, slot.channel, slot.firstByte);
    return values;
}

PlanFields PlanFieldTexts(const RadioImage &image)
{
    const DecodedPlan values = DecodeImage(image);
    PlanFields fields;
    for (size_t i = 0; i < fields.size(); ++i)
        fields[i] = values[i] > 0.0 ? FormatFrequencyText(values[i]) : QString();
    return fields;
}

} // namespace kav
