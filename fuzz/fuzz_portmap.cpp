// The comport.map reader, fed arbitrary file contents.
//
// Invariants:
// - every entry is a COM number 1 to 255 with a device text that is not
//   empty, has no blank at either end and holds no line break or '#';
// - each entry comes from a line of the file: the last line whose key names
//   that port (the line's text up to '#' contains "COMn=" up to blanks and case);
// - reading from a device gives the same map as parsing the bytes, or refuses
//   it with a reason (too large, not text), and takes at most one byte more
//   than the largest map;
// - the device of COM n is the mapped one, or /dev/ttyS(n-1) without an entry.
#include "countingdevice.h"
#include "fuzzcheck.h"

#include "link/portmap.h"

#include <QRegularExpression>

#include <algorithm>

using namespace kav;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(bytes), qsizetype(size));
    const PortMap map = parsePortMap(text);

    CountingDevice device(text.constData(), text.size());
    const PortMapRead fromDevice = readPortMap(device);
    FUZZ_CHECK(device.consumed() <= kMaxPortMapBytes + 1);
    // A map is read, or refused with a reason and no entries: never half of one.
    FUZZ_CHECK(fromDevice.status != PortMapStatus::Missing);
    FUZZ_CHECK(fromDevice.status == PortMapStatus::Read ? fromDevice.map == map
                                                        : fromDevice.map.isEmpty() && !fromDevice.reason.isEmpty());
    FUZZ_CHECK(text.size() <= kMaxPortMapBytes || fromDevice.status == PortMapStatus::Unusable);

    QString all = QString::fromUtf8(text);
    if (all.startsWith(QChar(0xFEFF)))
        all.remove(0, 1);
    const QStringList lines = all.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")));
    // The same map read line by line on its own: of two lines for a port the later one counts.
    PortMap reference;
    for (const QString &line : lines) {
        const qsizetype comment = line.indexOf(u'#');
        const QString live = comment < 0 ? line : line.left(comment);
        const qsizetype equals = live.indexOf(u'=');
        if (equals < 0)
            continue;
        QString key = live.left(equals).trimmed().toLower();
        if (!key.startsWith(QLatin1String("com")))
            continue;
        key.remove(0, 3);
        const bool digitsOnly = !key.isEmpty() && key.size() <= 3 &&
                                std::all_of(key.begin(), key.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
        const int number = digitsOnly ? key.toInt() : 0;
        const QString path = live.mid(equals + 1).trimmed();
        if (number >= 1 && number <= 255 && !path.isEmpty())
            reference.insert(number, path);
    }
    FUZZ_CHECK(map == reference);
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const QString &path = it.value();
        FUZZ_CHECK(!path.isEmpty() && path.trimmed() == path);
        FUZZ_CHECK(!path.contains(u'\n') && !path.contains(u'\r') && !path.contains(u'#'));
    }
    for (int n : {1, 2, 3, 4, 9, 255}) {
        const QString expected = map.contains(n) ? map.value(n) : QStringLiteral("/dev/ttyS%1").arg(n - 1);
        FUZZ_CHECK(deviceInMap(map, n) == expected);
    }
    return 0;
}
