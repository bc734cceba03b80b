#include "link/portsetting.h"

#include "common/appfolder.h"
#include "common/dialogseam.h"
#include "link/portfile.h"
#include "link/serialservice.h"
#include "radio/radiodata.h"

#include <QFileInfo>

namespace kav {

namespace {

constexpr int kPortItems = 4;
// What an absent or unusable comport.inf stands for.
constexpr int kDefaultPort = 1;
constexpr char kLineSettings[] = "1200,n,8,1";

QString portFilePath()
{
    return applicationFile(QString::fromLatin1(kPortFileName));
}

} // namespace

PortSetting::PortSetting(SerialService &serial, RadioData &data, DialogSeam &dialogs, MarkItem markItem)
    : m_serial(serial), m_data(data), m_dialogs(dialogs), m_markItem(std::move(markItem))
{
}

void PortSetting::LoadPortSetting()
{
    const QString path = portFilePath();
    const QFileInfo info(path);
    if (info.isFile()) {
        // An unreadable or unusable file means port 1; it stays as it is until
        // the user chooses a port.
        m_data.CommPortNumber = std::int16_t(ReadPortFile(path).value_or(kDefaultPort));
    } else {
        // Something that is not a file (a FIFO, a device) is neither read nor
        // replaced. Nothing to report at start-up when the file cannot be
        // created (a full disk leaves none): the choice of a port says so later.
        if (!info.exists())
            (void)WritePortFile(path, kDefaultPort);
        m_data.CommPortNumber = kDefaultPort;
    }
    (void)OpenCommPort(); // a port that cannot be opened shows when READ or WRITE is used
    MarkPortMenu();
}

std::int16_t PortSetting::OpenCommPort()
{
    if (!m_serial.isOpen()) {
        if (!m_serial.setPortNumber(m_data.CommPortNumber) || !m_serial.setSettings(QString::fromLatin1(kLineSettings)))
            return 0;
        m_serial.setReceiveThreshold(1);
        m_serial.setBinaryInput(true);
        m_serial.setInputLength(0);
        if (!m_serial.open())
            return 0;
    }
    if (!m_serial.isOpen())
        return 0;
    m_serial.close();
    return 1;
}

void PortSetting::MarkPortMenu()
{
    const int number = m_data.CommPortNumber;
    if (number >= 1 && number <= kPortItems) {
        for (int item = 1; item <= kPortItems; ++item)
            m_marks[item - 1] = item == number;
    }
    // Every mark is set, also when the number keeps them: a click has toggled
    // the clicked item on its own before it got here.
    for (int item = 1; item <= kPortItems; ++item)
        m_markItem(item, m_marks[item - 1]);
}

void PortSetting::choosePort(int number)
{
    if (!m_serial.isOpen()) {
        // A port held open by an exchange keeps its number; otherwise check the new one.
        if (!m_serial.setPortNumber(number) || !m_serial.open()) {
            const QString device = m_serial.devicePath();
            const QString reason = m_serial.errorString();
            failChoice(reason.contains(device) ? reason : QStringLiteral("%1: %2").arg(device, reason));
            return;
        }
        m_serial.close();
    }
    QString error;
    if (!WritePortFile(portFilePath(), number, &error)) {
        // The old file stays whole, and so does the mark of the number it holds.
        failChoice(error + QStringLiteral(" (the COM port setting could not be saved)"));
        return;
    }
    m_data.CommPortNumber = std::int16_t(number);
    MarkPortMenu();
}

void PortSetting::failChoice(const QString &detail)
{
    showPlain(m_dialogs, QString::fromLatin1(kReselectPortMessage), {}, detail);
    MarkPortMenu();
}

} // namespace kav
