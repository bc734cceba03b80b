#pragma once

#include <QObject>

class QSocketNotifier;

namespace kav::cli {

// While it lives, SIGINT and SIGTERM no longer end the process at once: the
// handler only writes the signal's number to a pipe, and interrupted() is sent
// from the event loop, so the command can close its ports (and so release
// their locks) and say what it stopped. The previous handlers come back with
// its end. One at a time per process.
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
    void readPipe();
    // The last signal number waiting in the pipe, 0 for none.
    int drain();

    int m_pipe[2] = {-1, -1};
    QSocketNotifier *m_notifier = nullptr;
    int m_received = 0;
};

} // namespace kav::cli
