#include "idleprobe.h"

#include "benchsupport.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdio>

#include <sys/resource.h>

IdleProbe::IdleProbe(QObject *parent) : QObject(parent) {}

bool IdleProbe::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_armed && event->type() == QEvent::Expose) {
        auto *window = qobject_cast<QWindow *>(watched);
        if (window && window->isTopLevel() && window->isExposed()) {
            m_armed = true;
            // A zero timer fires once the events the exposure queued (the first
            // paint among them) have been handled: the window is shown and idle.
            QTimer::singleShot(0, this, &IdleProbe::report);
        }
    }
    return QObject::eventFilter(watched, event);
}

void IdleProbe::report()
{
    const QByteArray status = kav::bench::processStatus();
    QSize size;
    for (const QWidget *w : QApplication::topLevelWidgets()) {
        if (w->isVisible())
            size = w->frameGeometry().size();
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval &t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    std::printf("idle %ld %ld %dx%d %.3f\n", kav::bench::statusKilobytes(status, "VmHWM:"),
                kav::bench::statusKilobytes(status, "VmRSS:"), size.width(), size.height(),
                ms(usage.ru_utime) + ms(usage.ru_stime));
    std::fflush(stdout);
    QCoreApplication::exit(0);
}
