#pragma once

#include "radio/radiodata.h"

#include <QString>

namespace kav {

class DialogSeam;
class PlanDisplay;

// The plain decimal text of f: at most 15 significant digits, no exponent,
// no trailing fraction zeros, no point when whole (38 -> "38", 40.0125 -> "40.0125").
QString CanonicalFrequencyText(double mhz);

// Writes the six digits of mhz into the slot's bytes of image. False, with
// image untouched, when the value has no DD.dddd form (below 10 MHz but for
// the single-digit case, 100 MHz and above, negative, more than four decimals).
[[nodiscard]] bool EncodeFrequency(RadioImage &image, int slot, double mhz);

// Encodes every non-empty field into image, in slot order; an empty field
// keeps its slot's bytes. Returns 0, or the first slot that could not be
// encoded (image is then partly written: encode into a copy).
[[nodiscard]] int EncodeSheet(RadioImage &image, const PlanDisplay &display);

// Builds SendImage from the six fields. False when all six are empty ("Data is
// Empty") or a field cannot be encoded ("Confirm Frequency Range!", focus on
// that field); SendImage changes only when every slot succeeded.
[[nodiscard]] bool BuildSendImage(RadioData &data, PlanDisplay &display, DialogSeam &dialogs);

} // namespace kav
