#pragma once

#include "simulatedradio.h"

#include <QByteArray>

// CH1 RX 40.0125, CH1 TX 40.5000, the rest empty: the plan most link tests send.
inline const QByteArray kExample = QByteArray::fromHex("040000010205040005000000") + QByteArray(24, '\0');

// The bytes the simulated radio logged of one kind (received or sent), in order.
inline QByteArray bytesOf(const kav::sim::SimulatedRadio &radio, kav::sim::LogEntry::Kind kind)
{
    QByteArray bytes;
    for (const kav::sim::LogEntry &entry : radio.line().log()) {
        if (entry.kind == kind)
            bytes.append(char(entry.byte));
    }
    return bytes;
}
