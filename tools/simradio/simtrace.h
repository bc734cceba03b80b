#pragma once

#include "simline.h"

#include <QString>

#include <functional>

namespace kav::sim {

// The simulated radio's log as the program's line trace prints it: a block per
// exchange (from the command byte to the verdict or the closing of the port),
// each byte with its time since the command, -> towards the radio, <- from it.
class SimTrace
{
public:
    using Printer = std::function<void(const QString &line)>;

    SimTrace(QString device, Printer print);

    void add(const LogEntry &entry);
    // The radio stored a written image.
    void stored(const QByteArray &image);

private:
    void begin(int command, qint64 ns);
    void end(const QString &outcome);

    QString m_device;
    Printer m_print;
    bool m_open = false;
    bool m_done = false; // the exchange's last byte has been on the line
    int m_command = 0;
    qint64 m_startNs = 0;
    QString m_stored; // what a write stored, told with the outcome
};

} // namespace kav::sim
