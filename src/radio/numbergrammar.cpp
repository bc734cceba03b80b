#include "radio/numbergrammar.h"

#include <charconv>
#include <cmath>
#include <string>

namespace kav {

std::optional<double> convertFrequencyText(QStringView text)
{
    QStringView number = withoutBlanks(text);

    // from_chars takes a '-' but no '+'; the sign is kept apart and applied last.
    bool negative = false;
    if (!number.isEmpty() && (number.front() == u'+' || number.front() == u'-')) {
        negative = number.front() == u'-';
        number = number.sliced(1);
    }

    std::string ascii;
    ascii.reserve(std::size_t(number.size()));
    bool point = false;
    bool digit = false;
    for (const QChar c : number) {
        if (isAsciiDigit(c)) {
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

} // namespace kav
