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

// The largest comport.map that is read: no real map comes near it (255
// entries with comments are under 100 KiB), a log or an image put there does.
inline constexpr qint64 kMaxPortMapBytes = 1024 * 1024;

// What reading comport.map found.
enum class PortMapStatus {
    Read,     // a map was read (it may hold no entry)
    Missing,  // there is none: every COM port has its default device
    Unusable, // something is there that is no map: no COM port may be used
};

struct PortMapRead
{
    PortMapStatus status = PortMapStatus::Missing;
    PortMap map;    // the entries when Read, else empty
    QString reason; // when Unusable: the path and why
};

[[nodiscard]] PortMap parsePortMap(const QByteArray &text);
// Reads the device to its end. Unusable when it cannot be read, holds more
// than kMaxPortMapBytes (of which it reads one byte more) or is not text
// (invalid UTF-8, NUL bytes).
[[nodiscard]] PortMapRead readPortMap(QIODevice &device);
// Missing when nothing is at path; Unusable for anything there that is not a
// readable regular file holding a map (a folder, a FIFO, a device, a broken link).
[[nodiscard]] PortMapRead readPortMap(const QString &path);

// comport.map as text: a comment, then one "COMn=device" line per entry.
[[nodiscard]] QByteArray formatPortMap(const PortMap &map);
// Writes the map to an open device; false when it does not take all of it.
[[nodiscard]] bool writePortMap(QIODevice &device, const PortMap &map, QString *reason = nullptr);
// Replaces comport.map at path in one step; false with reason on failure.
[[nodiscard]] bool savePortMap(const QString &path, const PortMap &map, QString *reason);

// The device of COM n without a map entry: /dev/ttyS(n-1) on Linux, COMn on Windows.
[[nodiscard]] QString defaultPortDevice(int number);
// A Windows port name as QSerialPort opens it: "com12" -> "COM12" (it adds the
// "\\.\" that ports from COM10 up need only to names in capitals), blanks
// trimmed; anything else as it is.
[[nodiscard]] QString windowsPortName(const QString &device);
// The mapped device of COM n, else the default one.
[[nodiscard]] QString deviceInMap(const PortMap &map, int number);
// The device a COM port leads to, or why there is none.
struct PortTarget
{
    QString device;
    QString reason; // set when there is no device (an unusable map)
};

// The device of COM n as the map read says; false with *reason (the map's
// path and why) when the map is unusable.
[[nodiscard]] bool resolvePortDevice(const PortMapRead &read, int number, QString *device, QString *reason);

} // namespace kav
