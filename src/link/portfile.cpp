#include "link/portfile.h"

#include "common/safefile.h"
#include "common/shownpath.h"
#include "radio/numbergrammar.h"

#include <QFile>

namespace kav {

namespace {

constexpr int kHighestNumber = 255;
// Far more than any valid line; a longer first line is not a number.
constexpr qint64 kLongestLine = 1024;

} // namespace

std::optional<int> parsePortNumber(const QByteArray &line)
{
    // Digits only, unlike a frequency field or a *.sav line: no sign, no point.
    const QByteArrayView digits = withoutBlanks(QByteArrayView(line));
    if (digits.isEmpty())
        return std::nullopt;
    int number = 0;
    for (const char c : digits) {
        if (!isAsciiDigit(c))
            return std::nullopt;
        number = number * 10 + (c - '0');
        if (number > kHighestNumber)
            return std::nullopt;
    }
    return number;
}

QByteArray portFileContent(int number)
{
    return ' ' + QByteArray::number(number) + " \r\n";
}

std::optional<int> readPortNumber(QIODevice &device)
{
    if (!device.isOpen() && !device.open(QIODevice::ReadOnly))
        return std::nullopt;
    // The first line ends at CR or LF, whichever comes first; a file whose
    // first kLongestLine + 1 bytes hold no line end has no number.
    QByteArray line = device.read(kLongestLine + 1);
    qsizetype lineEnd = -1;
    for (qsizetype i = 0; i < line.size() && lineEnd < 0; ++i) {
        if (line.at(i) == '\r' || line.at(i) == '\n')
            lineEnd = i;
    }
    if (lineEnd >= 0)
        line.truncate(lineEnd);
    else if (line.size() > kLongestLine)
        return std::nullopt;
    return parsePortNumber(line);
}

std::optional<int> readPortFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return readPortNumber(file);
}

bool writePortFile(const QString &path, int number, QString *error)
{
    QString reason;
    if (replaceFile(path, portFileContent(number), &reason))
        return true;
    if (error)
        *error = reason.contains(shownPath(path)) ? reason : QStringLiteral("%1: %2").arg(shownPath(path), reason);
    return false;
}

} // namespace kav
