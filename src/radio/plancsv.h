#pragma once

#include "radio/radioimage.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDebug>
#include <QString>

#include <optional>

class QIODevice;

namespace kav {

// The plan as a CSV file in CHIRP's generic layout, which spreadsheets and
// CHIRP read: one row per non-empty channel, CRLF line ends.
inline constexpr char kPlanCsvHeader[] = "Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,DtcsCode,"
                                         "DtcsPolarity,Mode,TStep,Skip,Comment,URCALL,RPT1CALL,RPT2CALL,DVCODE";

// The most a plan CSV may hold. Three rows take a few hundred bytes; a larger
// file is refused after reading just past this, so a huge or endless one costs little.
inline constexpr qsizetype kMaxPlanCsvBytes = 64 * 1024;

// Why a CSV was refused: the row (1 is the header; 0 for the file as a whole),
// the column as the header names it (empty for the row as a whole) and the reason.
struct CsvProblem
{
    int row = 0;
    QString column;
    QString reason;

    // "row 3, column Frequency: <reason>", "row 3: <reason>" or the reason alone.
    QString text() const;

    friend bool operator==(const CsvProblem &a, const CsvProblem &b)
    {
        return a.row == b.row && a.column == b.column && a.reason == b.reason;
    }
};

QDebug operator<<(QDebug debug, const CsvProblem &problem);

// The CSV of image. Every non-empty channel must hold digits of a frequency
// that passes the entry check, and a channel with a TX frequency needs an RX
// one (a CSV row cannot hold TX alone); otherwise nullopt and reason names the
// channel. An image without any channel is refused too.
[[nodiscard]] std::optional<QByteArray> formatPlanCsv(const RadioImage &image, QString *reason);

// The image of a plan CSV: columns found by header name in any order (others
// ignored), RFC 4180 quoting, an optional UTF-8 byte-order mark, CRLF or LF.
// Location 1-3, or 0-2 when the lowest Location is 0; Duplex empty, "+" or "-"
// (Offset the size of the shift, without a sign), "split" (Offset the TX
// frequency) or "off" (no TX). A column read here named twice is refused.
// Fields quoted in a problem have their control characters escaped.
// Every frequency must pass the entry check. nullopt, with problem set, for
// the first value refused; channels the file does not name are empty.
[[nodiscard]] std::optional<RadioImage> parsePlanCsv(QByteArrayView bytes, CsvProblem *problem);

// Reads at most kMaxPlanCsvBytes + 1 bytes from an open device and parses them.
[[nodiscard]] std::optional<RadioImage> readPlanCsv(QIODevice *device, CsvProblem *problem);
// Reads the CSV file at path; a FIFO or device is refused rather than waited on.
[[nodiscard]] std::optional<RadioImage> readPlanCsv(const QString &path, CsvProblem *problem);

} // namespace kav
