#pragma once

#include <QObject>

#include <chrono>
#include <memory>

class QSocketNotifier;

namespace kav::sim {

// A one-shot alarm at an absolute time of the steady clock, to the
// microsecond rather than QTimer's millisecond: a timerfd watched by the
// event loop. Pacing bytes at 8.333 ms needs it; it never busy-waits.
class PreciseAlarm : public QObject
{
    Q_OBJECT

public:
    explicit PreciseAlarm(QObject *parent = nullptr);
    ~PreciseAlarm() override;

    // (Re)arms for at; a time already past fires on the next loop iteration.
    void setAt(std::chrono::steady_clock::time_point at);
    void cancel();
    bool isArmed() const { return m_armed; }

Q_SIGNALS:
    void fired();

private:
    int m_fd = -1;
    bool m_armed = false;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace kav::sim
