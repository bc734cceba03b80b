#include "link/programminghistory.h"

#include "common/appfolder.h"
#include "common/safefile.h"
#include "common/shownpath.h"

#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>

namespace kav {

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr int kColumns = 24;

// A value as one CSV field: line breaks written out, quoted when it needs it.
QString csvField(QString value)
{
    value.replace(QLatin1Char('\r'), QStringLiteral("\\x0D")).replace(QLatin1Char('\n'), QStringLiteral("\\x0A"));
    if (!value.contains(QLatin1Char(',')) && !value.contains(QLatin1Char('"')) && !value.startsWith(QLatin1Char(' ')))
        return value;
    value.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return QLatin1Char('"') + value + QLatin1Char('"');
}

// The fields of one CSV line; false when its quotes do not close.
bool splitCsvLine(const QString &line, QStringList *fields)
{
    fields->clear();
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c != QLatin1Char('"')) {
                field += c;
            } else if (i + 1 < line.size() && line.at(i + 1) == QLatin1Char('"')) {
                field += c;
                ++i;
            } else {
                quoted = false;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            fields->append(field);
            field.clear();
        } else {
            field += c;
        }
    }
    fields->append(field);
    return !quoted;
}

QString unescapeBreaks(QString value)
{
    return value.replace(QStringLiteral("\\x0D"), QStringLiteral("\r"))
        .replace(QStringLiteral("\\x0A"), QStringLiteral("\n"));
}

QByteArray headerBytes()
{
    QStringList names;
    for (const QString &column : ProgrammingHistory::columns())
        names.append(csvField(column));
    return QByteArray(kByteOrderMark) + names.join(QLatin1Char(',')).toUtf8() + "\r\n";
}

} // namespace

ProgrammingHistory ProgrammingHistory::inApplicationFolder()
{
    return ProgrammingHistory(applicationFile(QString::fromLatin1(kHistoryFileName)));
}

QStringList ProgrammingHistory::columns()
{
    QStringList names{QStringLiteral("time"),
                      QStringLiteral("program"),
                      QStringLiteral("user"),
                      QStringLiteral("COM"),
                      QStringLiteral("device"),
                      QStringLiteral("adapter serial number"),
                      QStringLiteral("adapter VID:PID"),
                      QStringLiteral("adapter description"),
                      QStringLiteral("plan"),
                      QStringLiteral("SHA-256 written")};
    for (const PlanField field : kPlanFields)
        names.append(QStringLiteral("before ") + fieldName(field));
    for (const PlanField field : kPlanFields)
        names.append(QStringLiteral("written ") + fieldName(field));
    names << QStringLiteral("backup") << QStringLiteral("outcome");
    return names;
}

QString historyLine(const HistoryRecord &record)
{
    QStringList values{record.time.toString(Qt::ISODate),
                       record.program,
                       record.user,
                       record.com > 0 ? QString::number(record.com) : QString(),
                       record.device,
                       record.adapterSerial,
                       record.adapterId,
                       record.adapterDescription,
                       record.planFile,
                       record.sha256};
    for (const PlanField field : kPlanFields)
        values.append(record.before[field]);
    for (const PlanField field : kPlanFields)
        values.append(record.written[field]);
    values << record.backupPath << record.outcome;
    for (QString &value : values)
        value = csvField(value);
    return values.join(QLatin1Char(','));
}

bool parseHistoryLine(const QString &line, HistoryRecord *record)
{
    QStringList fields;
    if (!splitCsvLine(line, &fields) || fields.size() != kColumns)
        return false;
    for (QString &field : fields)
        field = unescapeBreaks(field);
    HistoryRecord parsed;
    parsed.time = QDateTime::fromString(fields.at(0), Qt::ISODate);
    if (!parsed.time.isValid())
        return false;
    parsed.program = fields.at(1);
    parsed.user = fields.at(2);
    bool numbered = true;
    parsed.com = fields.at(3).isEmpty() ? 0 : fields.at(3).toInt(&numbered);
    if (!numbered)
        return false;
    parsed.device = fields.at(4);
    parsed.adapterSerial = fields.at(5);
    parsed.adapterId = fields.at(6);
    parsed.adapterDescription = fields.at(7);
    parsed.planFile = fields.at(8);
    parsed.sha256 = fields.at(9);
    for (std::size_t i = 0; i < kPlanFields.size(); ++i) {
        parsed.before[kPlanFields[i]] = fields.at(10 + int(i));
        parsed.written[kPlanFields[i]] = fields.at(16 + int(i));
    }
    parsed.backupPath = fields.at(22);
    parsed.outcome = fields.at(23);
    *record = parsed;
    return true;
}

bool ProgrammingHistory::append(const HistoryRecord &record, QString *reason) const
{
    if (!makeFolder(QFileInfo(m_path).path(), reason))
        return false;
    const QByteArray line = historyLine(record).toUtf8() + "\r\n";
    return appendToFile(
        m_path,
        [&line](qint64 size, char last) {
            if (size == 0)
                return headerBytes() + line;
            // A line torn by a power loss stays on its own.
            return last == '\n' ? line : "\r\n" + line;
        },
        reason);
}

bool ProgrammingHistory::ensureExists(QString *reason) const
{
    if (!makeFolder(QFileInfo(m_path).path(), reason))
        return false;
    return appendToFile(
        m_path, [](qint64 size, char) { return size == 0 ? headerBytes() : QByteArray(); }, reason);
}

HistoryRead ProgrammingHistory::read() const
{
    HistoryRead result;
    QFile file(m_path);
    if (!file.exists())
        return result;
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = shownPath(m_path) + QStringLiteral(": ") + file.errorString();
        return result;
    }
    QByteArray bytes = file.readAll();
    if (bytes.startsWith(kByteOrderMark))
        bytes.remove(0, 3);
    QList<QByteArray> lines = bytes.split('\n');
    // What follows the last line end is a line torn before its end was written.
    if (!lines.isEmpty()) {
        if (!lines.constLast().isEmpty())
            ++result.skippedLines;
        lines.removeLast();
    }
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines.at(i);
        if (line.endsWith('\r'))
            line.chop(1);
        if (i == 0 || line.isEmpty())
            continue; // the header
        HistoryRecord record;
        if (parseHistoryLine(QString::fromUtf8(line), &record))
            result.records.append(record);
        else
            ++result.skippedLines;
    }
    return result;
}

void ProgrammingHistory::identifyAdapter(const QString &device, HistoryRecord *record)
{
    // A udev name (a link) is known to the system by the device it leads to.
    const QString canonical = QFileInfo(device).canonicalFilePath();
    const QString location = canonical.isEmpty() ? device : canonical;
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &port : ports) {
        if (port.systemLocation() != location && port.portName() != device && port.systemLocation() != device)
            continue;
        record->adapterSerial = port.serialNumber();
        if (port.hasVendorIdentifier() && port.hasProductIdentifier())
            record->adapterId = QStringLiteral("%1:%2")
                                    .arg(port.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                                    .arg(port.productIdentifier(), 4, 16, QLatin1Char('0'));
        record->adapterDescription = port.description();
        return;
    }
}

QString ProgrammingHistory::currentUser()
{
#ifdef Q_OS_WIN
    return qEnvironmentVariable("USERNAME");
#else
    const QString user = qEnvironmentVariable("USER");
    return user.isEmpty() ? qEnvironmentVariable("LOGNAME") : user;
#endif
}

} // namespace kav
