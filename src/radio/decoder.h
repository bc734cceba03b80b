#pragma once

#include "radio/channelplan.h"
#include "radio/radioimage.h"

#include <QString>

namespace kav {

// Adds the six digit bytes of field in image with their decimal weights,
// accumulating in a double in a fixed order; the bytes are not checked to be digits.
double decodeFrequency(const RadioImage &image, PlanField field);

// The frequency text form: no leading zeros, a point and exactly four
// decimals, rounded (38 -> "38.0000", 0.5 -> ".5000").
QString formatFrequencyText(double mhz);

// The field texts the sheet shows for image: every decoded value > 0 in the
// frequency text form, empty for the others (the all-zero image gives six
// empty texts).
[[nodiscard]] ChannelPlan decodePlan(const RadioImage &image);

} // namespace kav
