#pragma once

#include "link/programmingsession.h"
#include "simulatedradio.h"
#include "support/windowfixture.h"

#include <QSignalSpy>

// The real window with the simulated radio on a pseudo-terminal as its COM1,
// and a record of how each programming session and each of its exchanges ended.
struct RadioWindowFixture : WindowFixture
{
    kav::sim::SimulatedRadio radio;
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
        sessionEnds = std::make_unique<QSignalSpy>(&session(), &kav::ProgrammingSession::finished);
        exchangeEnds = std::make_unique<QSignalSpy>(&session().exchange(), &kav::ProgrammingExchange::finished);
        radio.line().clearLog();
        dialogs.clear();
        return true;
    }

    kav::ProgrammingSession &session() const { return parts->session; }

    // Clicks button, answering Yes to its question.
    void click(QPushButton *button)
    {
        sessionEnds->clear();
        exchangeEnds->clear();
        dialogs.clear();
        dialogs.answer(kav::MessageResult::Yes);
        QTest::mouseClick(button, Qt::LeftButton);
    }

    // Waits for the session the click started to end. It ends once, after its
    // last exchange: no exchange follows its end.
    [[nodiscard]] bool waitForSessionEnd(int timeoutMs = 8000)
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
