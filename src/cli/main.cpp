#include "cli/cli.h"

#include <QGuiApplication>

int main(int argc, char *argv[])
{
    // The command line never shows a window; fonts and PDF output still need a GUI platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Kavrilink"));
    QStringList arguments = QGuiApplication::arguments();
    arguments.removeFirst();
    return kav::cli::runCli(arguments);
}
