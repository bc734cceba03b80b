#include "app/exchangecommands.h"

#include "app/plandocument.h"
#include "app/sendimage.h"
#include "common/appsettings.h"
#include "common/dialogseam.h"
#include "link/exchangetrace.h"
#include "link/linkmessages.h"
#include "link/openfailure.h"
#include "link/serialservice.h"
#include "radio/backupstore.h"
#include "radio/decoder.h"
#include "radio/plancompare.h"
#include "sheet/plandisplay.h"

#include <utility>

namespace kav {

namespace {

constexpr char kVerifyErrorMessage[] = "Verify Error";

} // namespace

ExchangeCommands::ExchangeCommands(PlanDocument &document, PlanDisplay &sheet, DialogSeam &dialogs, SerialService &serial,
                                   ProgrammingExchange::DeviceSource device, const AppSettings &settings,
                                   const BackupStore &backups, QObject *parent)
    : QObject(parent), m_document(document), m_sheet(sheet), m_dialogs(dialogs), m_serial(serial), m_device(std::move(device)),
      m_settings(settings), m_backups(backups), m_exchange(serial, m_device)
{
    // The trace ends an exchange before its handler can start the next one.
    TraceExchanges(m_exchange, m_trace, [this] { return exchangeDevice(); });
    connect(&m_exchange, &ProgrammingExchange::finished, this, &ExchangeCommands::onExchangeFinished);
}

ExchangeCommands::~ExchangeCommands() = default;

void ExchangeCommands::onReadClicked()
{
    QString reason;
    if (!m_exchange.openPort(&reason)) {
        showPortUnavailable(reason);
        return;
    }
    if (askQuestion(m_dialogs, QStringLiteral("Read from Radio?"), QStringLiteral("Read"), MessageButtons::YesNo,
                    MessageResult::Yes)
        != MessageResult::Yes)
        return;
    m_document.InitRadioData();
    m_step = Step::Read;
    m_exchange.read();
}

void ExchangeCommands::onWriteClicked()
{
    if (askQuestion(m_dialogs, QStringLiteral("Write Data to Radio?"), QStringLiteral("Write"),
                    MessageButtons::YesNo, MessageResult::Yes)
        != MessageResult::Yes)
        return;
    if (!PrepareSendImage(m_document, m_sheet, m_dialogs))
        return; // it has said why
    m_writeImage = m_document.sendImage;
    m_verify = m_settings.value(Choice::VerifyAfterWrite);
    if (m_settings.value(Choice::BackUpBeforeWriting)) {
        m_step = Step::BackupRead;
        m_exchange.read();
        return;
    }
    startWrite();
}

void ExchangeCommands::startWrite()
{
    m_step = Step::Write;
    m_exchange.write(m_writeImage);
}

void ExchangeCommands::onExchangeFinished(const ExchangeResult &result)
{
    if (result.outcome == ExchangeOutcome::Superseded)
        return; // the exchange that took its place carries the step on
    Step step = std::exchange(m_step, Step::None);
    // An exchange this object did not start, or a late verdict on a finished
    // write, ends as a plain READ or WRITE.
    const bool reading = step == Step::Read || step == Step::BackupRead || step == Step::VerifyRead;
    if (step == Step::None || reading != (result.kind == ExchangeKind::Read))
        step = result.kind == ExchangeKind::Read ? Step::Read : Step::None;
    if (result.outcome != ExchangeOutcome::Ok) {
        showFailure(result);
        return;
    }
    switch (step) {
    case Step::Read:
        onReadDone(result.image);
        return;
    case Step::BackupRead:
        onBackupReadDone(result.image);
        return;
    case Step::Write:
        onWriteDone();
        return;
    case Step::VerifyRead:
        onVerifyReadDone(result.image);
        return;
    case Step::None:
        return;
    }
}

void ExchangeCommands::onReadDone(const RadioImage &image)
{
    ShowPlan(m_sheet, PlanFieldTexts(image));
    // Kept from what was read: nothing more goes on the line.
    const BackupResult backup = m_backups.save(m_serial.device(), image);
    if (!backup.saved)
        showPlain(m_dialogs, QStringLiteral("The plan was read, but a backup of it could not be kept."), {},
                  backup.reason);
}

void ExchangeCommands::onBackupReadDone(const RadioImage &image)
{
    const BackupResult backup = m_backups.save(m_serial.device(), image);
    if (!backup.saved) {
        showCritical(m_dialogs, QStringLiteral("Nothing was written: the radio's plan could not be backed up."),
                     QStringLiteral("Error"), backup.reason);
        return;
    }
    startWrite();
}

void ExchangeCommands::onWriteDone()
{
    if (!m_verify)
        return;
    m_step = Step::VerifyRead;
    m_exchange.read();
}

void ExchangeCommands::onVerifyReadDone(const RadioImage &image)
{
    const QList<FieldDifference> differences = ComparePlans(m_writeImage, image);
    if (!differences.isEmpty())
        showCritical(m_dialogs, QString::fromLatin1(kVerifyErrorMessage), QStringLiteral("Error"),
                     DescribeDifferences(differences));
}

void ExchangeCommands::showFailure(const ExchangeResult &result)
{
    switch (result.outcome) {
    case ExchangeOutcome::Ok:
    case ExchangeOutcome::Superseded: // the click that started over has its own end
        return;
    case ExchangeOutcome::PortUnavailable:
        showPortUnavailable(result.reason);
        return;
    case ExchangeOutcome::NoAnswer: {
        // What to check, under the reason when there is one.
        const QString detail = ConnectionErrorDetail(m_serial.device());
        showCritical(m_dialogs, ExchangeMessage(result.outcome), QStringLiteral("Error"),
                     result.reason.isEmpty() ? detail : result.reason + QStringLiteral("\n\n") + detail);
        return;
    }
    case ExchangeOutcome::CommunicationError:
    case ExchangeOutcome::WriteRefused:
        showCritical(m_dialogs, ExchangeMessage(result.outcome), QStringLiteral("Error"), result.reason);
        return;
    }
}

void ExchangeCommands::showPortUnavailable(const QString &reason)
{
    showPlain(m_dialogs, ExchangeMessage(ExchangeOutcome::PortUnavailable), {}, reason);
}

QString ExchangeCommands::exchangeDevice() const
{
    if (m_serial.isOpen())
        return m_serial.device();
    return m_device ? m_device() : QString();
}

} // namespace kav
