#include "cli/plancommands.h"

#include "cli/clidialogs.h"
#include "cli/exitcodes.h"
#include "cli/usage.h"
#include "radio/decoder.h"
#include "radio/frequencyfile.h"
#include "radio/frequencyreport.h"
#include "radio/plantexts.h"
#include "radio/radiodata.h"
#include "report/reportpage.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPdfWriter>
#include <QSerialPortInfo>

namespace kav::cli {

namespace {

// Reads path into data as OPEN does, showing the plan on sheet.
bool openPlan(const QString &path, RadioData &data, PlanTexts &sheet)
{
    const std::optional<RadioImage> image = ReadFrequencyFile(path);
    if (!image) {
        printError(QStringLiteral("This is not Saved File: ") + path);
        return false;
    }
    data.InitRadioData();
    data.ReceiveImage = *image;
    LoadReceivedImage(data, sheet);
    data.SheetFileName = QFileInfo(path).absoluteFilePath();
    data.SheetFromFile = 1;
    return true;
}

} // namespace

QJsonObject planJson(const PlanFields &fields, const RadioImage &image)
{
    QJsonArray channels;
    for (int channel = 1; channel <= 3; ++channel) {
        const QString &rx = fields[size_t(channel) - 1];
        const QString &tx = fields[size_t(channel) + 2];
        channels.append(QJsonObject{{QStringLiteral("channel"), channel},
                                    {QStringLiteral("rx"), rx.isEmpty() ? QJsonValue() : QJsonValue(rx)},
                                    {QStringLiteral("tx"), tx.isEmpty() ? QJsonValue() : QJsonValue(tx)}});
    }
    return {{QStringLiteral("channels"), channels},
            {QStringLiteral("image"), QString::fromLatin1(image.toLinear().toHex())}};
}

QStringList planLines(const PlanFields &fields)
{
    QStringList lines;
    for (int channel = 1; channel <= 3; ++channel) {
        lines.append(QStringLiteral("CH%1  RX %2  TX %3")
                         .arg(channel)
                         .arg(fields[size_t(channel) - 1], -9)
                         .arg(fields[size_t(channel) + 2])
                         .trimmed());
    }
    return lines;
}

int runShow(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("the *.sav file"));
    parser.addOption({QStringLiteral("json"), QStringLiteral("Print JSON.")});
    if (!parser.parse(arguments) || parser.positionalArguments().size() != 1)
        return usageError(parser.errorText().isEmpty() ? QStringLiteral("show needs one file") : parser.errorText());

    RadioData data;
    PlanTexts sheet;
    const QString path = parser.positionalArguments().constFirst();
    if (!openPlan(path, data, sheet))
        return ExitFileRefused;
    if (parser.isSet(QStringLiteral("json"))) {
        QJsonObject object = planJson(FieldTextsOf(sheet), data.ReceiveImage);
        object.insert(QStringLiteral("file"), data.SheetFileName);
        printOut(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented)).trimmed());
    } else {
        for (const QString &line : planLines(FieldTextsOf(sheet)))
            printOut(line);
    }
    return ExitOk;
}

int runReport(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("the *.sav file"));
    parser.addOption({QStringLiteral("pdf"), QStringLiteral("Write the report as a PDF page."),
                      QStringLiteral("OUT.pdf")});
    if (!parser.parse(arguments) || parser.positionalArguments().size() != 1)
        return usageError(parser.errorText().isEmpty() ? QStringLiteral("report needs one file")
                                                       : parser.errorText());

    RadioData data;
    PlanTexts sheet;
    if (!openPlan(parser.positionalArguments().constFirst(), data, sheet))
        return ExitFileRefused;
    const QStringList lines = FrequencyReportLines(sheet, data, QDateTime::currentDateTime(), QLocale::system());

    if (!parser.isSet(QStringLiteral("pdf"))) {
        for (const QString &line : lines)
            printOut(line);
        return ExitOk;
    }
    const QString out = parser.value(QStringLiteral("pdf"));
    QPdfWriter pdf(out);
    pdf.setTitle(QStringLiteral("Frequency Report"));
    pdf.setResolution(600);
    if (PaintReportPage(pdf, lines) != PaintOutcome::Painted) {
        printError(QStringLiteral("Could not print the frequency report: the PDF file %1 could not be written.")
                       .arg(out));
        return ExitFileRefused;
    }
    return ExitOk;
}

int runPorts(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("json"), QStringLiteral("Print JSON.")});
    if (!parser.parse(arguments) || !parser.positionalArguments().isEmpty())
        return usageError(parser.errorText().isEmpty() ? QStringLiteral("ports takes no arguments")
                                                       : parser.errorText());
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    if (parser.isSet(QStringLiteral("json"))) {
        QJsonArray array;
        for (const QSerialPortInfo &port : ports) {
            array.append(QJsonObject{{QStringLiteral("device"), port.systemLocation()},
                                     {QStringLiteral("description"), port.description()},
                                     {QStringLiteral("manufacturer"), port.manufacturer()},
                                     {QStringLiteral("serialNumber"), port.serialNumber()}});
        }
        printOut(QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented)).trimmed());
        return ExitOk;
    }
    if (ports.isEmpty())
        printError(QStringLiteral("No serial devices found."));
    for (const QSerialPortInfo &port : ports) {
        QStringList about;
        for (const QString &part : {port.description(), port.manufacturer()}) {
            if (!part.isEmpty())
                about.append(part);
        }
        if (!port.serialNumber().isEmpty())
            about.append(QStringLiteral("serial ") + port.serialNumber());
        printOut(about.isEmpty() ? port.systemLocation()
                                 : port.systemLocation() + QStringLiteral("  ") + about.join(QStringLiteral(", ")));
    }
    return ExitOk;
}

} // namespace kav::cli
