#include "radio/frequencyfile.h"

#include "common/safefile.h"
#include "radio/numbergrammar.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace kav {

namespace {

constexpr char kCR = '\r';
constexpr char kLF = '\n';
constexpr int kMaxByteValue = 255;

} // namespace

QByteArray formatFrequencyFile(const RadioImage &image)
{
    QByteArray bytes;
    bytes.reserve(RadioImage::kSize * 6);
    for (int offset = 0; offset < RadioImage::kSize; ++offset) {
        bytes += ' ';
        bytes += QByteArray::number(int(image.at(offset)));
        bytes += " \r\n";
    }
    return bytes;
}

std::optional<std::uint8_t> parseSavedLine(QByteArrayView line)
{
    if (line.size() > kMaxSavedLineLength)
        return std::nullopt;

    // The field grammar without a sign: blanks, digits with at most one point, blanks.
    const QByteArrayView number = withoutBlanks(line);
    const qsizetype end = number.size();
    qsizetype i = 0;
    int whole = 0;
    int digits = 0;
    for (; i < end && isAsciiDigit(number[i]); ++i, ++digits)
        whole = std::min(whole * 10 + (number[i] - '0'), kMaxByteValue + 1); // past 255 it is refused anyway

    // The fraction only decides the rounding: its first digit, and whether
    // anything non-zero follows a 5.
    int firstDecimal = 0;
    bool nonZeroAfterFirst = false;
    if (i < end && number[i] == '.') {
        ++i;
        for (bool first = true; i < end && isAsciiDigit(number[i]); ++i, ++digits, first = false) {
            if (first)
                firstDecimal = number[i] - '0';
            else if (number[i] != '0')
                nonZeroAfterFirst = true;
        }
    }
    if (i != end || digits == 0)
        return std::nullopt;

    const bool roundUp = firstDecimal > 5 || (firstDecimal == 5 && (nonZeroAfterFirst || whole % 2 == 1));
    const int value = whole + (roundUp ? 1 : 0);
    if (value > kMaxByteValue)
        return std::nullopt;
    return std::uint8_t(value);
}

bool writeFrequencyFile(QIODevice *device, const RadioImage &image)
{
    const QByteArray bytes = formatFrequencyFile(image);
    // A write may take only part; the next attempt then fails with the reason.
    for (qsizetype done = 0; done < bytes.size();) {
        const qint64 written = device->write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

std::optional<RadioImage> readFrequencyFile(QIODevice *device)
{
    RadioImage image;
    QByteArray line;
    line.reserve(kMaxSavedLineLength + 1);
    for (int offset = 0; offset < kSavedFileLines; ++offset) {
        line.clear();
        bool endedByCR = false;
        char c = 0;
        while (device->getChar(&c)) {
            if (c == kCR) {
                endedByCR = true;
                break;
            }
            line += c;
            if (line.size() > kMaxSavedLineLength)
                return std::nullopt; // too long to be a number: stop reading here
        }
        if (!endedByCR && line.isEmpty())
            return std::nullopt; // the data ended before this line

        const std::optional<std::uint8_t> value = parseSavedLine(line);
        if (!value)
            return std::nullopt;
        image.at(offset) = *value;

        // CR LF counts as one line end; after the last line nothing more is read.
        char next = 0;
        if (endedByCR && offset + 1 < kSavedFileLines && device->peek(&next, 1) == 1 && next == kLF)
            device->getChar(&next);
    }
    return image;
}

std::optional<RadioImage> readFrequencyFile(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    std::optional<RadioImage> image = readFrequencyFile(&file);
    if (file.error() != QFileDevice::NoError)
        return std::nullopt; // a read error is not the end of the file
    return image;
}

bool saveFrequencyFile(const QString &path, const RadioImage &image, QString *reason)
{
    return replaceFile(path, formatFrequencyFile(image), reason);
}

} // namespace kav
