#pragma once

#include <QByteArray>
#include <QIODevice>

// A write-only device that takes the first capacity bytes and then fails, as a
// full disk does: a write that does not fit stores what fits and reports it,
// and every later write fails.
class FailingDevice : public QIODevice
{
public:
    explicit FailingDevice(qint64 capacity) : m_capacity(capacity) {}

    QByteArray written() const { return m_written; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        const qint64 room = m_capacity - m_written.size();
        if (room <= 0) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        const qint64 taken = qMin(room, size);
        m_written.append(data, taken);
        return taken;
    }

private:
    qint64 m_capacity;
    QByteArray m_written;
};
