#include "cli/interruption.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace kav::cli {

namespace {

// A signal handler can reach nothing but a global: the write end of the pipe.
volatile sig_atomic_t s_writeEnd = -1; // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)
struct sigaction s_previousInt
{
}; // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)
struct sigaction s_previousTerm
{
}; // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)

void onSignal(int signal)
{
    const int saved = errno;
    const char number = char(signal);
    if (s_writeEnd >= 0)
        (void)::write(s_writeEnd, &number, 1);
    errno = saved;
}

} // namespace

Interruption::Interruption(QObject *parent) : QObject(parent)
{
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // no pipe: the signals keep their usual effect
    s_writeEnd = m_pipe[1];
    m_notifier = new QSocketNotifier(m_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &Interruption::onNotified);
    struct sigaction action
    {
    };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, &s_previousInt);
    ::sigaction(SIGTERM, &action, &s_previousTerm);
}

Interruption::~Interruption()
{
    if (m_pipe[0] < 0)
        return;
    ::sigaction(SIGINT, &s_previousInt, nullptr);
    ::sigaction(SIGTERM, &s_previousTerm, nullptr);
    s_writeEnd = -1;
    ::close(m_pipe[0]);
    ::close(m_pipe[1]);
}

int Interruption::drain()
{
    int latest = 0;
    char number = 0;
    while (m_pipe[0] >= 0 && ::read(m_pipe[0], &number, 1) == 1)
        latest = static_cast<unsigned char>(number);
    if (latest != 0)
        m_received = latest;
    return latest;
}

} // namespace kav::cli
