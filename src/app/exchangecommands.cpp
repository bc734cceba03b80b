#include "app/exchangecommands.h"

#include "app/plandocument.h"
#include "app/sendimage.h"
#include "common/appsettings.h"
#include "common/dialogseam.h"
#include "link/linkmessages.h"
#include "link/openfailure.h"
#include "radio/backupstore.h"
#include "radio/decoder.h"
#include "radio/plancompare.h"
#include "sheet/plandisplay.h"

namespace kav {

namespace {

constexpr char kVerifyErrorMessage[] = "Verify Error";

} // namespace

ExchangeCommands::ExchangeCommands(PlanDocument &document, PlanDisplay &sheet, DialogSeam &dialogs,
                                   ProgrammingSession &session, const AppSettings &settings, const BackupStore &backups,
                                   QObject *parent)
    : QObject(parent), m_document(document), m_sheet(sheet), m_dialogs(dialogs), m_settings(settings),
      m_backups(backups), m_session(session)
{
    connect(&m_session, &ProgrammingSession::finished, this, &ExchangeCommands::onSessionFinished);
}

ExchangeCommands::~ExchangeCommands() = default;

void ExchangeCommands::onReadClicked()
{
    QString reason;
    if (!m_session.openPort(&reason)) {
        showPortUnavailable(reason);
        return;
    }
    if (askQuestion(m_dialogs, QStringLiteral("Read from Radio?"), QStringLiteral("Read"), MessageButtons::YesNo,
                    MessageResult::Yes) != MessageResult::Yes)
        return; // the port stays open
    m_document.initRadioData();
    SessionOptions options;
    options.backups = &m_backups;
    options.keepEveryRead = true;
    m_session.read(options);
}

void ExchangeCommands::onWriteClicked()
{
    if (askQuestion(m_dialogs, QStringLiteral("Write Data to Radio?"), QStringLiteral("Write"), MessageButtons::YesNo,
                    MessageResult::Yes) != MessageResult::Yes)
        return;
    if (!prepareSendImage(m_document, m_sheet, m_dialogs))
        return; // it has said why
    SessionOptions options;
    options.backups = &m_backups;
    options.backUpBeforeWrite = m_settings.value(Choice::BackUpBeforeWriting);
    options.verifyAfterWrite = m_settings.value(Choice::VerifyAfterWrite);
    options.keepPortAfterWrite = true;
    m_session.write(m_document.sendImage, options);
}

void ExchangeCommands::onPortChosen()
{
    m_session.releasePort();
}

void ExchangeCommands::onSessionFinished(const SessionResult &result)
{
    if (result.outcome == ExchangeOutcome::Superseded)
        return; // the click that started over has its own end
    if (result.outcome != ExchangeOutcome::Ok) {
        showFailure(result);
        return;
    }
    switch (result.step) {
    case SessionStep::Read:
        showPlan(m_sheet, decodePlan(result.image));
        if (!result.backupFailure.isEmpty())
            showPlain(m_dialogs, QStringLiteral("The plan was read, but a backup of it could not be kept."), {},
                      result.backupFailure);
        return;
    case SessionStep::KeepBackup:
        showCritical(m_dialogs, QStringLiteral("Nothing was written: the radio's plan could not be backed up."),
                     QStringLiteral("Error"), result.backupFailure);
        return;
    case SessionStep::VerifyRead:
        if (!result.differences.isEmpty())
            showCritical(m_dialogs, QString::fromLatin1(kVerifyErrorMessage), QStringLiteral("Error"),
                         describeDifferences(result.differences));
        return;
    case SessionStep::BackupRead:
    case SessionStep::Write:
        return; // a completed write ends silently
    }
}

void ExchangeCommands::showFailure(const SessionResult &result)
{
    switch (result.outcome) {
    case ExchangeOutcome::Ok:
    case ExchangeOutcome::Superseded:
        return;
    case ExchangeOutcome::PortUnavailable:
        showPortUnavailable(result.reason);
        return;
    case ExchangeOutcome::NoAnswer: {
        // What to check, under the reason when there is one.
        const QString detail = connectionErrorDetail(result.device);
        showCritical(m_dialogs, exchangeMessage(result.outcome), QStringLiteral("Error"),
                     result.reason.isEmpty() ? detail : result.reason + QStringLiteral("\n\n") + detail);
        return;
    }
    case ExchangeOutcome::CommunicationError:
    case ExchangeOutcome::WriteRefused:
        showCritical(m_dialogs, exchangeMessage(result.outcome), QStringLiteral("Error"), result.reason);
        return;
    }
}

void ExchangeCommands::showPortUnavailable(const QString &reason)
{
    showPlain(m_dialogs, exchangeMessage(ExchangeOutcome::PortUnavailable), {}, reason);
}

} // namespace kav
