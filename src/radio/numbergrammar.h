#pragma once

#include <QByteArrayView>
#include <QChar>
#include <QStringView>

#include <optional>

namespace kav {

// The scanning shared by the program's number texts: the frequency fields, the
// report, the lines of *.sav files and of comport.inf. Blanks are space and
// tab; digits are ASCII only, in every locale.
constexpr bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}
constexpr bool isBlank(QChar c)
{
    return c.unicode() == u' ' || c.unicode() == u'\t';
}
constexpr bool isAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}
constexpr bool isAsciiDigit(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// text without the blanks at either end (QStringView or QByteArrayView).
template <typename View> [[nodiscard]] View withoutBlanks(View text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

// The number grammar of the frequency fields, which the report shows alike:
// optional blanks around an optional sign '+' or '-', then ASCII digits with
// at most one point as the decimal separator and at least one digit (40, 40.5,
// 38., .5, +40, -38). Everything else is refused: commas and other group
// separators, exponents, hex, "nan", "inf", digits of other scripts, inner
// blanks, and numbers beyond the range of a double. The value in MHz.
[[nodiscard]] std::optional<double> convertFrequencyText(QStringView text);

} // namespace kav
