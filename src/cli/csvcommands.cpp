#include "cli/csvcommands.h"

#include "cli/consoleoutput.h"
#include "cli/exitcodes.h"
#include "cli/usage.h"
#include "common/safefile.h"
#include "common/shownpath.h"
#include "radio/frequencyfile.h"
#include "radio/plancsv.h"

#include <QCommandLineParser>
#include <QFile>

#include <cstdio>

namespace kav::cli {

namespace {

const QString kOutput = QStringLiteral("o");

void addOutputOption(QCommandLineParser &parser, const QString &what, const QString &valueName)
{
    parser.addOption({{kOutput, QStringLiteral("output")}, what, valueName});
}

} // namespace

int runExport(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("the *.sav file"));
    addOutputOption(parser, QStringLiteral("Write the CSV to this file instead of standard output."),
                    QStringLiteral("FILE.csv"));
    if (!parser.parse(arguments) || parser.positionalArguments().size() != 1)
        return usageError(parser.errorText().isEmpty() ? QStringLiteral("export needs one file") : parser.errorText());

    const QString path = parser.positionalArguments().constFirst();
    if (const int same = refuseSameFile(QStringLiteral("-o"), parser.value(kOutput), QStringLiteral("the plan"), path))
        return same;
    const std::optional<RadioImage> image = readFrequencyFile(path);
    if (!image) {
        printError(QStringLiteral("This is not Saved File: ") + shownPath(path));
        return ExitFileRefused;
    }
    QString reason;
    const std::optional<QByteArray> csv = formatPlanCsv(*image, &reason);
    if (!csv) {
        printError(QStringLiteral("Cannot export %1: %2").arg(shownPath(path), reason));
        return ExitFileRefused;
    }

    if (!parser.isSet(kOutput)) {
        // As they are: the CRLF line ends go out unchanged.
        if (!writeOut(*csv, &reason)) {
            printError(QStringLiteral("Could not write the CSV to standard output (%1)").arg(reason));
            return ExitFileRefused;
        }
        return ExitOk;
    }
    const QString target = parser.value(kOutput);
    if (!replaceFile(target, *csv, &reason)) {
        printError(QStringLiteral("Could not save to %1 (%2)").arg(shownPath(target), reason));
        return ExitFileRefused;
    }
    printError(QStringLiteral("Saved to ") + shownPath(target));
    return ExitOk;
}

int runImport(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("the CSV file"));
    addOutputOption(parser, QStringLiteral("Save the plan to this *.sav file."), QStringLiteral("PLAN.sav"));
    if (!parser.parse(arguments) || parser.positionalArguments().size() != 1)
        return usageError(parser.errorText().isEmpty() ? QStringLiteral("import needs one file") : parser.errorText());
    if (!parser.isSet(kOutput))
        return usageError(QStringLiteral("import needs -o PLAN.sav"));

    const QString path = parser.positionalArguments().constFirst();
    if (const int same = refuseSameFile(QStringLiteral("-o"), parser.value(kOutput), QStringLiteral("the CSV"), path))
        return same;
    CsvProblem problem;
    const std::optional<RadioImage> image = readPlanCsv(path, &problem);
    if (!image) {
        printError(QStringLiteral("Cannot import %1: %2").arg(shownPath(path), problem.text()));
        return ExitFileRefused;
    }
    const QString target = parser.value(kOutput);
    QString reason;
    if (!saveFrequencyFile(target, *image, &reason)) {
        printError(QStringLiteral("Could not save to %1 (%2)").arg(shownPath(target), reason));
        return ExitFileRefused;
    }
    printError(QStringLiteral("Saved to ") + shownPath(target));
    return ExitOk;
}

} // namespace kav::cli
