#include "support/fakeserialservice.h"

bool FakeSerialService::open(const QString &device)
{
    if (m_open)
        return false;
    m_device = device;
    if (!m_openFailure.isEmpty()) {
        m_error = m_openFailure;
        return false;
    }
    m_open = true;
    ++opens;
    return true;
}

void FakeSerialService::close()
{
    if (!m_open)
        return;
    m_open = false;
    m_waiting.clear();
    ++closes;
}

bool FakeSerialService::write(const QByteArray &bytes)
{
    if (m_sendFailureIn > 0 && --m_sendFailureIn == 0) {
        m_error = m_sendFailure;
        return false;
    }
    if (!m_open) {
        m_error = QStringLiteral("port not open");
        return false;
    }
    sent.append(bytes);
    return true;
}

QByteArray FakeSerialService::take()
{
    QByteArray taken;
    taken.swap(m_waiting);
    return taken;
}

void FakeSerialService::inject(const QByteArray &bytes)
{
    if (!m_open)
        return;
    m_waiting.append(bytes);
    Q_EMIT readyRead();
}

void FakeSerialService::injectPieces(const QByteArray &bytes, const QList<int> &pieceSizes)
{
    int offset = 0;
    for (int size : pieceSizes) {
        inject(bytes.mid(offset, size));
        offset += size;
    }
    if (offset < bytes.size())
        inject(bytes.mid(offset));
}

void FakeSerialService::failPort(const QString &reason)
{
    if (!m_open)
        return;
    m_error = reason;
    close();
    Q_EMIT errorOccurred(kav::SerialError::PortFailed, reason);
}

void FakeSerialService::failSend(int n, const QString &reason)
{
    m_sendFailureIn = n;
    m_sendFailure = reason;
}

QByteArray FakeSerialService::sentBytes() const
{
    QByteArray all;
    for (const QByteArray &bytes : sent)
        all.append(bytes);
    return all;
}
