#include "cli/plancommands.h"

#include "cli/consoleoutput.h"
#include "cli/exitcodes.h"
#include "cli/usage.h"
#include "common/printable.h"
#include "common/shownpath.h"
#include "link/serialdevices.h"
#include "radio/decoder.h"
#include "radio/frequencyfile.h"
#include "radio/reportlines.h"
#include "report/reportpdf.h"

#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace kav::cli {

namespace {

// The image of the plan file at path, as OPEN reads it; a refused file is said.
std::optional<RadioImage> openPlan(const QString &path)
{
    std::optional<RadioImage> image = readFrequencyFile(path);
    if (!image)
        printError(QStringLiteral("This is not Saved File: ") + shownPath(path));
    return image;
}

} // namespace

QJsonObject planJson(const ChannelPlan &plan, const RadioImage &image)
{
    QJsonArray channels;
    for (int channel = 0; channel < kChannelCount; ++channel) {
        const QString &rx = plan.channels[size_t(channel)].rx;
        const QString &tx = plan.channels[size_t(channel)].tx;
        channels.append(QJsonObject{{QStringLiteral("channel"), channel + 1},
                                    {QStringLiteral("rx"), rx.isEmpty() ? QJsonValue() : QJsonValue(rx)},
                                    {QStringLiteral("tx"), tx.isEmpty() ? QJsonValue() : QJsonValue(tx)}});
    }
    return {{QStringLiteral("channels"), channels},
            {QStringLiteral("image"), QString::fromLatin1(image.toLinear().toHex())}};
}

QStringList planLines(const ChannelPlan &plan)
{
    QStringList lines;
    for (int channel = 0; channel < kChannelCount; ++channel) {
        lines.append(QStringLiteral("CH%1  RX %2  TX %3")
                         .arg(channel + 1)
                         .arg(plan.channels[size_t(channel)].rx, -9)
                         .arg(plan.channels[size_t(channel)].tx)
                         .trimmed());
    }
    return lines;
}

int runShow(const Invocation &invocation)
{
    const QString &path = invocation.operand();
    const std::optional<RadioImage> image = openPlan(path);
    if (!image)
        return ExitFileRefused;
    const ChannelPlan plan = decodePlan(*image);
    if (invocation.isSet(Option::Json)) {
        QJsonObject object = planJson(plan, *image);
        object.insert(QStringLiteral("file"), QFileInfo(path).absoluteFilePath());
        return printOut(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented)).trimmed())
                   ? ExitOk
                   : ExitFileRefused;
    }
    return printOut(planLines(plan).join(QLatin1Char('\n'))) ? ExitOk : ExitFileRefused;
}

int runReport(const Invocation &invocation)
{
    const QString &path = invocation.operand();
    if (const int same =
            refuseSameFile(optionFlag(Option::Pdf), invocation.value(Option::Pdf), QStringLiteral("the plan"), path))
        return same;
    const std::optional<RadioImage> image = openPlan(path);
    if (!image)
        return ExitFileRefused;
    // As PRINT after OPEN: the file names the sheet.
    const QStringList lines = frequencyReportLines(decodePlan(*image), QFileInfo(path).absoluteFilePath(),
                                                   QDateTime::currentDateTime(), QLocale::system());

    if (!invocation.isSet(Option::Pdf))
        return printOut(lines.join(QLatin1Char('\n'))) ? ExitOk : ExitFileRefused;
    const QString out = invocation.value(Option::Pdf);
    QString reason;
    if (!writeReportPdf(out, lines, defaultReportPdfLayout(), kReportPdfResolution, &reason)) {
        printError(QStringLiteral("Could not print the frequency report: the PDF file %1 could not be written (%2)")
                       .arg(shownPath(out), reason));
        return ExitFileRefused;
    }
    return ExitOk;
}

int runPorts(const Invocation &invocation)
{
    const QList<SerialDevice> ports = listSerialDevices();
    const auto orNull = [](const QString &text) { return text.isEmpty() ? QJsonValue() : QJsonValue(text); };
    const auto hex = [](quint16 id) {
        return id == 0 ? QJsonValue() : QJsonValue(QStringLiteral("%1").arg(id, 4, 16, QLatin1Char('0')));
    };
    if (invocation.isSet(Option::Json)) {
        QJsonArray array;
        for (const SerialDevice &port : ports) {
            array.append(QJsonObject{{QStringLiteral("device"), port.device},
                                     {QStringLiteral("byId"), orNull(port.byIdPath)},
                                     {QStringLiteral("description"), port.description},
                                     {QStringLiteral("manufacturer"), port.manufacturer},
                                     {QStringLiteral("serialNumber"), port.serialNumber},
                                     {QStringLiteral("vendorId"), hex(port.vendorId)},
                                     {QStringLiteral("productId"), hex(port.productId)}});
        }
        return printOut(QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented)).trimmed())
                   ? ExitOk
                   : ExitFileRefused;
    }
    if (ports.isEmpty())
        printError(QStringLiteral("No serial devices found."));
    for (const SerialDevice &port : ports) {
        QStringList parts{printableText(port.device)};
        for (const QString &part : {port.byIdPath, describeSerialDevice(port)}) {
            if (!part.isEmpty())
                parts.append(printableText(part));
        }
        if (!printOut(parts.join(QStringLiteral("  "))))
            return ExitFileRefused;
    }
    return ExitOk;
}

} // namespace kav::cli
