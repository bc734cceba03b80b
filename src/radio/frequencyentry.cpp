#include "radio/frequencyentry.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace kav {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

std::optional<double> ConvertFrequencyText(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;

    // from_chars takes a '-' but no '+'; the sign is kept apart and applied last.
    bool negative = false;
    if (begin < end && (text[begin] == u'+' || text[begin] == u'-')) {
        negative = text[begin] == u'-';
        ++begin;
    }

    std::string ascii;
    ascii.reserve(std::size_t(end - begin));
    bool point = false;
    bool digit = false;
    for (qsizetype i = begin; i < end; ++i) {
        const QChar c = text[i];
        if (isDigit(c)) {
            digit = true;
        } else if (c == u'.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
        ascii.push_back(char(c.unicode()));
    }
    if (!digit)
        return std::nullopt;

    double value = 0.0;
    const char *first = ascii.data();
    const char *last = first + ascii.size();
    const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::fixed);
    // Out of range covers both a number too large for a double and one too
    // small to be told from zero; neither is a frequency.
    if (ec != std::errc() || ptr != last || !std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

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
