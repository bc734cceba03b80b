#pragma once

#include <QObject>

// Bench-only: watches the application for its first top-level window to be
// exposed, and at the first idle moment after that prints one line
//   idle <VmHWM kB> <VmRSS kB> <width>x<height> <CPU ms>
// to stdout and ends the event loop. The figures are those of the process at
// that moment: peak and current resident memory, the window's frame size, and
// the processor time (user and system) it has used, which a loaded machine
// changes far less than the time on the clock.
class IdleProbe : public QObject
{
    Q_OBJECT

public:
    explicit IdleProbe(QObject *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void report();

    bool m_armed = false;
};
