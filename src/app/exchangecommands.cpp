#include "app/exchangecommands.h"

#include "app/plandocument.h"
#include "app/sendimage.h"
#include "common/appsettings.h"
#include "common/dialogseam.h"
#include "link/linkmessages.h"
#include "link/openfailure.h"
#include "link/portsetting.h"
#include "link/programminghistory.h"
#include "radio/backupstore.h"
#include "radio/decoder.h"
#include "radio/plancompare.h"
#include "sheet/plandisplay.h"

#include <algorithm>

namespace kav {

namespace {

enum class Box {
    None,     // nothing to tell: the sheet shows the plan read, or the write went through
    Plain,    // a notice, without title or icon
    Critical, // an error, titled "Error"
};

struct VerdictBox
{
    SessionVerdict verdict;
    Box box;
    const char *text;
};

// The box every verdict ends in. A backup whose read failed ends in the box
// of that read's failure, as READ shows it.
constexpr VerdictBox kVerdictBoxes[] = {
    {SessionVerdict::Read, Box::None, ""},
    {SessionVerdict::Written, Box::None, ""},
    {SessionVerdict::Verified, Box::None, ""},
    {SessionVerdict::Unchanged, Box::None, ""},
    {SessionVerdict::Declined, Box::None, ""}, // the user said No
    {SessionVerdict::BackupFailed, Box::Critical, "Nothing was written: the radio's plan could not be backed up."},
    {SessionVerdict::VerifyMismatch, Box::Critical, "Verify Error"},
    {SessionVerdict::PortUnavailable, Box::Plain, kReselectPortMessage},
    {SessionVerdict::NoAnswer, Box::Critical, kConnectionErrorMessage},
    {SessionVerdict::CommunicationError, Box::Critical, kCommunicationErrorMessage},
    {SessionVerdict::WriteRefused, Box::Critical, kWriteErrorMessage},
    {SessionVerdict::Interrupted, Box::None, ""},            // only EXIT interrupts: the program ends
    {SessionVerdict::InterruptedAfterAccept, Box::None, ""}, // likewise
};

const VerdictBox &boxOf(SessionVerdict verdict)
{
    const auto *found = std::find_if(std::begin(kVerdictBoxes), std::end(kVerdictBoxes),
                                     [verdict](const VerdictBox &entry) { return entry.verdict == verdict; });
    Q_ASSERT(found != std::end(kVerdictBoxes));
    return *found;
}

// What the box says under its text.
QString detailOf(SessionVerdict verdict, const SessionResult &result)
{
    switch (verdict) {
    case SessionVerdict::NoAnswer: {
        // What to check, under the reason when there is one.
        const QString detail = connectionErrorDetail(result.device);
        return result.reason.isEmpty() ? detail : result.reason + QStringLiteral("\n\n") + detail;
    }
    case SessionVerdict::VerifyMismatch:
        return describeDifferences(result.differences);
    default:
        return result.reason;
    }
}

} // namespace

ExchangeCommands::ExchangeCommands(PlanDocument &document, PlanDisplay &sheet, DialogSeam &dialogs,
                                   ProgrammingSession &session, const Context &context, QObject *parent)
    : QObject(parent), m_document(document), m_sheet(sheet), m_dialogs(dialogs), m_context(context), m_session(session)
{
    connect(&m_session, &ProgrammingSession::finished, this, &ExchangeCommands::onSessionFinished);
    connect(&m_session, &ProgrammingSession::changesFound, this, &ExchangeCommands::onChangesFound);
}

ExchangeCommands::~ExchangeCommands() = default;

void ExchangeCommands::onReadClicked()
{
    if (m_busy)
        return; // one exchange at a time; its port is its own
    QString reason;
    if (!m_session.openPort(&reason)) {
        showPlain(m_dialogs, exchangeMessage(ExchangeOutcome::PortUnavailable), {}, reason);
        return;
    }
    if (askQuestion(m_dialogs, QStringLiteral("Read from Radio?"), QStringLiteral("Read"), MessageButtons::YesNo,
                    MessageResult::Yes) != MessageResult::Yes)
        return; // the port stays open
    m_document.initRadioData();
    SessionOptions options;
    options.backups = &m_context.backups;
    options.keepEveryRead = true;
    begin();
    m_session.read(options);
}

void ExchangeCommands::onWriteClicked()
{
    if (m_busy)
        return;
    if (askQuestion(m_dialogs, QStringLiteral("Write Data to Radio?"), QStringLiteral("Write"), MessageButtons::YesNo,
                    MessageResult::Yes) != MessageResult::Yes)
        return;
    if (!prepareSendImage(m_document, m_sheet, m_dialogs))
        return; // it has said why
    SessionOptions options;
    options.backups = &m_context.backups;
    options.backUpBeforeWrite = m_context.settings.value(Choice::BackUpBeforeWriting);
    options.verifyAfterWrite = m_context.settings.value(Choice::VerifyAfterWrite);
    options.confirmChanges = m_context.settings.value(Choice::ShowChangesBeforeWriting);
    options.keepPortAfterWrite = true;
    options.history = &m_context.history;
    const QString file = m_document.sheetFile();
    options.historyContext = {QStringLiteral("kavrilink"), m_context.portSetting.configuredPort(),
                              file.isEmpty() ? QStringLiteral("sheet") : file};
    begin();
    m_session.write(m_document.sendImage, options);
}

void ExchangeCommands::onPortChosen()
{
    m_session.releasePort();
}

void ExchangeCommands::begin()
{
    m_busy = true;
    Q_EMIT busyChanged(true);
}

void ExchangeCommands::onChangesFound(const RadioImage &, const QList<FieldDifference> &changes)
{
    const bool same = changes.isEmpty();
    const QString question = same ? QStringLiteral("The radio already holds this plan. Write it anyway?")
                                  : QStringLiteral("Write these changes to the radio?");
    const bool yes = askQuestion(m_dialogs, question, QStringLiteral("Write"), MessageButtons::YesNo, MessageResult::No,
                                 same ? QString() : describeChanges(changes)) == MessageResult::Yes;
    if (yes)
        m_session.proceed();
    else
        m_session.decline();
}

void ExchangeCommands::onSessionFinished(const SessionResult &result)
{
    if (!m_busy)
        return; // not a run of READ or WRITE
    if (result.verdict == SessionVerdict::Read)
        showPlan(m_sheet, decodePlan(result.image));
    showVerdict(result);
    showHistoryFailure(result);
    m_busy = false;
    Q_EMIT busyChanged(false);
}

void ExchangeCommands::showVerdict(const SessionResult &result)
{
    if (result.verdict == SessionVerdict::Read && !result.backupFailure.isEmpty()) {
        showPlain(m_dialogs, QStringLiteral("The plan was read, but a backup of it could not be kept."), {},
                  result.backupFailure);
        return;
    }
    // A read before the write that failed ends as READ would have ended.
    const SessionVerdict shown = result.verdict == SessionVerdict::BackupFailed && result.cause != ExchangeOutcome::Ok
                                     ? failureVerdict(result.cause)
                                     : result.verdict;
    const VerdictBox &box = boxOf(shown);
    const QString text = QString::fromLatin1(box.text);
    switch (box.box) {
    case Box::None:
        return;
    case Box::Plain:
        showPlain(m_dialogs, text, {}, detailOf(shown, result));
        return;
    case Box::Critical:
        showCritical(m_dialogs, text, QStringLiteral("Error"), detailOf(shown, result));
        return;
    }
}

void ExchangeCommands::showHistoryFailure(const SessionResult &result)
{
    if (result.historyFailure.isEmpty())
        return;
    const bool accepted = result.verdict == SessionVerdict::Written || result.verdict == SessionVerdict::Verified ||
                          result.verdict == SessionVerdict::VerifyMismatch;
    showPlain(m_dialogs,
              accepted ? QStringLiteral("The plan was written, but it could not be recorded in the history.")
                       : QStringLiteral("The write could not be recorded in the history."),
              {}, result.historyFailure);
}

} // namespace kav
