#pragma once

#include "link/programmingsession.h"
#include "support/exchangeprobe.h"
#include "support/radiothread.h"
#include "support/windowfixture.h"

#include <QSignalSpy>

// The real window with the simulated radio, on a thread of its own, on a
// pseudo-terminal as its COM1, and a record of how each programming session
// and each of its exchanges ended.
struct RadioWindowFixture : WindowFixture
{
    RadioThread radio;
    std::unique_ptr<QSignalSpy> sessionEnds;  // ProgrammingSession::finished(SessionResult)
    std::unique_ptr<QSignalSpy> exchangeEnds; // ProgrammingExchange::finished(ExchangeResult)

    ~RadioWindowFixture()
    {
        sessionEnds.reset();
        exchangeEnds.reset();
        window.reset();
        parts.reset();
        serial.close(); // before the radio goes
    }

    // The radio holds image; COM1 leads to it, or to deviceLink made a link to
    // it (as a udev name leads to an adapter). Starts the window, shows it,
    // and forgets what the start-up did on the line and in boxes.
    [[nodiscard]] bool startWithRadio(const QByteArray &image, const QString &deviceLink = {})
    {
        radio.setImage(image);
        if (!radio.openPty())
            return false;
        QString device = radio.programPath();
        if (!deviceLink.isEmpty()) {
            if (!QDir().mkpath(QFileInfo(deviceLink).path()) || !QFile::link(device, deviceLink))
                return false;
            device = deviceLink;
        }
        if (!writePortMap("COM1=" + QFile::encodeName(device) + '\n'))
            return false;
        start();
        if (!show())
            return false;
        watchSessions();
        radio.clearLog();
        return true;
    }

    // From now on, records how sessions and exchanges end; forgets the boxes so far.
    void watchSessions()
    {
        sessionEnds = std::make_unique<QSignalSpy>(&session(), &kav::ProgrammingSession::finished);
        exchangeEnds = std::make_unique<QSignalSpy>(&exchange(), &kav::ProgrammingExchange::finished);
        dialogs.clear();
    }

    kav::ProgrammingSession &session() const { return parts->session; }
    kav::ProgrammingExchange &exchange() const { return session().exchange(); }

    // Clicks button, answering Yes (or answer) to its question.
    void click(QPushButton *button, kav::MessageResult answer = kav::MessageResult::Yes)
    {
        sessionEnds->clear();
        exchangeEnds->clear();
        dialogs.clear();
        dialogs.answer(answer);
        QTest::mouseClick(button, Qt::LeftButton);
    }
    void clickRead() { click(button(QStringLiteral("Cmd_Read"))); }
    void clickWrite() { click(button(QStringLiteral("Cmd_Write"))); }

    // Waits for the session the click started to end. It ends once, after its
    // last exchange: no exchange follows its end.
    [[nodiscard]] bool waitForSessionEnd(int timeoutMs = 10000)
    {
        return QTest::qWaitFor([this] { return !sessionEnds->isEmpty(); }, timeoutMs);
    }

    QList<kav::SessionResult> sessionResults() const
    {
        QList<kav::SessionResult> results;
        for (const QList<QVariant> &args : *sessionEnds)
            results.append(args.at(0).value<kav::SessionResult>());
        return results;
    }
    // Sessions since the click that ended without the radio holding the plan asked for.
    int failures() const
    {
        int n = 0;
        for (const kav::SessionResult &result : sessionResults())
            n += result.succeeded() ? 0 : 1;
        return n;
    }

    // Nothing is left that could end anything: no session or exchange running,
    // no wait armed, and a time-out now ends nothing (failures stay as they are).
    [[nodiscard]] bool isQuiet()
    {
        if (session().isRunning() || exchange().isRunning() || exchange().responseTimer().isActive())
            return false;
        const int before = failures();
        kav::ExchangeProbe::expireResponseTimeout(exchange());
        return failures() == before;
    }

    // The texts of the boxes with only an OK button: errors and notices, not questions.
    QStringList errorTexts() const
    {
        QStringList texts;
        for (const kav::MessageRequest &box : dialogs.messages) {
            if (box.buttons == kav::MessageButtons::Ok)
                texts << box.text;
        }
        return texts;
    }
};
