#include "precisealarm.h"

#include <QSocketNotifier>

#include <cstdint>
#include <sys/timerfd.h>
#include <unistd.h>

namespace kav::sim {

PreciseAlarm::PreciseAlarm(QObject *parent) : QObject(parent)
{
    // steady_clock is CLOCK_MONOTONIC on Linux.
    m_fd = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    Q_ASSERT(m_fd >= 0);
    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] {
        std::uint64_t expirations = 0;
        if (::read(m_fd, &expirations, sizeof expirations) != sizeof expirations || !m_armed)
            return;
        m_armed = false;
        Q_EMIT fired();
    });
}

PreciseAlarm::~PreciseAlarm()
{
    m_notifier.reset();
    if (m_fd >= 0)
        ::close(m_fd);
}

void PreciseAlarm::setAt(std::chrono::steady_clock::time_point at)
{
    using namespace std::chrono;
    const auto ns = duration_cast<nanoseconds>(at.time_since_epoch()).count();
    itimerspec when{};
    // Zero would disarm: a time in the past becomes "one nanosecond after boot".
    when.it_value.tv_sec = time_t(ns / 1'000'000'000);
    when.it_value.tv_nsec = long(ns % 1'000'000'000);
    if (when.it_value.tv_sec == 0 && when.it_value.tv_nsec == 0)
        when.it_value.tv_nsec = 1;
    m_armed = ::timerfd_settime(m_fd, TFD_TIMER_ABSTIME, &when, nullptr) == 0;
}

void PreciseAlarm::cancel()
{
    itimerspec when{};
    ::timerfd_settime(m_fd, 0, &when, nullptr);
    m_armed = false;
}

} // namespace kav::sim
