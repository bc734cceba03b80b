#pragma once

// A programming session with its engine on a fake port, and the radio's side
// of it played from the test: the rig of the engine's and the session's tests.
#include "link/portholder.h"
#include "link/portmap.h"
#include "link/programmingexchange.h"
#include "link/programmingsession.h"
#include "link/radioprotocol.h"
#include "support/exchangeprobe.h"
#include "support/fakeserialservice.h"

#include <QMetaEnum>
#include <QSignalSpy>
#include <QTest>

#include <chrono>

namespace kav::test {

// CH1 RX 40.0125, CH1 TX 40.5000, CH2 and CH3 empty: the documented block.
inline const QByteArray kExampleBlock = QByteArray::fromHex("040000010205040005000000") + QByteArray(24, '\0') + '\x15';
inline const RadioImage kExampleImage = RadioImage::fromLinear(kExampleBlock);
// Far below the default, far above what a fake port needs to answer.
inline constexpr std::chrono::milliseconds kShortTimeout{150};

inline QString outcomeName(ExchangeOutcome outcome)
{
    return QString::fromLatin1(QMetaEnum::fromType<ExchangeOutcome>().valueToKey(int(outcome)));
}

// A session with its engine on a fake port, and the radio's side of it.
struct Rig
{
    FakeSerialService serial;
    PortHolder port{serial};
    ProgrammingSession session{port, [] { return PortTarget{QStringLiteral("/dev/fake1"), {}}; }};
    ProgrammingExchange &exchange = session.exchange();
    QSignalSpy finished{&exchange, &ProgrammingExchange::finished};

    Rig() { exchange.setResponseTimeout(kShortTimeout); }

    // A write as the window runs it: the port stays open after it.
    void write()
    {
        SessionOptions options;
        options.keepPortAfterWrite = true;
        session.write(kExampleImage, options);
    }

    QStringList sentHex() const
    {
        QStringList hex;
        for (const QByteArray &bytes : serial.sent)
            hex.append(QString::fromLatin1(bytes.toHex()));
        return hex;
    }

    QList<ExchangeResult> results() const
    {
        QList<ExchangeResult> all;
        for (const QList<QVariant> &args : finished)
            all.append(args.at(0).value<ExchangeResult>());
        return all;
    }

    // The outcomes other than Ok, by name.
    QStringList failures() const
    {
        QStringList names;
        for (const ExchangeResult &result : results()) {
            if (result.outcome != ExchangeOutcome::Ok)
                names.append(outcomeName(result.outcome));
        }
        return names;
    }

    int completions() const
    {
        int n = 0;
        for (const ExchangeResult &result : results())
            n += result.outcome == ExchangeOutcome::Ok ? 1 : 0;
        return n;
    }

    // Plays the radio's side: hex bytes as one notification, or a named event.
    void play(const QString &step)
    {
        if (step == QLatin1String("block")) {
            serial.inject(kExampleBlock);
        } else if (step == QLatin1String("block:10")) {
            serial.injectPieces(kExampleBlock, {10});
        } else if (step == QLatin1String("block:bytewise")) {
            serial.injectPieces(kExampleBlock, QList<int>(kImageBlockSize, 1));
        } else if (step == QLatin1String("block+3")) {
            serial.inject(kExampleBlock + QByteArray::fromHex("0e0f77"));
        } else if (step == QLatin1String("ack+block")) {
            serial.inject('\x0e' + kExampleBlock);
        } else if (step == QLatin1String("ack+block10")) {
            serial.inject('\x0e' + kExampleBlock.left(10));
        } else if (step == QLatin1String("rest27")) {
            serial.inject(kExampleBlock.mid(10));
        } else if (step == QLatin1String("ack+badblock")) {
            QByteArray bad = kExampleBlock;
            bad[36] = '\x16';
            serial.inject('\x0e' + bad);
        } else if (step == QLatin1String("badblock")) {
            QByteArray bad = kExampleBlock;
            bad[36] = '\x16';
            serial.inject(bad);
        } else if (step == QLatin1String("partial20")) {
            serial.inject(kExampleBlock.left(20));
        } else if (step == QLatin1String("empty")) {
            serial.notifyEmpty();
        } else if (step == QLatin1String("overflow")) {
            serial.notifyOverflow();
        } else if (step == QLatin1String("fail")) {
            serial.failPort(QStringLiteral("device gone"));
        } else if (step == QLatin1String("failsend")) {
            serial.failSend(1, QStringLiteral("write failed"));
        } else if (step == QLatin1String("timeout")) {
            // The deadline: armed with the response time-out since the last send or acknowledge.
            QVERIFY2(exchange.responseTimer().isActive(), "the time-out needs an armed timer");
            QCOMPARE(exchange.responseTimer().intervalAsDuration(), kShortTimeout);
            ExchangeProbe::expireResponseTimeout(exchange);
        } else {
            serial.inject(QByteArray::fromHex(step.toLatin1()));
        }
    }
};

} // namespace kav::test
