#pragma once

#include "cli/clidialogs.h"
#include "link/programmingexchange.h"
#include "link/qtserialservice.h"
#include "radio/plantexts.h"
#include "radio/radiodata.h"

#include <QObject>

#include <memory>

namespace kav::cli {

// One radio on one serial port: reads it, or writes a plan to it and
// optionally reads it back, through the same exchange as the window.
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
    // After a read: the plan as received.
    const RadioImage &receivedImage() const { return m_data.ReceiveImage; }
    const PlanTexts &sheet() const { return m_sheet; }

Q_SIGNALS:
    void progressed();
    void done();

private:
    void startRead();
    void onRead();
    void onWritten();
    void onFailed(const QString &message);
    void onAbandoned();
    void finish(int code, const QString &failure = {});

    Kind m_kind;
    QString m_name;
    std::unique_ptr<QtSerialService> m_serial;
    RadioData m_data;
    PlanTexts m_sheet;
    CliDialogs m_dialogs;
    ProgrammingExchange m_exchange;
    RadioImage m_plan;
    bool m_verify = false;
    bool m_verifying = false;
    bool m_finished = false;
    int m_exitCode = 0;
    QString m_failure;
};

// The exit code for a message of the exchange or the encoder.
int exitCodeForMessage(const QString &message);

} // namespace kav::cli
