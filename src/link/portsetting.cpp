#include "link/portsetting.h"

#include "link/portfile.h"
#include "link/portmap.h"
#include "link/serialservice.h"

#include <QDir>
#include <QFileInfo>

namespace kav {

namespace {

constexpr int kPortItems = 4;
// What an absent or unusable comport.inf stands for.
constexpr int kDefaultPort = 1;
constexpr int kLowestPort = 1;
constexpr int kHighestPort = 255;

} // namespace

PortSetting::PortSetting(SerialService &serial, const QString &folder, MarkItem markItem)
    : m_serial(serial),
      m_folder(folder),
      m_portMapFile(QDir(folder).filePath(QString::fromLatin1(kPortMapFileName))),
      m_markItem(std::move(markItem))
{
}

QString PortSetting::portFilePath() const
{
    return QDir(m_folder).filePath(QString::fromLatin1(kPortFileName));
}

QString PortSetting::deviceOf(int number) const
{
    return PortDevice(ReadPortMap(m_portMapFile).map, number);
}

PortTarget PortSetting::targetOf(int number) const
{
    PortTarget target;
    (void)ResolvePortDevice(ReadPortMap(m_portMapFile), number, &target.device, &target.reason);
    return target;
}

bool PortSetting::configure(int number)
{
    if (number < kLowestPort || number > kHighestPort)
        return false;
    m_configuredPort = number;
    return true;
}

void PortSetting::LoadPortSetting()
{
    const QString path = portFilePath();
    const QFileInfo info(path);
    if (info.isFile()) {
        // An unreadable or unusable file means port 1; it stays as it is until
        // the user chooses a port.
        m_portNumber = ReadPortFile(path).value_or(kDefaultPort);
    } else {
        // Something that is not a file (a FIFO, a device) is neither read nor
        // replaced. Nothing to report at start-up when the file cannot be
        // created (a full disk leaves none): the choice of a port says so later.
        if (!info.exists())
            (void)WritePortFile(path, kDefaultPort);
        m_portNumber = kDefaultPort;
    }
    (void)OpenCommPort(); // a port that cannot be opened shows when READ or WRITE is used
    MarkPortMenu();
}

std::int16_t PortSetting::OpenCommPort()
{
    if (!m_serial.isOpen()) {
        if (!configure(m_portNumber))
            return 0;
        const PortTarget target = portTarget();
        if (!target.reason.isEmpty() || !m_serial.open(target.device))
            return 0;
    }
    if (!m_serial.isOpen())
        return 0;
    m_serial.close();
    return 1;
}

void PortSetting::MarkPortMenu()
{
    const int number = m_portNumber;
    if (number >= 1 && number <= kPortItems) {
        for (int item = 1; item <= kPortItems; ++item)
            m_marks[item - 1] = item == number;
    }
    // Every mark is set, also when the number keeps them: a click has toggled
    // the clicked item on its own before it got here.
    for (int item = 1; item <= kPortItems; ++item)
        m_markItem(item, m_marks[item - 1]);
}

bool PortSetting::choosePort(int number, QString *reason)
{
    if (!m_serial.isOpen()) {
        // A port held open by an exchange keeps its number; otherwise check the new one.
        const PortTarget target = targetOf(number);
        if (!target.reason.isEmpty()) {
            if (reason)
                *reason = target.reason;
            return false;
        }
        const QString device = target.device;
        if (!configure(number) || !m_serial.open(device)) {
            const QString why = m_serial.errorString();
            if (reason)
                *reason = why.contains(device) ? why : QStringLiteral("%1: %2").arg(device, why);
            return false;
        }
        m_serial.close();
    }
    QString error;
    if (!WritePortFile(portFilePath(), number, &error)) {
        // The old file stays whole, and so does the mark of the number it holds.
        if (reason)
            *reason = error + QStringLiteral(" (the COM port setting could not be saved)");
        return false;
    }
    m_portNumber = number;
    MarkPortMenu();
    return true;
}

} // namespace kav
