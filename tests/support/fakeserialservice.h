#pragma once

#include "link/serialservice.h"

#include <QList>

// A serial service without a device, for unit tests of its users: records
// every hand-over, takes bytes injected whole or in pieces (each piece is one
// receive notification), and fails on request.
class FakeSerialService : public kav::SerialService
{
    Q_OBJECT

public:
    using kav::SerialService::SerialService;

    [[nodiscard]] bool setPortNumber(int number) override;
    int portNumber() const override { return m_portNumber; }
    [[nodiscard]] bool setSettings(const QString &settings) override;
    void setReceiveThreshold(int) override {}
    void setBinaryInput(bool) override {}
    void setInputLength(int) override {}

    bool isOpen() const override { return m_open; }
    [[nodiscard]] bool open() override;
    void close() override;
    QString devicePath() const override { return QStringLiteral("/dev/fake%1").arg(m_portNumber); }
    QString errorString() const override { return m_error; }

    [[nodiscard]] bool send(const QByteArray &bytes) override;
    int waitingCount() const override { return int(m_waiting.size()); }
    void discardWaiting() override { m_waiting.clear(); }
    QByteArray take() override;

    // The radio's side. Bytes reaching a closed port are lost, as on a real one.
    void inject(const QByteArray &bytes);
    void injectPieces(const QByteArray &bytes, const QList<int> &pieceSizes);
    // A receive notification that finds nothing new.
    void notifyEmpty() { Q_EMIT commEvent(kav::kCommEvReceive); }
    void notifyOverflow() { Q_EMIT commEvent(kav::kCommEventRxOver); }
    // The device goes away: the port closes and portFailed is sent.
    void failPort(const QString &reason);

    // Failures on request; the reason becomes errorString().
    void failOpens(const QString &reason) { m_openFailure = reason; }
    // Fails the hand-over number n (1 = the next one), counted from now.
    void failSend(int n, const QString &reason);

    // Every hand-over, in order, and the hand-overs joined.
    QList<QByteArray> sent;
    QByteArray sentBytes() const;
    int opens = 0;
    int closes = 0;

private:
    int m_portNumber = 1;
    bool m_open = false;
    QByteArray m_waiting;
    QString m_error;
    QString m_openFailure;
    int m_sendFailureIn = 0;
    QString m_sendFailure;
};
