#include "radio/frequencyentry.h"

#include <cmath>
#include <limits>

namespace kav {

std::int16_t IsOffChannelStep(double mhz)
{
    const double hertz = mhz * kHertzPerMHz;
    if (!std::isfinite(hertz) || hertz < double(std::numeric_limits<std::int32_t>::min()) ||
        hertz > double(std::numeric_limits<std::int32_t>::max()))
        return 1;

    // Round half to even without depending on the floating-point environment;
    // hertz - floor(hertz) is exact at these magnitudes.
    double whole = std::floor(hertz);
    const double fraction = hertz - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0))
        whole += 1.0;
    if (whole > double(std::numeric_limits<std::int32_t>::max()))
        return 1;
    const auto n = std::int32_t(whole);
    const std::int32_t remainder = n % kChannelStepHz;
    return remainder != 0 ? 1 : 0;
}

bool IsAcceptedFrequency(double mhz, double minMHz, double maxMHz)
{
    return mhz >= minMHz && mhz <= maxMHz && IsOffChannelStep(mhz) == 0;
}

std::optional<double> CheckFrequencyEntry(QStringView text, double minMHz, double maxMHz)
{
    const std::optional<double> mhz = ConvertFrequencyText(text);
    if (!mhz || !IsAcceptedFrequency(*mhz, minMHz, maxMHz))
        return std::nullopt;
    return mhz;
}

} // namespace kav
