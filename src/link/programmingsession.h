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
class PortHolder;

// The device a session is to use, or why there is none, asked as each run starts.
using PortResolver = std::function<PortTarget()>;

// What a session does beyond its exchange.
struct SessionOptions
{
    const BackupStore *backups = nullptr; // where read plans are kept; needed by backUpBeforeWrite
    bool backUpBeforeWrite = false;       // write: read the radio and keep its plan first; nothing written without it
    bool keepEveryRead = false;           // read: keep the plan read as well (a failure to keep it is said, not fatal)
    bool verifyAfterWrite = false;        // write: read the radio back and compare
    bool keepPortAfterWrite = false;      // the port stays open after a completed write (the window)
};

// How a session ended.
struct SessionResult
{
    SessionStep step = SessionStep::Read;          // the step that ended it: the last one when all went well
    ExchangeOutcome outcome = ExchangeOutcome::Ok; // of that step's exchange (PortUnavailable: no port was had)
    QString reason;                                // the system's reason, where there is one
    QString device;                                // the one device every step used
    RadioImage image;                              // read: the image received; write: the image written
    QString backupPath;                            // the backup kept, when one was
    QString backupFailure;                         // why no backup could be kept (KeepBackup, or keepEveryRead)
    QList<FieldDifference> differences;            // VerifyRead: the fields the radio holds differently

    // Every step went through, and the radio holds what was written.
    [[nodiscard]] bool succeeded() const
    {
        return outcome == ExchangeOutcome::Ok && step != SessionStep::KeepBackup && differences.isEmpty();
    }
};

// One run with one radio over the one port: a read, or a write with an
// optional backup read before it and an optional read-back after it. The
// device is resolved once per run and the port (with its device claim) is held
// from the first exchange to the last, so every step, message, backup and
// report names the same device. Ends with one finished().
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
    // Starts a run; over a running one, that one ends Superseded first.
    void read(const SessionOptions &options = {});
    void write(const RadioImage &image, const SessionOptions &options = {});
    // Lets go of the port: now when no run is going, else when the run ends.
    void releasePort();

    [[nodiscard]] bool isRunning() const { return m_running; }
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
    // The run ended, once per read() or write().
    void finished(const kav::SessionResult &result);

private:
    void start(SessionStep first, const SessionOptions &options, const RadioImage &image);
    void runStep(SessionStep step);
    void onExchangeFinished(const ExchangeResult &result);
    void end(ExchangeOutcome outcome, const QString &reason = {});

    PortHolder &m_port;
    PortResolver m_resolver;
    ProgrammingExchange m_exchange;
    SessionOptions m_options;
    SessionResult m_result;
    SessionStep m_step = SessionStep::Read;
    QString m_device;
    bool m_running = false;
    bool m_releaseAtEnd = false;
};

} // namespace kav
