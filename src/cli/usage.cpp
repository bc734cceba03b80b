#include "cli/usage.h"

#include "cli/commands.h"
#include "cli/consoleoutput.h"
#include "cli/exitcodes.h"
#include "common/safefile.h"
#include "common/shownpath.h"

namespace kav::cli {

namespace {

// What differs between the systems: the port COM N is without comport.map,
// how the backups folder is written, and what ends a run.
#ifdef Q_OS_WIN
constexpr char kDefaultPort[] = "COMN";
constexpr char kBackupsFolder[] = "backups\\";
constexpr char kInterruption[] = "interrupted by Ctrl+C (130), Ctrl+Break or closing the\n"
                                 "           console (143): every port closed";
#else
constexpr char kDefaultPort[] = "/dev/ttyS(N-1)";
constexpr char kBackupsFolder[] = "backups/";
constexpr char kInterruption[] = "interrupted by SIGINT or SIGTERM: every port closed, its locks gone";
#endif

constexpr qsizetype kWidth = 80;         // of a line of help
constexpr qsizetype kSummaryColumn = 34; // where what a command does starts
constexpr qsizetype kContinuation = 8;   // indent of a synopsis's further lines

// The synopsis's items after indent, on lines of at most kWidth.
QStringList wrapped(const QString &indent, const QStringList &items)
{
    QStringList lines{indent};
    for (const QString &item : items) {
        QString &line = lines.last();
        if (line.trimmed().isEmpty())
            line += item;
        else if (line.size() + 1 + item.size() <= kWidth)
            line += QLatin1Char(' ') + item;
        else
            lines.append(QString(kContinuation, QLatin1Char(' ')) + item);
    }
    return lines;
}

// A command's lines in --help: its synopsis, wrapped, and beside it (when it
// fits) or under it what it does.
QStringList commandLines(const Command &command)
{
    QStringList lines = wrapped(QStringLiteral("  "), synopsisItems(command));
    QStringList summary = command.summary;
    if (lines.size() == 1 && lines.constFirst().size() < kSummaryColumn && !summary.isEmpty())
        lines.last() = lines.constLast().leftJustified(kSummaryColumn) + summary.takeFirst();
    for (const QString &line : std::as_const(summary))
        lines.append(QString(kSummaryColumn, QLatin1Char(' ')) + line);
    return lines;
}

QString commandsBlock()
{
    QStringList lines;
    for (const Command &command : commands())
        lines += commandLines(command);
    lines.append(QStringLiteral("  ").append(optionFlag(Option::Help)).leftJustified(kSummaryColumn) +
                 QStringLiteral("this text"));
    return lines.join(QLatin1Char('\n'));
}

struct ExitCodeHelp
{
    const char *codes;
    const char *text; // its further lines indented by five spaces
};

constexpr ExitCodeHelp kExitCodeHelp[] = {
    {"0", "success"},
    {"1", "diff: a radio holds another plan than the file"},
    {"2", "usage: the command line is wrong"},
    {"3", "file refused: a plan, CSV, PDF or trace file could not be read or written,\n"
          "or the result could not be written to standard output"},
    {"4", "port unavailable: a serial port could not be opened, or another\n"
          "program holds the device (under any of its names)"},
    {"5", "radio not answering: no answer within 1000 ms"},
    {"6", "communication error: wrong acknowledge or checksum, or the port failed"},
    {"7", "write refused: the radio did not accept the written block"},
    {"8", "verify mismatch: the radio read back something else than was written"},
    {"9", "backup failed: the radio's plan could not be read or kept before\n"
          "writing; that radio was not written"},
};

QString exitCodesBlock()
{
    QStringList lines;
    for (const ExitCodeHelp &entry : kExitCodeHelp) {
        const QString text = QString::fromUtf8(entry.text).replace(QLatin1Char('\n'), QStringLiteral("\n     "));
        lines.append(QStringLiteral("  %1  %2").arg(QLatin1String(entry.codes), text));
    }
    lines.append(QStringLiteral("  130, 143  ") + QLatin1String(kInterruption));
    return lines.join(QLatin1Char('\n'));
}

} // namespace

QString usageText()
{
    return QStringLiteral("Usage: kavrilink-cli COMMAND [OPTIONS]\n"
                          "Programs the KV-7719NEW mobile radio (38.000-42.300 MHz) over a serial line.\n"
                          "\n"
                          "Commands:\n"
                          "%1\n"
                          "\n"
                          "--com N uses COM N as the window does: comport.map in the application\n"
                          "folder, else %2. Messages go to standard error, results to\n"
                          "standard output; control characters they quote are shown escaped (\\x1B).\n"
                          "\n"
                          "write keeps what each radio held in the application folder's %3\n"
                          "(or --backup-dir DIR) as DEVICE-YYYYmmdd-HHMMSS.sav before writing it;\n"
                          "--no-backup skips that read. --verify reads each radio back and names the\n"
                          "fields that differ. --skip-unchanged reads each radio first and writes\n"
                          "nothing to one that already holds the plan. Every write that sent the plan\n"
                          "is recorded in the application folder's history.csv, which history prints.\n"
                          "--trace FILE saves every byte on the line, a block per exchange and device,\n"
                          "also after a failure.\n"
                          "\n"
                          "Exit codes:\n"
                          "%4\n"
                          "With several devices the exit code is that of the first device that failed.\n")
        .arg(commandsBlock(), QLatin1String(kDefaultPort), QLatin1String(kBackupsFolder), exitCodesBlock());
}

QString commandUsageText(const Command &command)
{
    QStringList lines = wrapped(QStringLiteral("Usage: kavrilink-cli"), synopsisItems(command));
    lines += command.summary.join(QLatin1Char(' '));
    lines += QString();
    lines += QStringLiteral("Options:");
    QList<OptionUse> uses;
    for (const OptionGroup &group : command.groups)
        uses += group.alternatives;
    uses.append({Option::Help});
    for (const OptionUse &use : std::as_const(uses)) {
        const OptionDefinition &definition = optionDefinition(use.option);
        QStringList flags;
        for (const QString &name : definition.names)
            flags.append((name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name);
        QString left = QStringLiteral("  ") + flags.join(QStringLiteral(", "));
        const QString valueName = use.valueName.isEmpty() ? definition.valueName : use.valueName;
        if (!valueName.isEmpty())
            left += QLatin1Char(' ') + valueName;
        const QString description = use.description.isEmpty() ? definition.description : use.description;
        lines += left.size() < kSummaryColumn - 1
                     ? left.leftJustified(kSummaryColumn) + description
                     : left + QLatin1Char('\n') + QString(kSummaryColumn, QLatin1Char(' ')) + description;
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

int usageError(const QString &problem)
{
    printError(QStringLiteral("kavrilink-cli: ") + problem);
    printError(QStringLiteral("Try 'kavrilink-cli --help'."));
    return ExitUsage;
}

int refuseSameFile(const QString &option, const QString &output, const QString &what, const QString &input)
{
    if (output.isEmpty() || input.isEmpty() || !isSameFile(output, input))
        return ExitOk;
    return usageError(QStringLiteral("%1 %2 is the same file as %3 %4, which it would replace; give another name")
                          .arg(option, shownPath(output), what, shownPath(input)));
}

} // namespace kav::cli
