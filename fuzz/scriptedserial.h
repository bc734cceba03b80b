#pragma once

#include "fuzzcheck.h"

#include "link/serialservice.h"

#include <QList>

// A serial service whose other end is the fuzzer.
class ScriptedSerial : public kav::SerialService
{
public:
    bool open(const QString &path) override
    {
        lastDevice = path;
        if (m_open || failOpen)
            return false;
        m_open = true;
        ++opens;
        return true;
    }
    void close() override
    {
        m_open = false;
        m_waiting.clear();
    }
    bool isOpen() const override { return m_open; }
    QString device() const override { return lastDevice; }
    QString errorString() const override { return QStringLiteral("scripted failure"); }
    bool write(const QByteArray &bytes) override
    {
        FUZZ_CHECK(m_open);
        if (failSend)
            return false;
        sent.append(bytes);
        return true;
    }
    int count() const override { return int(m_waiting.size()); }
    QByteArray take() override
    {
        QByteArray taken;
        taken.swap(m_waiting);
        lastTaken = taken;
        allTaken += taken;
        return taken;
    }
    void discard() override { m_waiting.clear(); }

    void arrive(const QByteArray &bytes)
    {
        if (!m_open)
            return; // lost on a closed port
        m_waiting += bytes;
        Q_EMIT readyRead();
    }
    void notifyReady() { Q_EMIT readyRead(); }
    void notifyOverflow() { Q_EMIT errorOccurred(kav::SerialError::ReceiveOverflow, QStringLiteral("overflow")); }
    void vanish()
    {
        if (!m_open)
            return;
        close();
        Q_EMIT errorOccurred(kav::SerialError::PortFailed, QStringLiteral("device gone"));
    }
    void openFromOutside() { m_open = true; }

    // The device last asked for.
    QString lastDevice;
    int opens = 0;
    bool failOpen = false;
    bool failSend = false;
    QList<QByteArray> sent;
    QByteArray lastTaken;
    QByteArray allTaken; // every byte taken, in order

private:
    bool m_open = false;
    QByteArray m_waiting;
};
