#include "cli/cli.h"

#include "cli/commands.h"
#include "cli/consoleoutput.h"
#include "cli/exitcodes.h"
#include "cli/usage.h"

#include <QCommandLineParser>

namespace kav::cli {

namespace {

bool isHelp(const QString &argument)
{
    return argument == optionFlag(Option::Help) || argument == QLatin1String("-h") || argument == QLatin1String("help");
}

// Parses the command's arguments by its options in the table and runs it.
int runCommand(const Command &command, const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.addOption({optionDefinition(Option::Help).names, optionDefinition(Option::Help).description});
    for (const OptionGroup &group : command.groups) {
        for (const OptionUse &use : group.alternatives) {
            const OptionDefinition &definition = optionDefinition(use.option);
            parser.addOption({definition.names, use.description.isEmpty() ? definition.description : use.description,
                              use.valueName.isEmpty() ? definition.valueName : use.valueName});
        }
    }
    // QCommandLineParser takes the program name first.
    const bool parsed = parser.parse(QStringList{QStringLiteral("kavrilink-cli")} + arguments);
    if (parsed && parser.isSet(optionDefinition(Option::Help).names.constFirst()))
        return printOut(commandUsageText(command).trimmed()) ? ExitOk : ExitFileRefused;
    const QStringList operands = parser.positionalArguments();
    if (!parsed || operands.size() != (command.operand.isEmpty() ? 0 : 1))
        return usageError(parser.errorText().isEmpty() ? command.operandsProblem : parser.errorText());
    return command.run(Invocation(parser, operands));
}

} // namespace

int runCli(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return usageError(QStringLiteral("no command given"));
    const QString &name = arguments.constFirst();
    if (isHelp(name)) {
        // "help COMMAND" is that command's own help.
        const Command *command = arguments.size() == 2 ? findCommand(arguments.at(1)) : nullptr;
        if (arguments.size() > 1 && !command)
            return usageError(QStringLiteral("unknown command '%1'").arg(arguments.mid(1).join(QLatin1Char(' '))));
        const QString text = command ? commandUsageText(*command) : usageText();
        return printOut(text.trimmed()) ? ExitOk : ExitFileRefused;
    }
    const Command *command = findCommand(name);
    if (!command)
        return usageError(QStringLiteral("unknown command '%1'").arg(name));
    return runCommand(*command, arguments.mid(1));
}

} // namespace kav::cli
