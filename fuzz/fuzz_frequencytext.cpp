// The entry check's number conversion, fed arbitrary field texts (UTF-8).
//
// Invariants:
// - a text with a character outside digits, point, sign, space and tab never converts;
// - a text converts exactly when it has the grammar blanks, sign, digits with at most
//   one point and one digit at least, blanks -- unless the number is beyond the range
//   of a double -- and then to the correctly rounded double of its digits;
// - whatever converts is finite;
// - an accepted in-band raster value is written as DD.dddd, that text converts
//   back to a value that writes the same text, lies within half a hertz of the
//   typed one, and encodes to the six digits of the text, which decode to it again.
#include "fuzzcheck.h"

#include "radio/channelplan.h"
#include "radio/decoder.h"
#include "radio/encoder.h"
#include "radio/frequencyentry.h"

#include <QLocale>
#include <QString>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace kav;

namespace {

bool isGrammarCharacter(QChar c)
{
    return (c >= u'0' && c <= u'9') || c == u'.' || c == u'+' || c == u'-' || c == u' ' || c == u'\t';
}

// An automaton of its own for: blanks, [sign], digits with at most one point
// and at least one digit, blanks. On acceptance number holds the sign and digits.
bool matchesGrammar(const QString &text, std::string &number)
{
    enum State { Lead, Sign, Int, Point, Frac, Trail };
    State state = Lead;
    bool sawDigit = false;
    for (const QChar c : text) {
        const bool digit = c >= u'0' && c <= u'9';
        const bool blank = c == u' ' || c == u'\t';
        switch (state) {
        case Lead:
            if (blank)
                continue;
            if (c == u'+' || c == u'-')
                state = Sign;
            else if (digit)
                state = Int;
            else if (c == u'.')
                state = Point;
            else
                return false;
            break;
        case Sign:
        case Int:
            if (digit)
                state = Int;
            else if (c == u'.')
                state = Point;
            else if (blank && state == Int)
                state = Trail;
            else
                return false;
            break;
        case Point:
        case Frac:
            if (digit)
                state = Frac;
            else if (blank && (state == Frac || sawDigit))
                state = Trail;
            else
                return false;
            break;
        case Trail:
            if (!blank)
                return false;
            break;
        }
        if (digit)
            sawDigit = true;
        if (state != Lead && state != Trail)
            number.push_back(char(c.unicode()));
    }
    return sawDigit;
}

bool isNormalisedForm(const QString &text)
{
    if (text.size() != 7 || text[2] != u'.')
        return false;
    for (int i : {0, 1, 3, 4, 5, 6})
        if (text[i] < u'0' || text[i] > u'9')
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // A locale whose decimal separator is a comma: the conversion must not care.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    // Any double at all must go through the raster test and the text form without harm.
    if (size >= sizeof(double)) {
        double any;
        std::memcpy(&any, bytes, sizeof any);
        FUZZ_CHECK(std::isfinite(any) || isOffChannelStep(any));
        (void)formatFrequencyText(any);
    }

    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(bytes), qsizetype(size));
    const std::optional<double> mhz = convertFrequencyText(text);

    bool foreign = false;
    for (const QChar c : text)
        foreign = foreign || !isGrammarCharacter(c);
    FUZZ_CHECK(!foreign || !mhz);

    std::string number;
    const bool grammar = matchesGrammar(text, number);
    FUZZ_CHECK(grammar || !mhz);
    if (grammar) {
        // strtod in the C locale the process starts in: the correctly rounded value.
        const double reference = std::strtod(number.c_str(), nullptr);
        if (mhz) {
            FUZZ_CHECK(*mhz == reference);
        } else {
            // Refused only when beyond the range of a double, or too small to be told from zero.
            FUZZ_CHECK(!std::isfinite(reference) || std::fabs(reference) < DBL_MIN);
        }
    }
    if (!mhz)
        return 0;
    FUZZ_CHECK(std::isfinite(*mhz));

    if (*mhz < kMinFreqMHz || *mhz > kMaxFreqMHz || isOffChannelStep(*mhz))
        return 0;

    // Accepted: the field then shows the normalised text.
    const QString shown = formatFrequencyText(*mhz);
    FUZZ_CHECK(isNormalisedForm(shown));
    const std::optional<double> again = convertFrequencyText(shown);
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(*again >= kMinFreqMHz && *again <= kMaxFreqMHz);
    FUZZ_CHECK(!isOffChannelStep(*again));
    FUZZ_CHECK(formatFrequencyText(*again) == shown);
    FUZZ_CHECK(std::fabs(*again - *mhz) * kHertzPerMHz <= 0.5 + 1e-6);

    // WRITE and SAVE encode the shown text; a read or OPEN of those bytes shows it again.
    for (const PlanField field : kPlanFields) {
        RadioImage image;
        FUZZ_CHECK(encodeFrequency(image, field, *again));
        for (int i = 0; i < 6; ++i) {
            const int textIndex = i < 2 ? i : i + 1;
            FUZZ_CHECK(image(field.channel, RadioImage::firstByte(field) + i) == shown[textIndex].unicode() - u'0');
        }
        FUZZ_CHECK(formatFrequencyText(decodeFrequency(image, field)) == shown);
    }
    return 0;
}
