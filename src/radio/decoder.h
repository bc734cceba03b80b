#pragma once

#include "radio/plandisplay.h"
#include "radio/radiodata.h"

#include <QString>

namespace kav {

// Adds the six digit bytes (channel, firstByte .. firstByte + 5) of the image
// with their decimal weights, accumulating in a double in a fixed order; the
// bytes are not checked to be digits.
double DecodeFrequency(const RadioImage &image, int channel, int firstByte);

// The frequency text form: no leading zeros, a point and exactly four
// decimals, rounded (38 -> "38.0000", 0.5 -> ".5000").
QString FormatFrequencyText(double mhz);

// Decodes ReceiveImage into the six decoded values; shows nothing.
void DecodeImage(RadioData &data);
// The field texts ShowPlan shows for the decoded values: the frequency text
// form of every value > 0, empty for the others.
[[nodiscard]] PlanFields ShownFieldTexts(const RadioData &data);
// Shows the model name and every decoded value > 0 in the frequency text form,
// emptying the fields of the others.
void ShowPlan(const RadioData &data, PlanDisplay &display);
// DecodeImage followed by ShowPlan.
void LoadReceivedImage(RadioData &data, PlanDisplay &display);

} // namespace kav
