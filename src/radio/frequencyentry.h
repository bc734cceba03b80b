#pragma once

#include <QStringView>

#include <cstdint>
#include <optional>

namespace kav {

inline constexpr double kHertzPerMHz = 1'000'000.0;
inline constexpr std::int32_t kChannelStepHz = 12'500;

// Converts the text of a frequency field to MHz, the same in every locale.
// Accepted: optional blanks (space, tab) around an optional sign '+' or '-',
// then ASCII digits with at most one point as the decimal separator and at
// least one digit (40, 40.5, 38., .5, +40, -38). Everything else is refused:
// commas and other group separators, exponents, hex, "nan", "inf", digits of
// other scripts, inner blanks, and numbers beyond the range of a double.
[[nodiscard]] std::optional<double> ConvertFrequencyText(QStringView text);

// 1 when mhz is not on the 12.5 kHz raster, 0 when it is. The hertz value is
// rounded to a whole number with ties to even, so anything within half a
// hertz of a raster point is on it. A value whose hertz do not fit a 32-bit
// integer (or is not finite) is never on the raster.
[[nodiscard]] std::int16_t IsOffChannelStep(double mhz);

// The entry check of a frequency field: mhz lies in minMHz..maxMHz and on the raster.
[[nodiscard]] bool IsAcceptedFrequency(double mhz, double minMHz, double maxMHz);
// The text converts and its value passes IsAcceptedFrequency; the value, or nullopt.
[[nodiscard]] std::optional<double> CheckFrequencyEntry(QStringView text, double minMHz, double maxMHz);

} // namespace kav
