#include "cli/csvcommands.h"

#include "cli/consoleoutput.h"
#include "cli/exitcodes.h"
#include "cli/usage.h"
#include "common/safefile.h"
#include "common/shownpath.h"
#include "radio/frequencyfile.h"
#include "radio/plancsv.h"

#include <QFile>

#include <cstdio>

namespace kav::cli {

int runExport(const Invocation &invocation)
{
    const QString &path = invocation.operand();
    if (const int same = refuseSameFile(optionFlag(Option::Output), invocation.value(Option::Output),
                                        QStringLiteral("the plan"), path))
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

    if (!invocation.isSet(Option::Output)) {
        // As they are: the CRLF line ends go out unchanged.
        if (!writeOut(*csv, &reason)) {
            printError(QStringLiteral("Could not write the CSV to standard output (%1)").arg(reason));
            return ExitFileRefused;
        }
        return ExitOk;
    }
    const QString target = invocation.value(Option::Output);
    if (!replaceFile(target, *csv, &reason)) {
        printError(QStringLiteral("Could not save to %1 (%2)").arg(shownPath(target), reason));
        return ExitFileRefused;
    }
    printError(QStringLiteral("Saved to ") + shownPath(target));
    return ExitOk;
}

int runImport(const Invocation &invocation)
{
    if (!invocation.isSet(Option::Output))
        return usageError(QStringLiteral("import needs %1 PLAN.sav").arg(optionFlag(Option::Output)));

    const QString &path = invocation.operand();
    if (const int same = refuseSameFile(optionFlag(Option::Output), invocation.value(Option::Output),
                                        QStringLiteral("the CSV"), path))
        return same;
    CsvProblem problem;
    const std::optional<RadioImage> image = readPlanCsv(path, &problem);
    if (!image) {
        printError(QStringLiteral("Cannot import %1: %2").arg(shownPath(path), problem.text()));
        return ExitFileRefused;
    }
    const QString target = invocation.value(Option::Output);
    QString reason;
    if (!saveFrequencyFile(target, *image, &reason)) {
        printError(QStringLiteral("Could not save to %1 (%2)").arg(shownPath(target), reason));
        return ExitFileRefused;
    }
    printError(QStringLiteral("Saved to ") + shownPath(target));
    return ExitOk;
}

} // namespace kav::cli
