#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class QIODevice;

namespace kav {

inline constexpr char kPortFileName[] = "comport.inf";

// The number of the first line of comport.inf: decimal digits, blanks around
// them allowed, 0 to 255. Nothing for anything else (empty, not a number, out
// of range).
[[nodiscard]] std::optional<int> parsePortNumber(const QByteArray &line);

// The file's content for port n: a blank for the sign, the digits, a blank,
// CR LF (" 3 \r\n").
[[nodiscard]] QByteArray portFileContent(int number);

// The number in the first line of device; nothing when it cannot be read or
// holds no valid number.
[[nodiscard]] std::optional<int> readPortNumber(QIODevice &device);
[[nodiscard]] std::optional<int> readPortFile(const QString &path);

// Writes the file for port n in one step: it holds the old or the new number,
// never a part. False, with the reason in *error, when it cannot be written.
[[nodiscard]] bool writePortFile(const QString &path, int number, QString *error = nullptr);

} // namespace kav
