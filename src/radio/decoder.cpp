#include "radio/decoder.h"

#include "radio/plandisplay.h"

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

void DecodeImage(RadioData &data)
{
    for (const FrequencySlot &slot : kFrequencySlots)
        data.decodedValue(slot.slot) = DecodeFrequency(data.ReceiveImage, slot.channel, slot.firstByte);
}

PlanFields ShownFieldTexts(const RadioData &data)
{
    PlanFields fields;
    for (const FrequencySlot &slot : kFrequencySlots) {
        const double value = data.decodedValue(slot.slot);
        fields[slot.slot - 1] = value > 0.0 ? FormatFrequencyText(value) : QString();
    }
    return fields;
}

void ShowPlan(const RadioData &data, PlanDisplay &display)
{
    display.setModelText(data.ModelName);
    const PlanFields fields = ShownFieldTexts(data);
    // CH1 RX, CH1 TX, CH2 RX, CH2 TX, CH3 RX, CH3 TX
    for (int slot : {1, 4, 2, 5, 3, 6})
        display.setFieldText(slot, fields[slot - 1]);
}

void LoadReceivedImage(RadioData &data, PlanDisplay &display)
{
    DecodeImage(data);
    ShowPlan(data, display);
}

} // namespace kav
