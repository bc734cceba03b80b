#include "cli/historycommand.h"

#include "cli/consoleoutput.h"
#include "cli/exitcodes.h"
#include "cli/usage.h"
#include "common/appfolder.h"
#include "common/printable.h"
#include "common/shownpath.h"
#include "link/programminghistory.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace kav::cli {

namespace {

// The start of --since: a date (its local midnight) or a date and time; invalid when neither.
QDateTime sinceOf(const QString &text)
{
    const QDate date = QDate::fromString(text, Qt::ISODate);
    if (date.isValid())
        return date.startOfDay();
    return QDateTime::fromString(text, Qt::ISODate);
}

// The device as the system knows it, so a by-id link and its device are one.
QString canonicalDevice(const QString &device)
{
    const QString canonical = QFileInfo(device).canonicalFilePath();
    return canonical.isEmpty() ? device : canonical;
}

// "CH1 40.0125/40.5000  CH2 -/-  CH3 -/42.3000": each channel's RX/TX, "-" for none.
QString planText(const ChannelPlan &plan)
{
    QStringList channels;
    for (int channel = 0; channel < kChannelCount; ++channel) {
        const PlanChannel &texts = plan.channels[size_t(channel)];
        channels.append(QStringLiteral("CH%1 %2/%3")
                            .arg(channel + 1)
                            .arg(texts.rx.isEmpty() ? QStringLiteral("-") : printableText(texts.rx),
                                 texts.tx.isEmpty() ? QStringLiteral("-") : printableText(texts.tx)));
    }
    return channels.join(QStringLiteral("  "));
}

QJsonValue orNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

QJsonArray planJsonOf(const ChannelPlan &plan)
{
    QJsonArray channels;
    for (int channel = 0; channel < kChannelCount; ++channel) {
        const PlanChannel &texts = plan.channels[size_t(channel)];
        channels.append(QJsonObject{{QStringLiteral("channel"), channel + 1},
                                    {QStringLiteral("rx"), orNull(texts.rx)},
                                    {QStringLiteral("tx"), orNull(texts.tx)}});
    }
    return channels;
}

QJsonObject recordJson(const HistoryRecord &record)
{
    return {{QStringLiteral("time"), record.time.toString(Qt::ISODate)},
            {QStringLiteral("program"), record.program},
            {QStringLiteral("user"), orNull(record.user)},
            {QStringLiteral("com"), record.com == 0 ? QJsonValue() : QJsonValue(record.com)},
            {QStringLiteral("device"), record.device},
            {QStringLiteral("adapterSerial"), orNull(record.adapterSerial)},
            {QStringLiteral("adapterId"), orNull(record.adapterId)},
            {QStringLiteral("adapterDescription"), orNull(record.adapterDescription)},
            {QStringLiteral("planFile"), record.planFile},
            {QStringLiteral("sha256"), record.sha256},
            {QStringLiteral("before"), planJsonOf(record.before)},
            {QStringLiteral("written"), planJsonOf(record.written)},
            {QStringLiteral("backup"), orNull(record.backupPath)},
            {QStringLiteral("outcome"), record.outcome}};
}

// A record as two lines: when, where, what and how it ended; then the plan
// written, the program and (where known) the user.
QString recordText(const HistoryRecord &record)
{
    const QString where =
        record.com == 0 ? record.device : QStringLiteral("COM%1 (%2)").arg(record.com).arg(record.device);
    const QString who = record.user.isEmpty() ? QString() : QStringLiteral(" by ") + printableText(record.user);
    return QStringLiteral("%1  %2  %3: %4\n  %5  %6%7")
        .arg(record.time.toString(Qt::ISODate), printableText(where), shownPath(record.planFile),
             printableText(record.outcome), planText(record.written), printableText(record.program), who);
}

} // namespace

int runHistory(const Invocation &invocation)
{
    QDateTime since;
    if (invocation.isSet(Option::Since)) {
        since = sinceOf(invocation.value(Option::Since));
        if (!since.isValid())
            return usageError(QStringLiteral("%1 takes a date, YYYY-MM-DD, or a date and time, YYYY-MM-DDTHH:MM:SS")
                                  .arg(optionFlag(Option::Since)));
    }
    if (invocation.isSet(Option::Device) && invocation.value(Option::Device).trimmed().isEmpty())
        return usageError(QStringLiteral("%1 needs the path of a serial device").arg(optionFlag(Option::Device)));

    QString problem;
    const QString folder = applicationFolder(&problem);
    if (folder.isEmpty()) {
        printError(QStringLiteral("No programming history: ") + problem);
        return ExitFileRefused;
    }
    const ProgrammingHistory history(QDir(folder).filePath(QString::fromLatin1(kHistoryFileName)));
    const HistoryRead read = history.read();
    if (!read.error.isEmpty()) {
        printError(QStringLiteral("Could not read the programming history %1 (%2)")
                       .arg(shownPath(history.path()), read.error));
        return ExitFileRefused;
    }
    if (read.skippedLines > 0) {
        printError(QStringLiteral("%1: %2 line(s) that are no record (a write cut short) left out")
                       .arg(shownPath(history.path()))
                       .arg(read.skippedLines));
    }

    const QString device = canonicalDevice(invocation.value(Option::Device));
    QList<HistoryRecord> shown;
    for (const HistoryRecord &record : read.records) {
        if (since.isValid() && record.time < since)
            continue;
        if (invocation.isSet(Option::Device) && record.device != invocation.value(Option::Device) &&
            canonicalDevice(record.device) != device)
            continue;
        shown.append(record);
    }
    if (invocation.isSet(Option::Json)) {
        QJsonArray array;
        for (const HistoryRecord &record : std::as_const(shown))
            array.append(recordJson(record));
        return printOut(QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented)).trimmed())
                   ? ExitOk
                   : ExitFileRefused;
    }
    if (shown.isEmpty()) {
        printError(read.records.isEmpty() ? QStringLiteral("No writes recorded in ") + shownPath(history.path())
                                          : QStringLiteral("No writes recorded that match"));
        return ExitOk;
    }
    QStringList lines;
    for (const HistoryRecord &record : std::as_const(shown))
        lines.append(recordText(record));
    return printOut(lines.join(QLatin1Char('\n'))) ? ExitOk : ExitFileRefused;
}

} // namespace kav::cli
