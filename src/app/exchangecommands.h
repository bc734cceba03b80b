#pragma once

#include "link/linetrace.h"
#include "link/programmingexchange.h"

#include <QObject>

namespace kav {

class AppSettings;
class BackupStore;
class DialogSeam;
class PlanDisplay;
class SerialService;
struct PlanDocument;

// READ and WRITE as the window offers them: the gates before an exchange (the
// question, the encoded sheet), the engine with the data, and the box or the
// shown plan each outcome ends in. With the choices on, WRITE is a sequence of
// exchanges: a backup read before it, a read back after it. Every exchange is
// kept in the line trace.
class ExchangeCommands : public QObject
{
    Q_OBJECT

public:
    // device: what the engine opens when the port is closed, asked at every open.
    // settings: the choices, read when WRITE is clicked; backups: where reads are kept.
    ExchangeCommands(PlanDocument &document, PlanDisplay &sheet, DialogSeam &dialogs, SerialService &serial,
                     ProgrammingExchange::DeviceSource device, const AppSettings &settings,
                     const BackupStore &backups, QObject *parent = nullptr);
    ~ExchangeCommands() override;

    // READ: opens the port (a port that cannot be had is said at once), asks,
    // starts a fresh document and reads; the plan read is shown and kept as a backup.
    void onReadClicked();
    // WRITE: asks, encodes the sheet into the send image (saying why it cannot
    // be) and writes it; first reads and keeps the radio's plan when backing
    // up is chosen, and afterwards reads it back when verifying is.
    void onWriteClicked();

    ProgrammingExchange &exchange() { return m_exchange; }
    // The last exchanges, bytes and outcomes.
    const LineTrace &trace() const { return m_trace; }

private:
    // What the exchange under way is for.
    enum class Step { None, Read, BackupRead, Write, VerifyRead };

    void onExchangeFinished(const ExchangeResult &result);
    void onReadDone(const RadioImage &image);
    void onBackupReadDone(const RadioImage &image);
    void onWriteDone();
    void onVerifyReadDone(const RadioImage &image);
    void startWrite();
    void showFailure(const ExchangeResult &result);
    void showPortUnavailable(const QString &reason);
    // The device of the exchange: the open port's, else the one an open would take.
    QString exchangeDevice() const;

    PlanDocument &m_document;
    PlanDisplay &m_sheet;
    DialogSeam &m_dialogs;
    SerialService &m_serial;
    ProgrammingExchange::DeviceSource m_device;
    const AppSettings &m_settings;
    const BackupStore &m_backups;
    LineTrace m_trace; // outlives the engine that feeds it
    ProgrammingExchange m_exchange;
    Step m_step = Step::None;
    bool m_verify = false;   // read back after this write
    RadioImage m_writeImage; // what this write sends
};

} // namespace kav
