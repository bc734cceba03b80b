#pragma once

#include "link/programmingexchange.h"
#include "link/qtserialservice.h"
#include "radio/plandisplay.h"
#include "radio/radiodata.h"

#include <QObject>

#include <memory>

namespace kav::cli {

// One radio on one serial port: reads it, or writes a plan to it and
// optionally reads it back, through the same engine as the window.
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

    void start();
    // Stops the job at once with exitCode (a signal's): the port is closed and done() is sent.
    void interrupt(int exitCode) { finish(exitCode, QStringLiteral("interrupted")); }

    // What the user knows the port as.
    QString name() const { return m_name; }
    // The phase of the exchange, for a progress display.
    QString progress() const;
    bool finished() const { return m_finished; }
    int exitCode() const { return m_exitCode; }
    // The last error message, empty on success.
    QString failure() const { return m_failure; }
    // After a read: the plan as received, and as the window shows it.
    const RadioImage &receivedImage() const { return m_data.ReceiveImage; }
    PlanFields fieldTexts() const;

Q_SIGNALS:
    void progressed();
    void done();

private:
    void onExchangeProgressed(LinkState state, int blockBytes);
    void onExchangeFinished(const ExchangeResult &result);
    void onRead(const RadioImage &image);
    void fail(int code, const QString &message, const QString &detail = {});
    void finish(int code, const QString &failure = {});

    Kind m_kind;
    QString m_name;
    QString m_prefix; // names the device in messages
    std::unique_ptr<QtSerialService> m_serial;
    RadioData m_data;
    ProgrammingExchange m_exchange;
    RadioImage m_plan;
    int m_blockBytes = 0;
    bool m_verify = false;
    bool m_verifying = false;
    bool m_finished = false;
    int m_exitCode = 0;
    QString m_failure;
};

// The exit code of an exchange's outcome.
[[nodiscard]] int exitCodeFor(ExchangeOutcome outcome);

} // namespace kav::cli
