#pragma once

#include "fuzzcheck.h"

#include "link/serialservice.h"

#include <QList>

// A serial service whose other end is the fuzzer.
class ScriptedSerial : public kav::SerialService
{
public:
    bool setPortNumber(int number) override
    {
        if (m_open)
            return false;
        m_port = number;
        return true;
    }
    int portNumber() const override { return m_port; }
    bool setSettings(const QString &text) override
    {
        settings = text;
        return true;
    }
    void setReceiveThreshold(int) override {}
    void setBinaryInput(bool) override {}
    void setInputLength(int) override {}
    bool isOpen() const override { return m_open; }
    bool open() override
    {
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
    QString devicePath() const override { return QStringLiteral("/dev/scripted"); }
    QString errorString() const override { return QStringLiteral("scripted failure"); }
    bool send(const QByteArray &bytes) override
    {
        FUZZ_CHECK(m_open);
        if (failSend)
            return false;
        sent.append(bytes);
        return true;
    }
    int waitingCount() const override { return int(m_waiting.size()); }
    void discardWaiting() override { m_waiting.clear(); }
    QByteArray take() override
    {
        QByteArray taken;
        taken.swap(m_waiting);
        lastTaken = taken;
        return taken;
    }

    void arrive(const QByteArray &bytes)
    {
        if (!m_open)
            return; // lost on a closed port
        m_waiting += bytes;
        Q_EMIT commEvent(kav::kCommEvReceive);
    }
    void notify(int code) { Q_EMIT commEvent(code); }
    void vanish()
    {
        if (!m_open)
            return;
        close();
        Q_EMIT portFailed(QStringLiteral("device gone"));
    }
    void openFromOutside() { m_open = true; }

    QString settings;
    int opens = 0;
    bool failOpen = false;
    bool failSend = false;
    QList<QByteArray> sent;
    QByteArray lastTaken;

private:
    int m_port = 1;
    bool m_open = false;
    QByteArray m_waiting;
};
