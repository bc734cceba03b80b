#pragma once

#include "radio/channelplan.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

namespace kav {

// The file in the application folder that records every write.
inline constexpr char kHistoryFileName[] = "history.csv";

// One write as the history keeps it: one row of history.csv.
struct HistoryRecord
{
    QDateTime time;  // when the write ended, with its offset from UTC
    QString program; // "kavrilink", "kavrilink-cli"
    QString user;
    int com = 0; // the COM number chosen; 0 for a device named outright
    QString device;
    QString adapterSerial;      // the adapter's serial number, where the system knows it
    QString adapterId;          // its USB "VID:PID" in hex, where known
    QString adapterDescription; // the system's description of it, where known
    QString planFile;           // the plan's file, or "sheet"
    QString sha256;             // of the 36 bytes written, in hex
    ChannelPlan before;         // the texts the radio held; all empty without a read
    ChannelPlan written;        // the texts written
    QString backupPath;
    QString outcome; // "written", "verified", "verify mismatch: ...", "refused", a failure's message, "interrupted"...
};

// What a read of the history found.
struct HistoryRead
{
    QList<HistoryRecord> records; // in the order written
    int skippedLines = 0;         // torn or malformed lines, left out
    QString error;                // why the file could not be read; empty when it could (or is missing)
};

// The programming history: a CSV file with a header row, in UTF-8 with a
// byte-order mark so that a spreadsheet opens it as it is, one line per
// record (line breaks inside a value are written as \x0A and \x0D). Records
// are only ever appended: one write call per record, under an exclusive lock
// on the file, so that the window and several command lines may append at
// once, and on the disk before append() returns. A line torn by a power loss is
// skipped when reading, and the next record starts on a line of its own.
class ProgrammingHistory
{
public:
    explicit ProgrammingHistory(QString path) : m_path(std::move(path)) {}
    // history.csv in the application folder.
    [[nodiscard]] static ProgrammingHistory inApplicationFolder();

    [[nodiscard]] QString path() const { return m_path; }

    // The header row's column names, in order.
    [[nodiscard]] static QStringList columns();

    // Appends record (the header first when the file is new). False with why.
    [[nodiscard]] bool append(const HistoryRecord &record, QString *reason) const;
    // Creates the file with its header when missing; false with why.
    [[nodiscard]] bool ensureExists(QString *reason) const;
    [[nodiscard]] HistoryRead read() const;

    // The adapter's identity as the system knows it, into record.
    static void identifyAdapter(const QString &device, HistoryRecord *record);
    // The user running the program, as the system names them.
    [[nodiscard]] static QString currentUser();

private:
    QString m_path;
};

// One record as its CSV line (without the line end), and back; false for a line that is not one.
[[nodiscard]] QString historyLine(const HistoryRecord &record);
[[nodiscard]] bool parseHistoryLine(const QString &line, HistoryRecord *record);

} // namespace kav
