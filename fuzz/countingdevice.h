#pragma once

#include <QIODevice>

// A read-only device over a byte range that counts what its reader takes from
// it. Opened unbuffered, so the count is what the reader asked for, not what
// a buffer fetched ahead.
class CountingDevice : public QIODevice
{
public:
    CountingDevice(const char *data, qint64 size) : m_data(data), m_size(size) { open(ReadOnly | Unbuffered); }

    qint64 consumed() const { return m_position; }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return m_size - m_position + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char *to, qint64 max) override
    {
        const qint64 n = qMin(max, m_size - m_position);
        if (n <= 0)
            return m_size == m_position ? -1 : 0;
        memcpy(to, m_data + m_position, size_t(n));
        m_position += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    const char *m_data;
    qint64 m_size;
    qint64 m_position = 0;
};
