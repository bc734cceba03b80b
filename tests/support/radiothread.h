#pragma once

#include "simulatedradio.h"

#include <QList>
#include <QSemaphore>
#include <QThread>

#include <type_traits>

// The simulated radio on a thread of its own: it paces its bytes and answers
// in time whatever the test's thread is doing (waiting in QTest, painting,
// handling a box), as a radio at the end of a cable does. The test reaches it
// only through call(), which runs on the radio's thread, and hears it through
// the signals here, which arrive on the test's thread.
class RadioThread : public QThread
{
    Q_OBJECT

public:
    RadioThread();
    ~RadioThread() override;

    // Runs f(radio) on the radio's thread and returns what f returns.
    template <typename F> auto call(F &&f) const
    {
        using Result = std::invoke_result_t<F, kav::sim::SimulatedRadio &>;
        if constexpr (std::is_void_v<Result>) {
            QMetaObject::invokeMethod(
                m_radio, [&] { f(*m_radio); }, Qt::BlockingQueuedConnection);
        } else {
            Result result{};
            QMetaObject::invokeMethod(
                m_radio, [&] { result = f(*m_radio); }, Qt::BlockingQueuedConnection);
            return result;
        }
    }

    [[nodiscard]] bool openPty();
    // The pseudo-terminal's end for the program.
    QString programPath() const { return m_programPath; }
    void setFault(kav::sim::Fault fault) const;
    void setImage(const QByteArray &image) const;
    QByteArray image() const;
    QList<kav::sim::LogEntry> log() const;
    void clearLog() const;

Q_SIGNALS:
    // The radio heard a command (0xE0, 0xF0), whether it answers or not.
    void commandReceived(int command);
    // The radio stored a written block.
    void imageWritten(const QByteArray &image);

protected:
    void run() override;

private:
    QSemaphore m_built;
    kav::sim::SimulatedRadio *m_radio = nullptr;
    QString m_programPath;
};
