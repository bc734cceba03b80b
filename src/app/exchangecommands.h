#pragma once

#include "link/programmingsession.h"

#include <QObject>

namespace kav {

class AppSettings;
class BackupStore;
class DialogSeam;
class PlanDisplay;
class PortSetting;
class ProgrammingHistory;
struct PlanDocument;

// READ and WRITE as the window offers them: the gates before a session (the
// question, the encoded sheet), the session with the choices, the question
// of the changes, and the box or the shown plan each verdict ends in.
class ExchangeCommands : public QObject
{
    Q_OBJECT

public:
    // What a WRITE needs beyond the sheet: the choices (read when WRITE is
    // clicked), where reads are kept, where writes are recorded, and the COM
    // port chosen (for the record).
    struct Context
    {
        const AppSettings &settings;
        const BackupStore &backups;
        const ProgrammingHistory &history;
        const PortSetting &portSetting;
    };

    // session: runs READ and WRITE on the chosen COM port and keeps their line trace.
    ExchangeCommands(PlanDocument &document, PlanDisplay &sheet, DialogSeam &dialogs, ProgrammingSession &session,
                     const Context &context, QObject *parent = nullptr);
    ~ExchangeCommands() override;

    // READ: opens the port (a port that cannot be had is said at once), asks,
    // starts a fresh document and reads; the plan read is shown and kept as a backup.
    void onReadClicked();
    // WRITE: asks, encodes the sheet into the send image (saying why it cannot
    // be) and writes it; first reads the radio when backing up or showing the
    // changes is chosen, and afterwards reads it back when verifying is.
    void onWriteClicked();
    // Another COM port was chosen: the port held lets go, now or when the
    // session going ends, so that the next READ or WRITE opens the chosen one.
    void onPortChosen();

    // A READ or WRITE this started is going on, from its Yes to its end.
    [[nodiscard]] bool isBusy() const { return m_busy; }

Q_SIGNALS:
    // A run began (busy) or ended with its boxes shown (not busy).
    void busyChanged(bool busy);

private:
    void begin();
    void onChangesFound(const RadioImage &held, const QList<FieldDifference> &changes);
    void onSessionFinished(const SessionResult &result);
    void showVerdict(const SessionResult &result);
    void showHistoryFailure(const SessionResult &result);

    PlanDocument &m_document;
    PlanDisplay &m_sheet;
    DialogSeam &m_dialogs;
    Context m_context;
    ProgrammingSession &m_session;
    bool m_busy = false;
};

} // namespace kav
