#include "radio/plancsv.h"

#include "common/printable.h"
#include "radio/decoder.h"
#include "radio/encoder.h"
#include "radio/frequencyentry.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <array>

namespace kav {

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
// The columns after Offset, written the same for every channel: no tone, FM, 12.5 kHz step.
constexpr char kFixedColumns[] = ",,88.5,88.5,023,NN,FM,12.50,,,,,,";
constexpr char kNoOffset[] = "0.000000";
constexpr int kMaxLocationDigits = 9;

const QString kBandText = QStringLiteral("a frequency in 38.0000-42.3000 MHz on the 12.5 kHz raster");

// The six-decimal CSV form of a checked field text ("40.0125" -> "40.012500").
QByteArray csvFrequency(const QString &fieldText)
{
    return fieldText.toLatin1() + "00";
}

QString quoted(const QString &value)
{
    return value.isEmpty() ? QStringLiteral("an empty field")
                           : QLatin1Char('\'') + printableText(value) + QLatin1Char('\'');
}

struct Record
{
    int row = 0;
    QStringList fields;

    bool isBlank() const
    {
        return std::all_of(fields.cbegin(), fields.cend(), [](const QString &f) { return f.trimmed().isEmpty(); });
    }
    QString field(int column) const { return column >= 0 && column < fields.size() ? fields.at(column) : QString(); }
};

// Splits text into records as RFC 4180 has them: fields apart at commas,
// records at CRLF, LF or CR, a field that starts with '"' runs to the next
// lone '"' ("" inside is one quote mark) and may hold commas and line ends.
std::optional<QList<Record>> splitRecords(const QString &text, CsvProblem *problem)
{
    QList<Record> records;
    Record record{1, {}};
    QString field;
    bool inQuotes = false;
    bool afterQuote = false;
    const auto endField = [&] {
        record.fields.append(field);
        field.clear();
        afterQuote = false;
    };
    const auto endRecord = [&] {
        endField();
        records.append(record);
        record = Record{record.row + 1, {}};
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (inQuotes) {
            if (c != u'"') {
                field += c;
            } else if (i + 1 < text.size() && text.at(i + 1) == u'"') {
                field += c;
                ++i;
            } else {
                inQuotes = false;
                afterQuote = true;
            }
        } else if (c == u',') {
            endField();
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
            endRecord();
        } else if (afterQuote) {
            *problem = {record.row,
                        {},
                        QStringLiteral("text after the closing quote of field %1").arg(record.fields.size() + 1)};
            return std::nullopt;
        } else if (c == u'"' && field.isEmpty()) {
            inQuotes = true;
        } else {
            field += c;
        }
    }
    if (inQuotes) {
        *problem = {record.row, {}, QStringLiteral("a quoted field is not closed")};
        return std::nullopt;
    }
    if (!field.isEmpty() || !record.fields.isEmpty() || afterQuote)
        endRecord(); // the last line without a line end
    return records;
}

// A Location: blanks around ASCII digits.
std::optional<int> parseLocation(const QString &text)
{
    const QString digits = text.trimmed();
    if (digits.isEmpty() || digits.size() > kMaxLocationDigits)
        return std::nullopt;
    int value = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

const QString kLocation = QStringLiteral("Location");
const QString kFrequency = QStringLiteral("Frequency");
const QString kDuplex = QStringLiteral("Duplex");
const QString kOffset = QStringLiteral("Offset");

// Where the columns read are, found by header name in any case; -1 for none.
struct Columns
{
    int location = -1;
    int frequency = -1;
    int duplex = -1;
    int offset = -1;

    static Columns of(const Record &header)
    {
        const auto columnOf = [&header](const QString &name) {
            for (int i = 0; i < header.fields.size(); ++i) {
                if (header.fields.at(i).trimmed().compare(name, Qt::CaseInsensitive) == 0)
                    return i;
            }
            return -1;
        };
        return {columnOf(kLocation), columnOf(kFrequency), columnOf(kDuplex), columnOf(kOffset)};
    }
};

// A column read here that the header names twice, which would leave it open
// which one holds the value; other columns may repeat, they are not read.
std::optional<CsvProblem> repeatedColumn(const Record &header)
{
    for (const QString &name : {kLocation, kFrequency, kDuplex, kOffset}) {
        QList<int> at;
        for (int i = 0; i < header.fields.size(); ++i) {
            if (header.fields.at(i).trimmed().compare(name, Qt::CaseInsensitive) == 0)
                at.append(i + 1);
        }
        if (at.size() > 1) {
            return CsvProblem{
                header.row, name,
                QStringLiteral("the header names this column twice (fields %1 and %2)").arg(at.at(0)).arg(at.at(1))};
        }
    }
    return std::nullopt;
}

// The RX and TX field texts of one channel, as the window would show them after its entry check.
struct ChannelTexts
{
    QString rx;
    QString tx;
};

std::optional<ChannelTexts> channelTexts(const Record &record, const Columns &columns, CsvProblem &why)
{
    const auto refuse = [&](const QString &column, const QString &reason) {
        why = {record.row, column, reason};
        return std::nullopt;
    };
    const QString frequency = record.field(columns.frequency);
    const std::optional<double> rx = checkFrequencyEntry(frequency, kMinFreqMHz, kMaxFreqMHz);
    if (!rx)
        return refuse(kFrequency, QStringLiteral("%1 is not %2").arg(quoted(frequency), kBandText));
    const QString rxText = formatFrequencyText(*rx);

    const QString duplex = record.field(columns.duplex).trimmed().toLower();
    const QString offset = record.field(columns.offset);
    if (duplex.isEmpty())
        return ChannelTexts{rxText, rxText};
    if (duplex == u"off")
        return ChannelTexts{rxText, {}};
    if (duplex == u"split") {
        const std::optional<double> tx = checkFrequencyEntry(offset, kMinFreqMHz, kMaxFreqMHz);
        if (!tx) {
            return refuse(
                kOffset,
                QStringLiteral("%1 is not %2 (the TX frequency of a split channel)").arg(quoted(offset), kBandText));
        }
        return ChannelTexts{rxText, formatFrequencyText(*tx)};
    }
    if (duplex == u"+" || duplex == u"-") {
        // The shift is a size; its direction is Duplex alone, so a sign cannot turn it round.
        const QString size = offset.trimmed();
        if (size.startsWith(u'+') || size.startsWith(u'-')) {
            return refuse(kOffset, QStringLiteral("%1 has a sign; the offset is the size of the shift, Duplex gives "
                                                  "its direction")
                                       .arg(quoted(offset)));
        }
        const std::optional<double> shift = convertFrequencyText(offset);
        if (!shift)
            return refuse(kOffset, QStringLiteral("%1 is not a number").arg(quoted(offset)));
        const double tx = duplex == u"+" ? *rx + *shift : *rx - *shift;
        if (!isAcceptedFrequency(tx, kMinFreqMHz, kMaxFreqMHz)) {
            return refuse(kOffset, QStringLiteral("the TX frequency %1 %2 %3 MHz is not %4")
                                       .arg(rxText, duplex, printableText(size), kBandText));
        }
        return ChannelTexts{rxText, formatFrequencyText(tx)};
    }
    return refuse(
        kDuplex, QStringLiteral("%1 is not one of: empty, +, -, split, off").arg(quoted(record.field(columns.duplex))));
}

// The text of the file: without a byte-order mark, refused when it is too
// large, holds NUL bytes (a binary file) or is not UTF-8.
std::optional<QString> decodeText(QByteArrayView bytes, CsvProblem &why)
{
    if (bytes.size() > kMaxPlanCsvBytes) {
        why = {0, {}, QStringLiteral("the file is larger than %1 KiB").arg(kMaxPlanCsvBytes / 1024)};
        return std::nullopt;
    }
    if (bytes.startsWith(kByteOrderMark))
        bytes = bytes.sliced(3);
    if (bytes.contains('\0')) {
        why = {0, {}, QStringLiteral("the file holds NUL bytes; it is not a CSV text file")};
        return std::nullopt;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError()) {
        why = {0, {}, QStringLiteral("the file is not UTF-8 text")};
        return std::nullopt;
    }
    return text;
}

} // namespace

QString CsvProblem::text() const
{
    if (row > 0 && !column.isEmpty())
        return QStringLiteral("row %1, column %2: %3").arg(row).arg(column, reason);
    if (row > 0)
        return QStringLiteral("row %1: %2").arg(row).arg(reason);
    return reason;
}

QDebug operator<<(QDebug debug, const CsvProblem &problem)
{
    const QDebugStateSaver saver(debug);
    debug.nospace() << "CsvProblem(" << problem.text() << ')';
    return debug;
}

std::optional<QByteArray> formatPlanCsv(const RadioImage &image, QString *reason)
{
    const auto refuse = [reason](const QString &why) {
        if (reason)
            *reason = why;
        return std::nullopt;
    };

    // The texts the window shows for this image, checked as the window checks them.
    const ChannelPlan plan = decodePlan(image);
    for (const PlanField field : kEntryOrder) {
        const QString &text = plan[field];
        if (!text.isEmpty() && !checkFrequencyEntry(text, kMinFreqMHz, kMaxFreqMHz))
            return refuse(QStringLiteral("%1 %2 is not %3").arg(fieldName(field), text, kBandText));
    }
    // Only digits that encode back to themselves make a file that imports to the same bytes.
    RadioImage encoded;
    if (encodeSheet(encoded, plan) || encoded != image)
        return refuse(QStringLiteral("the plan's bytes are not the digits of its frequencies"));

    QByteArray csv = QByteArray(kPlanCsvHeader) + "\r\n";
    int rows = 0;
    for (int channel = 0; channel < kChannelCount; ++channel) {
        const QString &rx = plan.channels[size_t(channel)].rx;
        const QString &tx = plan.channels[size_t(channel)].tx;
        const int number = channel + 1; // CH1 is Location 1
        if (rx.isEmpty() && tx.isEmpty())
            continue;
        if (rx.isEmpty())
            return refuse(
                QStringLiteral("CH%1 has a TX frequency but no RX frequency, which a CSV row cannot hold").arg(number));
        QByteArray duplex;
        QByteArray offset = kNoOffset;
        if (tx.isEmpty()) {
            duplex = "off";
        } else if (tx != rx) {
            duplex = "split";
            offset = csvFrequency(tx);
        }
        csv += QByteArray::number(number) + ",CH" + QByteArray::number(number) + ',' + csvFrequency(rx) + ',' + duplex +
               ',' + offset + kFixedColumns + "\r\n";
        ++rows;
    }
    if (rows == 0)
        return refuse(QStringLiteral("the plan holds no channel"));
    return csv;
}

std::optional<RadioImage> parsePlanCsv(QByteArrayView bytes, CsvProblem *problem)
{
    CsvProblem ignored;
    CsvProblem &why = problem ? *problem : ignored;
    const auto refuse = [&why](int row, const QString &column, const QString &reason) {
        why = {row, column, reason};
        return std::nullopt;
    };

    const std::optional<QString> text = decodeText(bytes, why);
    if (!text)
        return std::nullopt;
    std::optional<QList<Record>> split = splitRecords(*text, &why);
    if (!split)
        return std::nullopt;
    QList<Record> records = std::move(*split);
    records.removeIf([](const Record &r) { return r.isBlank(); });
    if (records.isEmpty())
        return refuse(0, {}, QStringLiteral("the file is empty"));

    const Record header = records.takeFirst();
    if (const std::optional<CsvProblem> repeated = repeatedColumn(header)) {
        why = *repeated;
        return std::nullopt;
    }
    const Columns columns = Columns::of(header);
    for (const auto &[column, name] : {std::pair{columns.location, kLocation}, {columns.frequency, kFrequency}}) {
        if (column < 0)
            return refuse(header.row, {}, QStringLiteral("the header has no column %1").arg(name));
    }
    if (records.isEmpty())
        return refuse(0, {}, QStringLiteral("the file holds no channel"));

    // CHIRP's files often count from 0; the lowest Location says which.
    QList<int> locations;
    for (const Record &record : std::as_const(records)) {
        const QString field = record.field(columns.location);
        const std::optional<int> location = parseLocation(field);
        if (!location)
            return refuse(record.row, kLocation, QStringLiteral("%1 is not a whole number").arg(quoted(field)));
        locations.append(*location);
    }
    const int first = *std::min_element(locations.cbegin(), locations.cend()) == 0 ? 0 : 1;

    ChannelPlan plan;
    std::array<bool, kChannelCount> seen{};
    for (qsizetype i = 0; i < records.size(); ++i) {
        const Record &record = records.at(i);
        const int channel = locations.at(i) - first; // 0 for CH1
        if (channel < 0 || channel >= kChannelCount) {
            return refuse(
                record.row, kLocation,
                QStringLiteral("%1 is not a channel (1-3, or 0-2 in a file that starts at 0)").arg(locations.at(i)));
        }
        if (seen[size_t(channel)])
            return refuse(record.row, kLocation, QStringLiteral("%1 is given twice").arg(locations.at(i)));
        seen[size_t(channel)] = true;

        const std::optional<ChannelTexts> texts = channelTexts(record, columns, why);
        if (!texts)
            return std::nullopt;
        plan.channels[size_t(channel)] = {texts->rx, texts->tx};
    }

    RadioImage image;
    if (encodeSheet(image, plan)) // cannot happen for checked values; never write a wrong plan
        return refuse(0, {}, QStringLiteral("the plan cannot be encoded"));
    return image;
}

std::optional<RadioImage> readPlanCsv(QIODevice *device, CsvProblem *problem)
{
    return parsePlanCsv(device->read(kMaxPlanCsvBytes + 1), problem);
}

std::optional<RadioImage> readPlanCsv(const QString &path, CsvProblem *problem)
{
    CsvProblem ignored;
    CsvProblem &why = problem ? *problem : ignored;
    if (!QFileInfo(path).isFile()) {
        why = {0, {}, QFileInfo::exists(path) ? QStringLiteral("not a regular file") : QStringLiteral("no such file")};
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        why = {0, {}, file.errorString()};
        return std::nullopt;
    }
    const QByteArray bytes = file.read(kMaxPlanCsvBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        why = {0, {}, file.errorString()}; // a read error is not the end of the file
        return std::nullopt;
    }
    return parsePlanCsv(bytes, &why);
}

} // namespace kav
