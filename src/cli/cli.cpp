#include "cli/cli.h"

#include "cli/consoleoutput.h"
#include "cli/csvcommands.h"
#include "cli/exitcodes.h"
#include "cli/plancommands.h"
#include "cli/radiocommands.h"
#include "cli/usage.h"

namespace kav::cli {

int runCli(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return usageError(QStringLiteral("no command given"));
    const QString &command = arguments.constFirst();
    if (command == QLatin1String("--help") || command == QLatin1String("-h") || command == QLatin1String("help")) {
        return printOut(usageText().trimmed()) ? ExitOk : ExitFileRefused;
    }
    // QCommandLineParser takes the program name first.
    const QStringList rest = QStringList{QStringLiteral("kavrilink-cli")} + arguments.mid(1);
    if (command == QLatin1String("show"))
        return runShow(rest);
    if (command == QLatin1String("report"))
        return runReport(rest);
    if (command == QLatin1String("read"))
        return runRead(rest);
    if (command == QLatin1String("write"))
        return runWrite(rest);
    if (command == QLatin1String("ports"))
        return runPorts(rest);
    if (command == QLatin1String("export"))
        return runExport(rest);
    if (command == QLatin1String("import"))
        return runImport(rest);
    return usageError(QStringLiteral("unknown command '%1'").arg(command));
}

} // namespace kav::cli
