#include "radio/frequencyentry.h"

#include <cmath>
#include <limits>

namespace kav {

bool isOffChannelStep(double mhz)
{
    const double hertz = mhz * kHertzPerMHz;
    if (!std::isfinite(hertz) || hertz < double(std::numeric_limits<std::int32_t>::min()) ||
        hertz > double(std::numeric_limits<std::int32_t>::max()))
        return true;

    // Round half to even without depending on the floating-point environment;
    // hertz - floor(hertz) is exact at these magnitudes.
    double whole = std::floor(hertz);
    const double fraction = hertz - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0))
        whole += 1.0;
    if (whole > double(std::numeric_limits<std::int32_t>::max()))
        return true;
    const auto n = std::int32_t(whole);
    const std::int32_t remainder = n % kChannelStepHz;
    return remainder != 0;
}

bool isAcceptedFrequency(double mhz, double minMHz, double maxMHz)
{
    return mhz >= minMHz && mhz <= maxMHz && !isOffChannelStep(mhz);
}

std::optional<double> checkFrequencyEntry(QStringView text, double minMHz, double maxMHz)
{
    const std::optional<double> mhz = convertFrequencyText(text);
    if (!mhz || !isAcceptedFrequency(*mhz, minMHz, maxMHz))
        return std::nullopt;
    return mhz;
}

} // namespace kav
