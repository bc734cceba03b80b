#pragma once

#include "simulatedradio.h"
#include "support/radiothread.h"

#include <QByteArray>

// CH1 RX 40.0125, CH1 TX 40.5000, the rest empty: the plan most link tests send.
inline const QByteArray kExample = QByteArray::fromHex("040000010205040005000000") + QByteArray(24, '\0');

// The bytes of one kind (received or sent) in a simulated radio's log, in order.
inline QByteArray bytesOf(const QList<kav::sim::LogEntry> &log, kav::sim::LogEntry::Kind kind)
{
    QByteArray bytes;
    for (const kav::sim::LogEntry &entry : log) {
        if (entry.kind == kind)
            bytes.append(char(entry.byte));
    }
    return bytes;
}
inline QByteArray bytesOf(const kav::sim::SimulatedRadio &radio, kav::sim::LogEntry::Kind kind)
{
    return bytesOf(radio.line().log(), kind);
}
inline QByteArray bytesOf(const RadioThread &radio, kav::sim::LogEntry::Kind kind)
{
    return bytesOf(radio.log(), kind);
}
