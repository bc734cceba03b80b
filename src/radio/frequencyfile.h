#pragma once

#include "radio/radioimage.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>

class QIODevice;

namespace kav {

// A *.sav file is the radio image as 36 text lines in linear order, one byte
// value per line. Written as " <value> " CR LF, so a plan of digits is 180 bytes.
inline constexpr int kSavedFileLines = RadioImage::kSize;

// The longest line (without its CR) that is still read as a number. Anything
// longer is refused at once, so a file with no CR costs only a short prefix.
inline constexpr int kMaxSavedLineLength = 64;

// The 36 lines of image, each " <value> " CR LF.
QByteArray formatFrequencyFile(const RadioImage &image);

// The value of one line of a *.sav file (its text without CR or LF).
// Grammar: optional blanks (space, tab), then ASCII digits with at most one
// point ("4", "4.", "4.5", ".5"; at least one digit), then optional blanks.
// A fraction is rounded to the nearest whole number, exact halves to the even
// neighbour (4.5 -> 4, 5.5 -> 6), decided on the decimal digits themselves.
// Refused (nullopt): an empty or blank line, signs, exponents, commas, any
// other character (NUL included), a result above 255, and lines longer than
// kMaxSavedLineLength.
[[nodiscard]] std::optional<std::uint8_t> parseSavedLine(QByteArrayView line);

// Writes the image to an open device. False when the device does not take all 180 bytes.
[[nodiscard]] bool writeFrequencyFile(QIODevice *device, const RadioImage &image);

// Reads the first 36 lines from an open device into a new image. A line ends
// at CR (an LF right after it is skipped) or at the end of the data; an LF
// alone is part of the line and refuses it. Never reads past the 36th line's
// CR, nor more than kMaxSavedLineLength + 1 bytes of any line. nullopt when
// there are fewer than 36 lines or any of them is refused.
[[nodiscard]] std::optional<RadioImage> readFrequencyFile(QIODevice *device);

// Reads the *.sav file at path; nullopt also when it is not a regular file or
// cannot be opened (a FIFO or a device is refused rather than waited on).
[[nodiscard]] std::optional<RadioImage> readFrequencyFile(const QString &path);

// Replaces the file at path atomically: the image is written to a temporary
// file beside it that takes the file's place only when everything was written.
// On failure the previous file is untouched and reason says why; a target that
// is not a regular file (a device, a FIFO) is refused (see replaceFile).
[[nodiscard]] bool saveFrequencyFile(const QString &path, const RadioImage &image, QString *reason);

} // namespace kav
