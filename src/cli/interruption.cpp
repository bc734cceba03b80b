#include "cli/interruption.h"

// What both systems share; how a signal or console event is caught is in
// interruption_posix.cpp and interruption_win.cpp.
namespace kav::cli {

int Interruption::received()
{
    (void)drain();
    return m_received;
}

void Interruption::onNotified()
{
    const int signal = drain();
    if (signal != 0)
        Q_EMIT interrupted(signal);
}

} // namespace kav::cli
