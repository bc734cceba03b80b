#pragma once

#include "link/programmingsession.h"

#include <QObject>

namespace kav {

class AppSettings;
class BackupStore;
class DialogSeam;
class PlanDisplay;
struct PlanDocument;

// READ and WRITE as the window offers them: the gates before a session (the
// question, the encoded sheet), the session with the choices, and the box or
// the shown plan each result ends in.
class ExchangeCommands : public QObject
{
    Q_OBJECT

public:
    // session: runs READ and WRITE on the chosen COM port and keeps their line trace.
    // settings: the choices, read when WRITE is clicked; backups: where reads are kept.
    ExchangeCommands(PlanDocument &document, PlanDisplay &sheet, DialogSeam &dialogs, ProgrammingSession &session,
                     const AppSettings &settings, const BackupStore &backups, QObject *parent = nullptr);
    ~ExchangeCommands() override;

    // READ: opens the port (a port that cannot be had is said at once), asks,
    // starts a fresh document and reads; the plan read is shown and kept as a backup.
    void onReadClicked();
    // WRITE: asks, encodes the sheet into the send image (saying why it cannot
    // be) and writes it; first reads and keeps the radio's plan when backing
    // up is chosen, and afterwards reads it back when verifying is.
    void onWriteClicked();
    // Another COM port was chosen: the port held lets go, now or when the
    // session going ends, so that the next READ or WRITE opens the chosen one.
    void onPortChosen();

private:
    void onSessionFinished(const SessionResult &result);
    void showFailure(const SessionResult &result);
    void showPortUnavailable(const QString &reason);

    PlanDocument &m_document;
    PlanDisplay &m_sheet;
    DialogSeam &m_dialogs;
    const AppSettings &m_settings;
    const BackupStore &m_backups;
    ProgrammingSession &m_session;
};

} // namespace kav
