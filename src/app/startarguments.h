#pragma once

#include <QString>
#include <QStringList>

namespace kav {

// What the window's command line asks for.
enum class StartRequest {
    Window,  // the window, with the plan given or without one
    Help,    // --help: the usage text on standard output, no window
    Version, // --version: the version on standard output, no window
    Wrong,   // not understood: problem on standard error, exit kStartUsageExit
};

struct StartArguments
{
    StartRequest request = StartRequest::Window;
    QString plan;    // the plan to open once the window is up, as an absolute path; empty: none
    QString problem; // for Wrong: what is wrong, without the program's name
};

// The exit code of a command line that is wrong, as kavrilink-cli has it.
inline constexpr int kStartUsageExit = 2;

// Reads the arguments after the program's name (Qt's own options already
// taken out by QApplication): at most one plan path, --help (-h), --version,
// and "--" after which an argument is a path even if it starts with "-".
[[nodiscard]] StartArguments parseStartArguments(const QStringList &arguments);

// The --help and --version texts, each ending in a line end.
QString startUsageText();
QString startVersionText();

// True when argv asks only for --help or --version: then no display is needed.
// Runs before there is a QApplication; those options are plain ASCII.
[[nodiscard]] bool asksForTextOnly(int argc, const char *const *argv);

// Answers a request that needs no window: the text on standard output (Help,
// Version) or the problem and a hint on standard error (Wrong). Returns the
// exit code. A window program on Windows has no console of its own: the text
// goes to a redirected output when there is one, else to the console it was
// started from, else (started from a shortcut) into a box.
[[nodiscard]] int answerWithoutWindow(const StartArguments &arguments);

} // namespace kav
