#include "support/pseudoterminal.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

PseudoTerminal::PseudoTerminal()
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0)
        return;
    const char *name = nullptr;
    if (grantpt(master) != 0 || unlockpt(master) != 0 || (name = ptsname(master)) == nullptr) {
        ::close(master);
        return;
    }
    m_master = master;
    m_devicePath = QString::fromLocal8Bit(name);
    // Holding the program's end open too keeps the line up between the
    // program's opens; otherwise the test's end reads as hung up meanwhile.
    m_keepOpen = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PseudoTerminal::readMaster);
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &PseudoTerminal::writeMaster);
}

PseudoTerminal::~PseudoTerminal()
{
    hangUp();
}

void PseudoTerminal::send(const QByteArray &bytes)
{
    if (m_master < 0)
        return;
    m_outgoing += bytes;
    writeMaster();
}

void PseudoTerminal::hangUp()
{
    if (m_master < 0)
        return;
    delete m_readNotifier;
    delete m_writeNotifier;
    m_readNotifier = m_writeNotifier = nullptr;
    ::close(m_master);
    m_master = -1;
    if (m_keepOpen >= 0)
        ::close(m_keepOpen);
    m_keepOpen = -1;
    m_outgoing.clear();
}

void PseudoTerminal::readMaster()
{
    char chunk[4096];
    bool any = false;
    for (;;) {
        const ssize_t n = ::read(m_master, chunk, sizeof chunk);
        if (n > 0) {
            m_received.append(chunk, n);
            any = true;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            m_readNotifier->setEnabled(false); // the line is gone; do not spin on it
        break;
    }
    if (any)
        Q_EMIT bytesReceived();
}

void PseudoTerminal::writeMaster()
{
    while (!m_outgoing.isEmpty()) {
        const ssize_t n = ::write(m_master, m_outgoing.constData(), size_t(m_outgoing.size()));
        if (n <= 0)
            break; // the line is full: go on when it can take more
        m_outgoing.remove(0, n);
    }
    m_writeNotifier->setEnabled(!m_outgoing.isEmpty());
}
