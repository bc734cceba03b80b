#include "radio/encoder.h"

#include <QLocale>

#include <cmath>

namespace kav {

QString canonicalFrequencyText(double mhz)
{
    if (!std::isfinite(mhz))
        return QString::number(mhz);
    if (mhz == 0.0)
        return QStringLiteral("0");

    // "d.dddddddddddddde+XX": the value rounded to 15 significant digits.
    const QString scientific = QString::number(std::fabs(mhz), 'e', 14);
    const int e = scientific.indexOf(QLatin1Char('e'));
    QString digits = scientific.left(e).remove(QLatin1Char('.'));
    const int exponent = scientific.mid(e + 1).toInt();
    while (digits.size() > 1 && digits.endsWith(QLatin1Char('0')))
        digits.chop(1);

    QString text;
    const int integerDigits = exponent + 1;
    if (integerDigits <= 0) {
        text = QStringLiteral("0.") + QString(-integerDigits, QLatin1Char('0')) + digits;
    } else if (integerDigits >= digits.size()) {
        text = digits + QString(integerDigits - digits.size(), QLatin1Char('0'));
    } else {
        text = digits.left(integerDigits) + QLatin1Char('.') + digits.mid(integerDigits);
    }
    return mhz < 0 ? QLatin1Char('-') + text : text;
}

bool encodeFrequency(RadioImage &image, PlanField field, double mhz)
{
    const QString s = canonicalFrequencyText(mhz);
    QString t;
    switch (s.size()) {
    case 1:
        t = QStringLiteral("0"); // the marker for six zero digits
        break;
    case 2:
        t = s + QStringLiteral(".0000");
        break;
    case 4:
        t = s + QStringLiteral("000");
        break;
    case 5:
        t = s + QStringLiteral("00");
        break;
    case 6:
        t = s + QStringLiteral("0");
        break;
    case 7:
        t = s;
        break;
    default:
        return false; // no seven-character form
    }

    int digits[6] = {};
    if (t != QLatin1String("0")) {
        // The form must be DD.dddd: a value such as 1055 would otherwise pad to
        // "1055000" and silently become 10.5 MHz.
        if (t.at(2) != QLatin1Char('.'))
            return false;
        static constexpr int positions[] = {0, 1, 3, 4, 5, 6};
        for (int i = 0; i < 6; ++i) {
            const QChar c = t.at(positions[i]);
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
            digits[i] = c.unicode() - '0';
        }
    }

    const int first = RadioImage::firstByte(field);
    for (int i = 0; i < 6; ++i)
        image(field.channel, first + i) = std::uint8_t(digits[i]);
    return true;
}

std::optional<PlanField> encodeSheet(RadioImage &image, const ChannelPlan &plan)
{
    for (const PlanField field : kEntryOrder) {
        const QString &text = plan[field];
        if (text.isEmpty())
            continue; // keeps the digits last encoded into this field
        bool ok = false;
        const double mhz = QLocale::c().toDouble(text, &ok);
        if (!ok || !encodeFrequency(image, field, mhz))
            return field;
    }
    return std::nullopt;
}

EncodeResult buildSendImage(const RadioImage &previous, const ChannelPlan &plan)
{
    EncodeResult result;
    if (plan.isEmpty()) {
        result.outcome = EncodeOutcome::EmptySheet;
        return result;
    }
    result.image = previous;
    if (const std::optional<PlanField> failed = encodeSheet(result.image, plan)) {
        result.outcome = EncodeOutcome::FieldNotEncodable;
        result.field = *failed;
        result.image = RadioImage();
    }
    return result;
}

QString encodeMessage(EncodeOutcome outcome)
{
    switch (outcome) {
    case EncodeOutcome::Encoded:
        return {};
    case EncodeOutcome::EmptySheet:
        return QStringLiteral("Data is Empty");
    case EncodeOutcome::FieldNotEncodable:
        return QStringLiteral("Confirm Frequency Range!");
    }
    return {};
}

} // namespace kav
