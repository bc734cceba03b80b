#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

class QIODevice;

namespace kav {

inline constexpr char kPortMapFileName[] = "comport.map";

// COM port number -> serial device, as given by the lines of comport.map:
//   COM1=/dev/ttyUSB0   # a comment
// The key is "COM" (any case) and a number 1 to 255, blanks around '=' are
// allowed, '#' starts a comment. Blank, unknown or malformed lines are
// ignored; of two lines for the same port the later one counts.
using PortMap = QMap<int, QString>;

// The largest comport.map that is read: 255 entries of long device paths
// fit many times over.
inline constexpr qint64 kMaxPortMapBytes = 64 * 1024;

[[nodiscard]] PortMap ParsePortMap(const QByteArray &text);
// Reads the device to its end; an unreadable one, or one holding more than
// kMaxPortMapBytes (of which it reads one byte more), gives an empty map.
[[nodiscard]] PortMap ReadPortMap(QIODevice &device);
// A missing or unreadable file, or one that is not a regular file, gives an empty map.
[[nodiscard]] PortMap ReadPortMap(const QString &path);

// comport.map as text: a comment, then one "COMn=device" line per entry.
[[nodiscard]] QByteArray FormatPortMap(const PortMap &map);
// Writes the map to an open device; false when it does not take all of it.
[[nodiscard]] bool WritePortMap(QIODevice &device, const PortMap &map, QString *reason = nullptr);
// Replaces comport.map at path in one step; false with reason on failure.
[[nodiscard]] bool SavePortMap(const QString &path, const PortMap &map, QString *reason);

// The device of COM n without a map entry: /dev/ttyS(n-1) on Linux, COMn on Windows.
[[nodiscard]] QString DefaultPortDevice(int number);
// The mapped device of COM n, else the default one.
[[nodiscard]] QString PortDevice(const PortMap &map, int number);

} // namespace kav
