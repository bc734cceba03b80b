#include "link/portsetting.h"

#include "link/portfile.h"
#include "link/portholder.h"
#include "link/portmap.h"

#include <QDir>
#include <QFileInfo>

namespace kav {

namespace {

// What an absent or unusable comport.inf stands for.
constexpr int kDefaultPort = 1;
constexpr int kLowestPort = 1;
constexpr int kHighestPort = 255;

} // namespace

PortSetting::PortSetting(PortHolder &port, const QString &folder, QObject *parent)
    : QObject(parent), m_port(port), m_folder(folder),
      m_portMapFile(QDir(folder).filePath(QString::fromLatin1(kPortMapFileName)))
{
}

QString PortSetting::portFilePath() const
{
    return QDir(m_folder).filePath(QString::fromLatin1(kPortFileName));
}

QString PortSetting::deviceOf(int number) const
{
    return deviceInMap(readPortMap(m_portMapFile).map, number);
}

PortTarget PortSetting::targetOf(int number) const
{
    PortTarget target;
    (void)resolvePortDevice(readPortMap(m_portMapFile), number, &target.device, &target.reason);
    return target;
}

bool PortSetting::configure(int number)
{
    if (number < kLowestPort || number > kHighestPort)
        return false;
    m_configuredPort = number;
    return true;
}

void PortSetting::loadPortSetting()
{
    const QString path = portFilePath();
    const QFileInfo info(path);
    if (info.isFile()) {
        // An unreadable or unusable file means port 1; it stays as it is until
        // the user chooses a port.
        m_portNumber = readPortFile(path).value_or(kDefaultPort);
    } else {
        // Something that is not a file (a FIFO, a device) is neither read nor
        // replaced. Nothing to report at start-up when the file cannot be
        // created (a full disk leaves none): the choice of a port says so later.
        if (!info.exists())
            (void)writePortFile(path, kDefaultPort);
        m_portNumber = kDefaultPort;
    }
    (void)checkPort(); // a port that cannot be opened shows when READ or WRITE is used
    Q_EMIT chosenPortChanged(m_portNumber);
}

bool PortSetting::checkPort()
{
    if (m_port.isHeld())
        return true; // held by a session: it opens
    if (!configure(m_portNumber))
        return false;
    const PortTarget target = portTarget();
    return target.reason.isEmpty() && m_port.check(target.device, nullptr);
}

bool PortSetting::choosePort(int number, QString *reason)
{
    if (m_port.isHeld()) {
        // A session holds the port: the choice is for the next one, which opens it.
        if (!configure(number))
            return false;
    } else {
        const PortTarget target = targetOf(number);
        if (!target.reason.isEmpty()) {
            if (reason)
                *reason = target.reason;
            return false;
        }
        if (!configure(number) || !m_port.check(target.device, reason))
            return false;
    }
    QString error;
    if (!writePortFile(portFilePath(), number, &error)) {
        // The old file stays whole, and so does the mark of the number it holds.
        if (reason)
            *reason = error + QStringLiteral(" (the COM port setting could not be saved)");
        return false;
    }
    m_portNumber = number;
    Q_EMIT chosenPortChanged(number);
    return true;
}

} // namespace kav
