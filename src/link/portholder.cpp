#include "link/portholder.h"

#include "link/serialservice.h"

namespace kav {

bool PortHolder::hold(const QString &device, QString *reason)
{
    if (m_serial.isOpen()) {
        if (m_serial.device() == device)
            return true;
        release();
    }
    return open(device, reason);
}

void PortHolder::release()
{
    if (m_serial.isOpen())
        m_serial.close();
}

bool PortHolder::isHeld() const
{
    return m_serial.isOpen();
}

QString PortHolder::device() const
{
    return m_serial.isOpen() ? m_serial.device() : QString();
}

bool PortHolder::check(const QString &device, QString *reason)
{
    if (m_serial.isOpen())
        return true;
    if (!open(device, reason))
        return false;
    m_serial.close();
    return true;
}

bool PortHolder::open(const QString &device, QString *reason)
{
    if (m_serial.open(device))
        return true;
    if (reason) {
        const QString why = m_serial.errorString();
        *reason = why.contains(device) ? why : QStringLiteral("%1: %2").arg(device, why);
    }
    return false;
}

} // namespace kav
