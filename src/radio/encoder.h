#pragma once

#include "radio/channelplan.h"
#include "radio/radioimage.h"

#include <QObject>
#include <QString>

namespace kav {

// The plain decimal text of f: at most 15 significant digits, no exponent,
// no trailing fraction zeros, no point when whole (38 -> "38", 40.0125 -> "40.0125").
QString CanonicalFrequencyText(double mhz);

// Writes the six digits of mhz into the slot's bytes of image. False, with
// image untouched, when the value has no DD.dddd form (below 10 MHz but for
// the single-digit case, 100 MHz and above, negative, more than four decimals).
[[nodiscard]] bool EncodeFrequency(RadioImage &image, int slot, double mhz);

// Encodes every non-empty field into image, in slot order; an empty field
// keeps its slot's bytes. Returns 0, or the first slot that could not be
// encoded (image is then partly written: encode into a copy).
[[nodiscard]] int EncodeSheet(RadioImage &image, const PlanFields &fields);

// The outcome's own namespace gives it a meta-object, so QCOMPARE and qDebug print its names.
namespace encoding {
Q_NAMESPACE

enum class EncodeOutcome {
    Encoded,
    EmptySheet,        // all six fields are empty
    FieldNotEncodable, // slot names the first field without a DD.dddd form
};
Q_ENUM_NS(EncodeOutcome)

} // namespace encoding

using encoding::EncodeOutcome;

struct EncodeResult
{
    EncodeOutcome outcome = EncodeOutcome::Encoded;
    int slot = 0;     // FieldNotEncodable: the field that failed
    RadioImage image; // Encoded: the image to send
};

// The image to send for fields: previous with every non-empty field encoded
// into it (an empty field keeps previous's bytes for its slot).
[[nodiscard]] EncodeResult BuildSendImage(const RadioImage &previous, const PlanFields &fields);

// The message for a failed encoding: "Data is Empty" or "Confirm Frequency Range!".
[[nodiscard]] QString EncodeMessage(EncodeOutcome outcome);

} // namespace kav
