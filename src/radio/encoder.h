#pragma once

#include "radio/channelplan.h"
#include "radio/radioimage.h"

#include <QObject>
#include <QString>

#include <optional>

namespace kav {

// The plain decimal text of f: at most 15 significant digits, no exponent,
// no trailing fraction zeros, no point when whole (38 -> "38", 40.0125 -> "40.0125").
QString canonicalFrequencyText(double mhz);

// Writes the six digits of mhz into field's bytes of image. False, with
// image untouched, when the value has no DD.dddd form (below 10 MHz but for
// the single-digit case, 100 MHz and above, negative, more than four decimals).
[[nodiscard]] bool encodeFrequency(RadioImage &image, PlanField field, double mhz);

// Encodes every non-empty field of plan into image, in kEntryOrder; an empty
// field keeps its bytes. Returns nullopt, or the first field that could not be
// encoded (image is then partly written: encode into a copy).
[[nodiscard]] std::optional<PlanField> encodeSheet(RadioImage &image, const ChannelPlan &plan);

// The outcome's own namespace gives it a meta-object, so QCOMPARE and qDebug print its names.
namespace encoding {
Q_NAMESPACE

enum class EncodeOutcome {
    Encoded,
    EmptySheet,        // all six fields are empty
    FieldNotEncodable, // field names the first field without a DD.dddd form
};
Q_ENUM_NS(EncodeOutcome)

} // namespace encoding

using encoding::EncodeOutcome;

struct EncodeResult
{
    EncodeOutcome outcome = EncodeOutcome::Encoded;
    PlanField field;  // FieldNotEncodable: the field that failed
    RadioImage image; // Encoded: the image to send
};

// The image to send for plan: previous with every non-empty field encoded
// into it (an empty field keeps previous's bytes).
[[nodiscard]] EncodeResult buildSendImage(const RadioImage &previous, const ChannelPlan &plan);

// The message for a failed encoding: "Data is Empty" or "Confirm Frequency Range!".
[[nodiscard]] QString encodeMessage(EncodeOutcome outcome);

} // namespace kav
