#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <utility>

namespace kav::cli {

// Every option of kavrilink-cli; their names are in the command table.
enum class Option {
    Device,
    Com,
    Output,
    Json,
    Verify,
    BackupDir,
    NoBackup,
    SkipUnchanged,
    Trace,
    Pdf,
    Since,
    Help,
};

// The option as the user types it: "--backup-dir", "-o".
[[nodiscard]] QString optionFlag(Option option);

// One command line as the command table parsed it: the options given and the
// operands (the files), for a command's run function.
class Invocation
{
public:
    Invocation(const QCommandLineParser &parser, QStringList operands)
        : m_parser(parser), m_operands(std::move(operands))
    {
    }

    [[nodiscard]] bool isSet(Option option) const;
    // The option's value (the last one given), or empty.
    [[nodiscard]] QString value(Option option) const;
    // Every value given, in order.
    [[nodiscard]] QStringList values(Option option) const;
    [[nodiscard]] const QStringList &operands() const { return m_operands; }
    [[nodiscard]] const QString &operand() const { return m_operands.constFirst(); }

private:
    const QCommandLineParser &m_parser;
    QStringList m_operands;
};

} // namespace kav::cli
