#pragma once

#include "radio/channelplan.h"
#include "radio/radioimage.h"

#include <QString>

#include <array>

namespace kav {

// Adds the six digit bytes (channel, firstByte .. firstByte + 5) of the image
// with their decimal weights, accumulating in a double in a fixed order; the
// bytes are not checked to be digits.
double DecodeFrequency(const RadioImage &image, int channel, int firstByte);

// The frequency text form: no leading zeros, a point and exactly four
// decimals, rounded (38 -> "38.0000", 0.5 -> ".5000").
QString FormatFrequencyText(double mhz);

// The six decoded values in MHz, slot 1 first.
using DecodedPlan = std::array<double, 6>;

// Decodes every slot of image.
[[nodiscard]] DecodedPlan DecodeImage(const RadioImage &image);
// The field texts the sheet shows for image: every decoded value > 0 in the
// frequency text form, empty for the others (the all-zero image gives six
// empty texts).
[[nodiscard]] PlanFields PlanFieldTexts(const RadioImage &image);

} // namespace kav
