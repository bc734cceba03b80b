// comport.inf, fed arbitrary file contents: the reader on a device, and the
// start-up step loadPortSetting on a real file in the application folder.
//
// Invariants:
// - the reader takes a bounded prefix, and gives a number exactly when the
//   text up to the first CR or LF is blanks, decimal digits of 0 to 255, blanks;
// - the number written for any port reads back as that port;
// - start-up leaves the file byte for byte as it was, takes the number read or
//   1, checks the device of that port (COM0 is refused unopened), leaves the
//   port closed, and tells the menu that number.
#include "countingdevice.h"
#include "fuzzcheck.h"
#include "scriptedserial.h"

#include "common/appfolder.h"
#include "link/portfile.h"
#include "link/portholder.h"
#include "link/portmap.h"
#include "link/portsetting.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <array>
#include <cstdlib>
#include <optional>
#include <string>

using namespace kav;

namespace {

std::optional<int> referenceNumber(const std::string &data)
{
    const std::size_t stop = data.find_first_of("\r\n");
    if (stop == std::string::npos && data.size() > 1024)
        return std::nullopt;
    const std::string line = data.substr(0, stop);
    const std::size_t begin = line.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return std::nullopt;
    const std::string digits = line.substr(begin, line.find_last_not_of(" \t") + 1 - begin);
    if (digits.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const std::size_t significant = digits.find_first_not_of('0');
    if (significant == std::string::npos)
        return 0;
    if (digits.size() - significant > 3)
        return std::nullopt;
    const int number = std::atoi(digits.c_str() + significant);
    return number <= 255 ? std::optional<int>(number) : std::nullopt;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QTemporaryDir home;
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path()));
    static QCoreApplication app(*argc, *argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kavrilink"));
    for (int n = 0; n <= 255; ++n) {
        const QByteArray content = portFileContent(n);
        CountingDevice device(content.constData(), content.size());
        FUZZ_CHECK(readPortNumber(device) == n);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    const char *data = reinterpret_cast<const char *>(bytes);
    CountingDevice device(data, qint64(size));
    const std::optional<int> number = readPortNumber(device);
    FUZZ_CHECK(device.consumed() <= 1025);
    FUZZ_CHECK(number == referenceNumber(std::string(data, size)));

    const QString path = applicationFile(QString::fromLatin1(kPortFileName));
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(data, qint64(size)) == qint64(size));
    }
    ScriptedSerial serial;
    serial.failOpen = size > 0 && (bytes[0] & 1); // the port may or may not be there
    PortHolder port(serial);
    PortSetting setting(port, applicationFolder());
    int told = -1;
    QObject::connect(&setting, &PortSetting::chosenPortChanged, &setting, [&told](int number) { told = number; });
    setting.loadPortSetting();

    const int expected = number.value_or(1);
    FUZZ_CHECK(setting.portNumber() == expected);
    // The check at start-up opened the device of the port read (COM0 is refused unopened).
    FUZZ_CHECK(setting.configuredPort() == (expected == 0 ? 1 : expected));
    FUZZ_CHECK(serial.lastDevice == (expected == 0 ? QString() : defaultPortDevice(expected)));
    FUZZ_CHECK(!serial.isOpen());
    FUZZ_CHECK(told == expected); // the menu marks what it is told
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    FUZZ_CHECK(file.readAll() == QByteArray(data, qsizetype(size)));
    return 0;
}
