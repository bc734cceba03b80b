#include "simtrace.h"

#include "simwirebytes.h"

#include "link/linetrace.h"

#include <QDateTime>

#include <utility>

namespace kav::sim {

SimTrace::SimTrace(QString device, Printer print) : m_device(std::move(device)), m_print(std::move(print)) {}

void SimTrace::add(const LogEntry &entry)
{
    switch (entry.kind) {
    case LogEntry::Received:
        if ((entry.byte == kReadCommand || entry.byte == kWriteCommand) && (!m_open || m_done))
            begin(entry.byte, entry.ns);
        if (!m_open)
            return;
        m_print(LineTrace::byteLine(entry.ns - m_startNs, LineDirection::ToRadio, quint8(entry.byte)));
        // A read ends with the program's verdict on the block.
        if (m_command == kReadCommand && (entry.byte == kBlockOk || entry.byte == kBlockBad))
            m_done = true;
        return;
    case LogEntry::Sent:
        if (!m_open)
            return;
        m_print(LineTrace::byteLine(entry.ns - m_startNs, LineDirection::FromRadio, quint8(entry.byte)));
        // A write ends with the radio's verdict.
        if (m_command == kWriteCommand && (entry.byte == kBlockOk || entry.byte == kBlockBad))
            m_done = true;
        return;
    case LogEntry::Dropped:
        return; // nobody listens
    case LogEntry::Opened:
        return;
    case LogEntry::Closed:
        end(QStringLiteral("the program closed the port"));
        return;
    case LogEntry::HungUp:
        end(QStringLiteral("the radio hung up"));
        return;
    }
}

void SimTrace::stored(const QByteArray &image)
{
    if (m_open)
        m_stored = QStringLiteral("stored %1; ").arg(QString::fromLatin1(image.toHex(' ').toUpper()));
}

void SimTrace::begin(int command, qint64 ns)
{
    if (m_open)
        end(QStringLiteral("the program sent its next command"));
    const QString kind = command == kReadCommand ? QStringLiteral("Read") : QStringLiteral("Write");
    m_print(LineTrace::headerLine(QStringLiteral("%1 %2 (the radio's side)").arg(kind, m_device),
                                  QDateTime::currentDateTime()));
    m_open = true;
    m_done = false;
    m_stored.clear();
    m_command = command;
    m_startNs = ns;
}

void SimTrace::end(const QString &outcome)
{
    if (!m_open)
        return;
    m_print(LineTrace::outcomeLine(std::exchange(m_stored, QString()) + outcome));
    m_print(QString());
    m_open = false;
}

} // namespace kav::sim
