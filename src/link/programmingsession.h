#pragma once

#include "link/exchangeresult.h"
#include "link/portmap.h"
#include "link/programmingexchange.h"
#include "radio/plancompare.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

namespace kav {

class BackupStore;
class LineTrace;
class ProgrammingHistory;
class PortHolder;

// The device a session is to use, or why there is none, asked as each run starts.
using PortResolver = std::function<PortTarget()>;

// What only the front end knows of a write, for its record in the history.
struct HistoryContext
{
    QString program;  // "kavrilink", "kavrilink-cli"
    int com = 0;      // the COM number chosen; 0 for a device named outright
    QString planFile; // the plan's file, or "sheet"
};

// What a session does beyond its exchange.
struct SessionOptions
{
    const BackupStore *backups = nullptr; // where read plans are kept; needed by backUpBeforeWrite
    bool backUpBeforeWrite = false;       // write: read the radio and keep its plan first; nothing written without it
    bool keepEveryRead = false;           // read: keep the plan read as well (a failure to keep it is said, not fatal)
    bool verifyAfterWrite = false;        // write: read the radio back and compare
    bool keepPortAfterWrite = false;      // the port stays open after a completed write (the window)
    // write: read the radio first (the backup's read when both are on) and
    // end Unchanged, nothing written, when it already holds the plan...
    bool skipUnchanged = false;
    // ...or tell its differences (changesFound()) and wait for proceed() or decline().
    bool confirmChanges = false;
    // write: where every write that sent 0xF0 is recorded, before finished(); null for no record.
    const ProgrammingHistory *history = nullptr;
    HistoryContext historyContext;
};

// How a session ended: its verdict, and what goes with it.
struct SessionResult
{
    SessionVerdict verdict = SessionVerdict::Interrupted;
    SessionStep step = SessionStep::Read; // the step it ended in
    // The outcome of the exchange whose failure ended the run, Ok when none did;
    // BackupFailed: of the read before the write (Ok: it arrived but could not be kept).
    ExchangeOutcome cause = ExchangeOutcome::Ok;
    QString reason;                     // the system's reason, where there is one
    QString device;                     // the one device every step used
    RadioImage image;                   // read: the image received; write: the image to write
    bool readBefore = false;            // write: the radio's plan was read first...
    RadioImage before;                  // ...and this is what it held
    QList<FieldDifference> changes;     // write with a read first: the fields the plan changes (plan vs radio)
    QList<FieldDifference> differences; // VerifyMismatch: the fields the radio holds differently
    QString backupPath;                 // the backup kept, when one was
    QString backupFailure;              // Read with keepEveryRead: why the plan read could not be kept
    bool recorded = false;              // a record of the write went into the history...
    QString historyFailure;             // ...or why it could not (the verdict stands)

    // The radio holds the plan asked for: read, written, verified, or already held.
    [[nodiscard]] bool succeeded() const
    {
        return verdict == SessionVerdict::Read || verdict == SessionVerdict::Written ||
               verdict == SessionVerdict::Verified || verdict == SessionVerdict::Unchanged;
    }
};

// The verdict of a run that an exchange's failure (not Ok, not Superseded) ended.
[[nodiscard]] SessionVerdict failureVerdict(ExchangeOutcome outcome);

// One run with one radio over the one port: a read, or a write with an
// optional read before it (for the backup, for skipping a radio that holds
// the plan already, or for the changes to be confirmed: one read for all) and
// an optional read-back after it. The device is resolved once per run and the
// port (with its device claim) is held from the first exchange to the last,
// so every step, message, backup and record names the same device; only the
// session opens and closes it meanwhile. Ends with one finished(), whose
// verdict says what happened; a write that sent 0xF0 is recorded in the
// history before it.
class ProgrammingSession : public QObject
{
    Q_OBJECT

public:
    // trace: where every exchange's bytes go (may be null); it must outlive the session.
    ProgrammingSession(PortHolder &port, PortResolver resolver, LineTrace *trace = nullptr, QObject *parent = nullptr);
    ~ProgrammingSession() override;

    // Resolves the device and holds its port before a run (READ asks its
    // question on an open port); false with why.
    [[nodiscard]] bool openPort(QString *reason);
    // Starts a run; over a running one, that one ends Interrupted (or
    // InterruptedAfterAccept) first.
    void read(const SessionOptions &options = {});
    void write(const RadioImage &image, const SessionOptions &options = {});
    // After changesFound(): write the plan, or end Declined with nothing written.
    void proceed();
    void decline();
    // Stops the run going at once: the exchange is dropped, the port closed,
    // and the run ends with one finished(), Interrupted, or InterruptedAfterAccept
    // once the radio had accepted the plan. Nothing when no run is going.
    void interrupt();
    // Lets go of the port: now when no run is going, else when the run ends.
    void releasePort();

    [[nodiscard]] bool isRunning() const { return m_running; }
    // The run going has sent 0xF0 (or is about to): from the write step on.
    [[nodiscard]] bool isWriting() const
    {
        return m_running && (m_step == SessionStep::Write || m_step == SessionStep::VerifyRead);
    }
    [[nodiscard]] SessionStep step() const { return m_step; }
    // The device of the run going or last run; empty before the first.
    [[nodiscard]] QString device() const { return m_device; }
    ProgrammingExchange &exchange() { return m_exchange; }
    const ProgrammingExchange &exchange() const { return m_exchange; }

Q_SIGNALS:
    // A step began (its exchange is on its way).
    void stepStarted(kav::SessionStep step);
    // Before a write: the radio's plan was kept at path; the write follows.
    void backedUp(const QString &path);
    // Before a write with confirmChanges: the radio holds held, which differs
    // from the plan in changes (empty: it holds the plan). The run waits for
    // proceed() or decline(), which may be called from the slot.
    void changesFound(const kav::RadioImage &held, const QList<kav::FieldDifference> &changes);
    // The run ended, once per read() or write().
    void finished(const kav::SessionResult &result);

private:
    void start(SessionStep first, const SessionOptions &options, const RadioImage &image);
    void runStep(SessionStep step);
    void onExchangeFinished(const ExchangeResult &result);
    void onReadBeforeWrite(const RadioImage &held);
    void onWriteAccepted();
    // Ends with outcome's verdict (an exchange's failure).
    void fail(ExchangeOutcome outcome, const QString &reason);
    // Ends the run going without a word to the radio; closePort: the port too.
    void stop(bool closePort);
    void end(SessionVerdict verdict, const QString &reason = {});
    void record();

    PortHolder &m_port;
    PortResolver m_resolver;
    ProgrammingExchange m_exchange;
    SessionOptions m_options;
    SessionResult m_result;
    SessionStep m_step = SessionStep::Read;
    QString m_device;
    bool m_running = false;
    bool m_releaseAtEnd = false;
    bool m_writeCommandSent = false; // 0xF0 went out in this run
    bool m_accepted = false;         // the radio answered the block with 0x77
};

} // namespace kav
