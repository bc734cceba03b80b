#pragma once

#include "cli/exitcodes.h"
#include "link/linetrace.h"
#include "link/portholder.h"
#include "link/programmingsession.h"
#include "link/systemserialservice.h"
#include "radio/channelplan.h"
#include "radio/radioimage.h"

#include <QObject>

#include <memory>

namespace kav::cli {

// One radio on one serial port for the command line: a programming session
// (a read, or a write with its backup and read-back) whose result becomes
// lines on standard error and an exit code. Every exchange's bytes go into its
// line trace.
class RadioJob : public QObject
{
    Q_OBJECT

public:
    enum class Kind { Read, Write };

    // device: an explicit device path, or empty to use COM comNumber as the window does.
    RadioJob(Kind kind, const QString &device, int comNumber, QObject *parent = nullptr);
    ~RadioJob() override;

    // The image to write, encoded as the sheet would send it; before start().
    void setPlan(const RadioImage &image) { m_plan = image; }
    void setVerify(bool verify) { m_options.verifyAfterWrite = verify; }
    // Before a write: read the radio first and write nothing when it already holds the plan.
    void setSkipUnchanged(bool skip) { m_options.skipUnchanged = skip; }
    // A write that sends 0xF0 is recorded in history (null: there is none,
    // for problem), naming planFile; a record that cannot be kept is said on
    // standard error after the job's result.
    void setHistory(const ProgrammingHistory *history, const QString &problem, const QString &planFile);
    // Before a write: read the radio and keep its plan in folder first; empty for no backup.
    void setBackupFolder(const QString &folder);

    void start();
    // Stops the job at once with exitCode (a signal's): the port is closed and done() is sent.
    void interrupt(int exitCode);

    // What the user knows the port as: the device, or "COMn (device)" once resolved.
    QString name() const;
    // The step of the session, for a progress display.
    QString progress() const;
    bool finished() const { return m_finished; }
    int exitCode() const { return m_exitCode; }
    // The last error message, empty on success.
    QString failure() const { return m_failure; }
    // What the job came to, as its result line says it after "<device>: ":
    // "written", "written and verified", "unchanged, nothing written",
    // "failed: <message>", "interrupted", "interrupted after the radio
    // accepted the plan (not verified)".
    QString resultText() const;
    // After a read: the plan as received, and as the window shows it.
    const RadioImage &receivedImage() const { return m_receivedImage; }
    ChannelPlan plan() const;
    // The bytes of this job's exchanges, each block labelled "Read <device>" or "Write <device>".
    const LineTrace &trace() const { return m_trace; }

Q_SIGNALS:
    void progressed();
    void done();

private:
    void onSessionFinished(const SessionResult &result);
    // The result as lines on standard error and an exit code.
    void report(const SessionResult &result);
    // explanation: lines printed under the message, indented.
    void fail(int code, const QString &message, const QString &detail = {}, const QString &explanation = {});
    void finish(int code, const QString &failure = {});

    Kind m_kind;
    QString m_explicitDevice;
    int m_com = 0;
    QString m_prefix; // names the port in messages
    SystemSerialService m_serial;
    PortHolder m_port{m_serial};
    LineTrace m_trace; // outlives the session that feeds it
    ProgrammingSession m_session;
    std::unique_ptr<BackupStore> m_backups;
    SessionOptions m_options;
    RadioImage m_receivedImage; // what the read received
    RadioImage m_plan;
    int m_blockBytes = 0;
    SessionVerdict m_verdict = SessionVerdict::Interrupted;
    bool m_writeSent = false; // 0xF0 went out
    QString m_historyProblem; // why there is no history to record in
    bool m_finished = false;
    int m_exitCode = 0;
    int m_interruptCode = ExitInterrupted;
    QString m_failure;
};

// The exit code of a session's verdict (ExitInterrupted for an interrupted
// one: the job exits with its signal's code).
[[nodiscard]] int exitCodeFor(SessionVerdict verdict);

} // namespace kav::cli
