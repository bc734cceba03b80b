#include "app/exchangecommands.h"

#include "app/sendimage.h"
#include "common/dialogseam.h"
#include "link/linkmessages.h"
#include "radio/decoder.h"
#include "radio/radiodata.h"

namespace kav {

ExchangeCommands::ExchangeCommands(RadioData &data, PlanDisplay &sheet, DialogSeam &dialogs, SerialService &serial,
                                   ProgrammingExchange::DeviceSource device, QObject *parent)
    : QObject(parent), m_data(data), m_sheet(sheet), m_dialogs(dialogs), m_exchange(serial, std::move(device))
{
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
    m_data.InitRadioData();
    m_exchange.read();
}

void ExchangeCommands::onWriteClicked()
{
    if (askQuestion(m_dialogs, QStringLiteral("Write Data to Radio?"), QStringLiteral("Write"),
                    MessageButtons::YesNo, MessageResult::Yes)
        != MessageResult::Yes)
        return;
    if (!PrepareSendImage(m_data, m_sheet, m_dialogs))
        return; // it has said why
    m_exchange.write(m_data.SendImage);
}

void ExchangeCommands::onExchangeFinished(const ExchangeResult &result)
{
    switch (result.outcome) {
    case ExchangeOutcome::Ok:
        if (result.kind == ExchangeKind::Read) {
            m_data.ReceiveImage = result.image;
            LoadReceivedImage(m_data, m_sheet);
        }
        return;
    case ExchangeOutcome::PortUnavailable:
        showPortUnavailable(result.reason);
        return;
    case ExchangeOutcome::NoAnswer:
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

} // namespace kav
