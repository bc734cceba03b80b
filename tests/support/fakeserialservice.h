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

    [[nodiscard]] bool open(const QString &device) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    QString device() const override { return m_device; }
    QString errorString() const override { return m_error; }

    [[nodiscard]] bool write(const QByteArray &bytes) override;
    int count() const override { return int(m_waiting.size()); }
    QByteArray take() override;
    void discard() override { m_waiting.clear(); }

    // The radio's side. Bytes reaching a closed port are lost, as on a real one.
    void inject(const QByteArray &bytes);
    void injectPieces(const QByteArray &bytes, const QList<int> &pieceSizes);
    // A receive notification that finds nothing new.
    void notifyEmpty() { Q_EMIT readyRead(); }
    // An overflow notification; unlike a real port, it leaves the waiting bytes for their reader to drop.
    void notifyOverflow() { Q_EMIT errorOccurred(kav::SerialError::ReceiveOverflow, QStringLiteral("overflow")); }
    // The device goes away: the port closes and a PortFailed is sent.
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
    bool m_open = false;
    QString m_device;
    QByteArray m_waiting;
    QString m_error;
    QString m_openFailure;
    int m_sendFailureIn = 0;
    QString m_sendFailure;
};
