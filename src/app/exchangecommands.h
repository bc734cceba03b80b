#pragma once

#include "link/programmingexchange.h"

#include <QObject>

namespace kav {

class DialogSeam;
class PlanDisplay;
class SerialService;
struct RadioData;

// READ and WRITE as the window offers them: the gates before an exchange (the
// question, the encoded sheet), the engine with the data, and the box or the
// shown plan each outcome ends in.
class ExchangeCommands : public QObject
{
    Q_OBJECT

public:
    // device: what the engine opens when the port is closed, asked at every open.
    ExchangeCommands(RadioData &data, PlanDisplay &sheet, DialogSeam &dialogs, SerialService &serial,
                     ProgrammingExchange::DeviceSource device, QObject *parent = nullptr);
    ~ExchangeCommands() override;

    // READ: opens the port (a port that cannot be had is said at once), asks,
    // zeroes the images and reads; the plan read is shown.
    void onReadClicked();
    // WRITE: asks, encodes the sheet into SendImage (saying why it cannot be)
    // and writes SendImage.
    void onWriteClicked();

    ProgrammingExchange &exchange() { return m_exchange; }

private:
    void onExchangeFinished(const ExchangeResult &result);
    void showPortUnavailable(const QString &reason);

    RadioData &m_data;
    PlanDisplay &m_sheet;
    DialogSeam &m_dialogs;
    ProgrammingExchange m_exchange;
};

} // namespace kav
