#include "cli/cli.h"
#include "cli/consoleoutput.h"
#include "cli/exitcodes.h"

#include <QGuiApplication>

#include <cstdio>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

// Qt's own notes (such as a missing XDG_RUNTIME_DIR) are not the user's business
// on a command line whose standard error carries the radio's messages.
void dropQtNotes(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg || type == QtCriticalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

int main(int argc, char *argv[])
{
    qInstallMessageHandler(dropQtNotes);
#ifdef Q_OS_WIN
    // Windows' own platform shows no window unless asked and knows the system's
    // fonts (its offscreen one has none: a PDF would show boxes for letters).
    // The progress line redraws itself with the console's VT sequences.
    HANDLE console = ::GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (::GetConsoleMode(console, &mode))
        ::SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
#else
    // The command line never shows a window; fonts and PDF output still need a GUI platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Kavrilink"));
    QStringList arguments = QGuiApplication::arguments();
    arguments.removeFirst();
    const int code = kav::cli::runCli(arguments);
    // A result that never reached standard output is a failure, whatever the command did.
    QString reason;
    if (!kav::cli::closeOut(&reason)) {
        kav::cli::printOutputFailure(reason);
        return code == kav::cli::ExitOk ? kav::cli::ExitFileRefused : code;
    }
    return code;
}
