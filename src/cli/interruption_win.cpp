#include "cli/interruption.h"

#include <QWinEventNotifier>

#include <atomic>
#include <csignal>
#include <mutex>

#include <windows.h>

namespace kav::cli {

namespace {

// The console calls its control handler on a thread of its own; the handler
// can reach nothing but these. The mutex keeps the living Interruption's event
// from being closed while the handler sets it.
std::mutex s_mutex;           // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)
HANDLE s_event = nullptr;     // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)
std::atomic<int> s_signal{0}; // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)
// Set while no Interruption lives; never closed, so a handler may wait on it at any time.
HANDLE s_released = nullptr; // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)

// The signal a console control event stands for; 0 for those left to Windows
// (log-off and shut-down reach services only).
int signalFor(DWORD type)
{
    switch (type) {
    case CTRL_C_EVENT:
        return SIGINT;
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
        return SIGTERM;
    default:
        return 0;
    }
}

BOOL WINAPI onControl(DWORD type)
{
    const int signal = signalFor(type);
    if (signal == 0)
        return FALSE;
    HANDLE released = nullptr;
    {
        const std::lock_guard<std::mutex> lock(s_mutex);
        if (s_event == nullptr)
            return FALSE; // no run going on: Windows ends the process as usual
        s_signal = signal;
        ::SetEvent(s_event);
        released = s_released;
    }
    // Windows ends the process as soon as this returns from a close, so the
    // run is given the time to close its ports (Windows allows some seconds).
    if (type == CTRL_CLOSE_EVENT)
        ::WaitForSingleObject(released, INFINITE);
    return TRUE;
}

} // namespace

Interruption::Interruption(QObject *parent) : QObject(parent)
{
    HANDLE event = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (event == nullptr)
        return; // no event: the console's keys keep their usual effect
    m_event = event;
    {
        const std::lock_guard<std::mutex> lock(s_mutex);
        if (s_released == nullptr)
            s_released = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        else
            ::ResetEvent(s_released);
        s_event = event;
        s_signal = 0;
    }
    m_notifier = new QWinEventNotifier(event, this);
    connect(m_notifier, &QWinEventNotifier::activated, this, &Interruption::onNotified);
    ::SetConsoleCtrlHandler(onControl, TRUE);
}

Interruption::~Interruption()
{
    if (m_event == nullptr)
        return;
    ::SetConsoleCtrlHandler(onControl, FALSE);
    delete m_notifier;
    {
        const std::lock_guard<std::mutex> lock(s_mutex);
        s_event = nullptr;
        if (s_released != nullptr)
            ::SetEvent(s_released);
    }
    ::CloseHandle(m_event);
}

int Interruption::drain()
{
    const int latest = s_signal.exchange(0);
    if (latest != 0)
        m_received = latest;
    return latest;
}

} // namespace kav::cli
