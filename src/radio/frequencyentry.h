#pragma once

#include "radio/numbergrammar.h"

#include <cstdint>

namespace kav {

inline constexpr double kHertzPerMHz = 1'000'000.0;
inline constexpr std::int32_t kChannelStepHz = 12'500;

// True when mhz is not on the 12.5 kHz raster. The hertz value is
// rounded to a whole number with ties to even, so anything within half a
// hertz of a raster point is on it. A value whose hertz do not fit a 32-bit
// integer (or is not finite) is never on the raster.
[[nodiscard]] bool isOffChannelStep(double mhz);

// The entry check of a frequency field: mhz lies in minMHz..maxMHz and on the raster.
[[nodiscard]] bool isAcceptedFrequency(double mhz, double minMHz, double maxMHz);
// The text converts and its value passes isAcceptedFrequency; the value, or nullopt.
[[nodiscard]] std::optional<double> checkFrequencyEntry(QStringView text, double minMHz, double maxMHz);

} // namespace kav
