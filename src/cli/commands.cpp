#include "cli/commands.h"

#include "cli/csvcommands.h"
#include "cli/historycommand.h"
#include "cli/plancommands.h"
#include "cli/radiocommands.h"

#include <algorithm>

namespace kav::cli {

namespace {

QList<OptionDefinition> makeOptionDefinitions()
{
    return {
        {Option::Device,
         {QStringLiteral("device")},
         QStringLiteral("PATH"),
         QStringLiteral("The serial device of the radio.")},
        {Option::Com,
         {QStringLiteral("com")},
         QStringLiteral("N"),
         QStringLiteral("COM port N, as the window maps it.")},
        {Option::Output,
         {QStringLiteral("o"), QStringLiteral("output")},
         QStringLiteral("FILE"),
         QStringLiteral("The file to write.")},
        {Option::Json, {QStringLiteral("json")}, {}, QStringLiteral("Print JSON.")},
        {Option::Verify, {QStringLiteral("verify")}, {}, QStringLiteral("Read each radio back and compare.")},
        {Option::BackupDir,
         {QStringLiteral("backup-dir")},
         QStringLiteral("DIR"),
         QStringLiteral("Keep the backups here.")},
        {Option::NoBackup, {QStringLiteral("no-backup")}, {}, QStringLiteral("Do not read the radios before writing.")},
        {Option::SkipUnchanged,
         {QStringLiteral("skip-unchanged")},
         {},
         QStringLiteral("Write nothing to a radio that already holds the plan.")},
        {Option::Trace,
         {QStringLiteral("trace")},
         QStringLiteral("FILE"),
         QStringLiteral("Save the bytes on the line.")},
        {Option::Pdf,
         {QStringLiteral("pdf")},
         QStringLiteral("OUT.pdf"),
         QStringLiteral("Write the report as a PDF page.")},
        {Option::Since,
         {QStringLiteral("since")},
         QStringLiteral("DATE"),
         QStringLiteral("Only the writes on or after DATE (YYYY-MM-DD).")},
        {Option::Help, {QStringLiteral("help"), QStringLiteral("h")}, {}, QStringLiteral("This text.")},
    };
}

// The radio to use: one, or (for a fleet) one or more.
OptionGroup targets(Presence presence)
{
    return {{{Option::Device}, {Option::Com}}, presence};
}

OptionGroup optional(Option option, const QString &valueName = {}, const QString &description = {})
{
    return {{{option, valueName, description}}, Presence::Optional};
}

QList<Command> makeCommands()
{
    const QString planFile = QStringLiteral("FILE.sav");
    const QString needsFile = QStringLiteral("%1 needs one file");
    return {
        {QStringLiteral("show"),
         planFile,
         {optional(Option::Json)},
         {QStringLiteral("print the six frequencies of a plan file")},
         needsFile.arg(QStringLiteral("show")),
         runShow},
        {QStringLiteral("read"),
         {},
         {targets(Presence::Required), optional(Option::Output, planFile, QStringLiteral("Save the plan read.")),
          optional(Option::Json), optional(Option::Trace)},
         {QStringLiteral("read the plan from a radio")},
         QStringLiteral("read needs exactly one %1 or %2").arg(optionFlag(Option::Device), optionFlag(Option::Com)),
         runRead},
        {QStringLiteral("write"),
         planFile,
         {targets(Presence::Repeated),
          optional(Option::Verify),
          {{{Option::BackupDir}, {Option::NoBackup}}, Presence::Optional},
          optional(Option::SkipUnchanged),
          optional(Option::Trace)},
         {QStringLiteral("program one or several radios at once,"),
          QStringLiteral("each read first and its plan kept as a backup")},
         QStringLiteral("write needs one file and at least one %1 or %2")
             .arg(optionFlag(Option::Device), optionFlag(Option::Com)),
         runWrite},
        {QStringLiteral("diff"),
         planFile,
         {targets(Presence::Repeated), optional(Option::Json), optional(Option::Trace)},
         {QStringLiteral("read each radio and name the fields in which"), QStringLiteral("it differs from the plan")},
         QStringLiteral("diff needs one file and at least one %1 or %2")
             .arg(optionFlag(Option::Device), optionFlag(Option::Com)),
         runDiff},
        {QStringLiteral("report"),
         planFile,
         {optional(Option::Pdf)},
         {QStringLiteral("print the frequency report, as text or PDF")},
         needsFile.arg(QStringLiteral("report")),
         runReport},
        {QStringLiteral("ports"),
         {},
         {optional(Option::Json)},
         {QStringLiteral("list the serial devices and their by-id paths")},
         QStringLiteral("ports takes no arguments"),
         runPorts},
        {QStringLiteral("export"),
         planFile,
         {optional(Option::Output, QStringLiteral("FILE.csv"),
                   QStringLiteral("Write the CSV to this file instead of standard output."))},
         {QStringLiteral("write the plan as CSV in CHIRP's generic layout")},
         needsFile.arg(QStringLiteral("export")),
         runExport},
        {QStringLiteral("import"),
         QStringLiteral("FILE.csv"),
         {{{{Option::Output, planFile, QStringLiteral("Save the plan to this *.sav file.")}}, Presence::Required}},
         {QStringLiteral("save a plan from such a CSV, every value checked")},
         needsFile.arg(QStringLiteral("import")),
         runImport},
        {QStringLiteral("history"),
         {},
         {optional(Option::Device, {}, QStringLiteral("Only the writes to this device.")), optional(Option::Since),
          optional(Option::Json)},
         {QStringLiteral("print the history: a record of every write")},
         QStringLiteral("history takes no arguments"),
         runHistory},
    };
}

QString optionText(const OptionUse &use)
{
    const OptionDefinition &definition = optionDefinition(use.option);
    const QString valueName = use.valueName.isEmpty() ? definition.valueName : use.valueName;
    return valueName.isEmpty() ? optionFlag(use.option) : optionFlag(use.option) + QLatin1Char(' ') + valueName;
}

} // namespace

const QList<OptionDefinition> &optionDefinitions()
{
    static const QList<OptionDefinition> definitions = makeOptionDefinitions();
    return definitions;
}

const OptionDefinition &optionDefinition(Option option)
{
    const QList<OptionDefinition> &definitions = optionDefinitions();
    return *std::find_if(definitions.cbegin(), definitions.cend(),
                         [option](const OptionDefinition &definition) { return definition.option == option; });
}

const QList<Command> &commands()
{
    static const QList<Command> table = makeCommands();
    return table;
}

const Command *findCommand(const QString &name)
{
    const QList<Command> &table = commands();
    const auto found =
        std::find_if(table.cbegin(), table.cend(), [&name](const Command &command) { return command.name == name; });
    return found == table.cend() ? nullptr : &*found;
}

QStringList synopsisItems(const Command &command)
{
    QStringList items{command.name};
    if (!command.operand.isEmpty())
        items.append(command.operand);
    for (const OptionGroup &group : command.groups) {
        QStringList alternatives;
        for (const OptionUse &use : group.alternatives)
            alternatives.append(optionText(use));
        const QString joined = alternatives.join(QStringLiteral(" | "));
        switch (group.presence) {
        case Presence::Optional:
            items.append(QLatin1Char('[') + joined + QLatin1Char(']'));
            break;
        case Presence::Required:
            items.append(alternatives.size() == 1 ? joined : QLatin1Char('(') + joined + QLatin1Char(')'));
            break;
        case Presence::Repeated:
            items.append(alternatives.size() == 1 ? joined + QStringLiteral("...")
                                                  : QLatin1Char('(') + joined + QStringLiteral(")..."));
            break;
        }
    }
    return items;
}

QString optionFlag(Option option)
{
    const QString &name = optionDefinition(option).names.constFirst();
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

} // namespace kav::cli
