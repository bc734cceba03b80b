#pragma once

#include "cli/invocation.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace kav::cli {

// What an option is, once for every command that takes it.
struct OptionDefinition
{
    Option option;
    QStringList names;   // "o", "output": one letter for -o, else --output
    QString valueName;   // what its value is, "PATH"; empty for a switch
    QString description; // for a command's own --help
};

// An option as one command takes it.
struct OptionUse
{
    Option option;
    QString valueName = {};   // instead of the option's own
    QString description = {}; // instead of the option's own
};

enum class Presence {
    Required, // given once: "-o FILE.sav", "(--device PATH | --com N)"
    Optional, // at most once: "[--json]", "[--backup-dir DIR | --no-backup]"
    Repeated, // once or more: "(--device PATH | --com N)..."
};

// One place in a command's synopsis: an option, or several of which one is given.
struct OptionGroup
{
    QList<OptionUse> alternatives;
    Presence presence = Presence::Optional;
};

// A command of kavrilink-cli: its synopsis, help and run function; dispatch,
// the parser, --help and a command's own --help are made from these.
struct Command
{
    QString name;
    QString operand; // the one file it takes, "FILE.sav"; empty for none
    QList<OptionGroup> groups;
    QStringList summary;     // the lines beside (or under) the synopsis in --help
    QString operandsProblem; // the usage error for a wrong number of operands
    int (*run)(const Invocation &) = nullptr;
};

// Every option, in the order a command's own --help lists them.
[[nodiscard]] const QList<OptionDefinition> &optionDefinitions();
[[nodiscard]] const OptionDefinition &optionDefinition(Option option);
// Every command, in the order --help lists them.
[[nodiscard]] const QList<Command> &commands();
// The command called name, or null.
[[nodiscard]] const Command *findCommand(const QString &name);
// "write FILE.sav (--device PATH | --com N)... [--verify] ...", the command's synopsis.
[[nodiscard]] QStringList synopsisItems(const Command &command);

} // namespace kav::cli
