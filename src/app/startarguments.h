#pragma once

#include <QString>
#include <QStringList>

#include <optional>

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

// The arguments after the program's name, read before there is a
// QApplication, when none of them can be one of Qt's own options (those start
// with a single dash, as -style and -platform do; "-h" is ours): then what
// they ask can be answered without a display. Empty when one may be Qt's.
[[nodiscard]] std::optional<QStringList> argumentsWithoutQtOptions(int argc, const char *const *argv);

// Answers a request that needs no window: the text on standard output (Help,
// Version) or the problem and a hint on standard error (Wrong). Returns the
// exit code. A window program on Windows has no console of its own: the text
// goes to a redirected output when there is one, else to the console it was
// started from, else (started from a shortcut) into a box.
[[nodiscard]] int answerWithoutWindow(const StartArguments &arguments);

} // namespace kav
