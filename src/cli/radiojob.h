#pragma once

#include "link/linetrace.h"
#include "link/programmingexchange.h"
#include "link/qtserialservice.h"
#include "radio/channelplan.h"
#include "radio/radioimage.h"

#include <QObject>

#include <memory>

namespace kav::cli {

// One radio on one serial port: reads it, or writes a plan to it (after
// keeping what it held as a backup) and optionally reads it back, through the
// same engine as the window. Every exchange's bytes go into its line trace.
class RadioJob : public QObject
{
    Q_OBJECT

public:
    enum class Kind { Read, Write };

    // device: an explicit device path, or empty to use COM comNumber as the window does.
    RadioJob(Kind kind, const QString &device, int comNumber, QObject *parent = nullptr);
    ~RadioJob() override;

    // The plan to write (its image as read from a file); before start().
    void setPlan(const RadioImage &image) { m_plan = image; }
    void setVerify(bool verify) { m_verify = verify; }
    // Before a write: read the radio and keep its plan in folder first; empty for no backup.
    void setBackupFolder(const QString &folder) { m_backupFolder = folder; }

    void start();
    // Stops the job at once with exitCode (a signal's): the port is closed and done() is sent.
    void interrupt(int exitCode);

    // What the user knows the port as.
    QString name() const { return m_name; }
    // The phase of the exchange, for a progress display.
    QString progress() const;
    bool finished() const { return m_finished; }
    int exitCode() const { return m_exitCode; }
    // The last error message, empty on success.
    QString failure() const { return m_failure; }
    // After a read: the plan as received, and as the window shows it.
    const RadioImage &receivedImage() const { return m_receivedImage; }
    PlanFields fieldTexts() const;
    // The bytes of this job's exchanges, each block labelled "Read <device>" or "Write <device>".
    const LineTrace &trace() const { return m_trace; }

Q_SIGNALS:
    void progressed();
    void done();

private:
    // What the exchange under way is for.
    enum class Phase { Read, Backup, Write, Verify };

    void onExchangeProgressed(LinkState state, int blockBytes);
    void onExchangeFinished(const ExchangeResult &result);
    void onBackupRead(const ExchangeResult &result);
    void onRead(const RadioImage &image);
    // explanation: lines printed under the message, indented.
    void fail(int code, const QString &message, const QString &detail = {}, const QString &explanation = {});
    void failExchange(int code, const QString &message, const ExchangeResult &result);
    void finish(int code, const QString &failure = {});

    Kind m_kind;
    QString m_name;
    QString m_prefix; // names the device in messages
    ProgrammingExchange::DeviceSource m_device;
    std::unique_ptr<QtSerialService> m_serial;
    RadioImage m_receivedImage; // what the last read received
    RadioImage m_sendImage;     // what the write sends
    LineTrace m_trace; // outlives the engine that feeds it
    ProgrammingExchange m_exchange;
    RadioImage m_plan;
    int m_blockBytes = 0;
    bool m_verify = false;
    QString m_backupFolder;
    Phase m_phase = Phase::Read;
    bool m_finished = false;
    int m_exitCode = 0;
    QString m_failure;
};

// The exit code of an exchange's outcome.
[[nodiscard]] int exitCodeFor(ExchangeOutcome outcome);

} // namespace kav::cli
