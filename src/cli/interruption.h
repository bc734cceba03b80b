#pragma once

#include <QObject>

class QSocketNotifier;
class QWinEventNotifier;

namespace kav::cli {

// While it lives, SIGINT and SIGTERM no longer end the process at once: the
// handler only writes the signal's number to a pipe, and interrupted() is sent
// from the event loop, so the command can close its ports (and so release
// their locks) and say what it stopped. The previous handlers come back with
// its end. One at a time per process.
//
// On Windows the console's control events take the signals' place: Ctrl+C
// counts as SIGINT; Ctrl+Break and closing the console count as SIGTERM (they
// are how a supervisor or the user ends a program there). The console runs its
// handler on a thread of its own; that thread only sets an event the UI thread
// watches, and when the console is being closed it waits until this object
// ends, so the ports are closed before Windows ends the process.
class Interruption : public QObject
{
    Q_OBJECT

public:
    explicit Interruption(QObject *parent = nullptr);
    ~Interruption() override;

    // The signal received so far, also one that came while no event loop ran; 0 for none.
    [[nodiscard]] int received();
    // What the process exits with after signal: 128 plus its number (130, 143).
    [[nodiscard]] static int exitCodeFor(int signal) { return 128 + signal; }

Q_SIGNALS:
    // SIGINT or SIGTERM arrived.
    void interrupted(int signal);

private:
    void onNotified();
    // The last signal delivered and not yet taken, 0 for none.
    int drain();

#ifdef Q_OS_WIN
    void *m_event = nullptr; // a Win32 event handle
    QWinEventNotifier *m_notifier = nullptr;
#else
    int m_pipe[2] = {-1, -1};
    QSocketNotifier *m_notifier = nullptr;
#endif
    int m_received = 0;
};

} // namespace kav::cli
