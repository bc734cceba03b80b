#include "app/startarguments.h"

#include "common/printable.h"

#include <QFileInfo>

#include <cstdio>
#include <cstring>

#ifdef Q_OS_WIN
#include "common/dialogseam.h"

#include <QMessageBox>

#include <windows.h>
#endif

namespace kav {

namespace {

constexpr int kOutputFailedExit = 3; // as kavrilink-cli: the answer could not be written

bool isHelp(QStringView argument)
{
    return argument == u"--help" || argument == u"-h";
}

#ifdef Q_OS_WIN

// The standard stream which as a handle of this process, when it has one:
// a window program has none unless its caller redirected it.
HANDLE ownStream(DWORD which)
{
    HANDLE handle = ::GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || ::GetFileType(handle) == FILE_TYPE_UNKNOWN)
        return nullptr;
    return handle;
}

bool writeHandle(HANDLE handle, const QString &text)
{
    DWORD mode = 0;
    DWORD written = 0;
    if (::GetConsoleMode(handle, &mode)) {
        const std::wstring wide = text.toStdWString();
        return ::WriteConsoleW(handle, wide.data(), DWORD(wide.size()), &written, nullptr) != 0;
    }
    const QByteArray bytes = text.toUtf8();
    return ::WriteFile(handle, bytes.constData(), DWORD(bytes.size()), &written, nullptr) != 0 &&
           written == DWORD(bytes.size());
}

// Where the text is seen: a redirected stream, else the console the program
// was started from (cmd.exe does not wait for a window program, so the text
// follows its prompt), else a box, which is all a shortcut's user can see.
bool writeText(DWORD which, const QString &text, bool isProblem)
{
    if (HANDLE own = ownStream(which))
        return writeHandle(own, text);
    if (::AttachConsole(ATTACH_PARENT_PROCESS)) {
        HANDLE console = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
        if (console != INVALID_HANDLE_VALUE) {
            const bool written = writeHandle(console, QStringLiteral("\n") + text);
            ::CloseHandle(console);
            return written;
        }
    }
    QMessageBox box(isProblem ? QMessageBox::Critical : QMessageBox::NoIcon, QString::fromLatin1(kApplicationTitle),
                    text.trimmed(), QMessageBox::Ok);
    box.exec();
    return true;
}

bool writeOut(const QString &text)
{
    return writeText(STD_OUTPUT_HANDLE, text, false);
}

void writeError(const QString &text)
{
    (void)writeText(STD_ERROR_HANDLE, text, true);
}

#else

bool writeOut(const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size()) &&
           std::fflush(stdout) == 0;
}

void writeError(const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

#endif

} // namespace

StartArguments parseStartArguments(const QStringList &arguments)
{
    StartArguments parsed;
    const auto wrong = [&parsed](const QString &problem) {
        parsed.request = StartRequest::Wrong;
        parsed.problem = problem;
        parsed.plan.clear();
        return parsed;
    };
    bool optionsEnded = false;
    QStringList plans;
    for (const QString &argument : arguments) {
        if (!optionsEnded && argument == u"--") {
            optionsEnded = true;
        } else if (!optionsEnded && argument.startsWith(u'-') && argument != u"-") {
            if (isHelp(argument))
                parsed.request = StartRequest::Help;
            else if (argument == u"--version")
                parsed.request = StartRequest::Version;
            else
                return wrong(QStringLiteral("unknown option '%1'").arg(printableText(argument)));
        } else if (argument.isEmpty()) {
            return wrong(QStringLiteral("an empty plan path"));
        } else {
            plans << argument;
        }
    }
    if (plans.size() > 1)
        return wrong(QStringLiteral("%1 plans given (%2); the window opens one at a time")
                         .arg(plans.size())
                         .arg(printableText(plans.join(QStringLiteral(", ")))));
    if (parsed.request != StartRequest::Window && !plans.isEmpty())
        return wrong(
            QStringLiteral("a plan path with %1")
                .arg(parsed.request == StartRequest::Help ? QStringLiteral("--help") : QStringLiteral("--version")));
    if (!plans.isEmpty())
        parsed.plan = QFileInfo(plans.constFirst()).absoluteFilePath();
    return parsed;
}

QString startUsageText()
{
    return QStringLiteral("Usage: kavrilink [PLAN.sav]\n"
                          "Opens the window that programs the KV-7719NEW mobile radio (38.000-42.300 MHz).\n"
                          "\n"
                          "  PLAN.sav    shows this plan once the window is up, as OPEN does: a file that\n"
                          "              is not a plan (or is missing) gets \"This is not Saved File\"\n"
                          "  --help      this text\n"
                          "  --version   the program's version\n"
                          "  --          what follows is a path, even if it starts with '-'\n"
                          "\n"
                          "Only one copy of the window runs at a time. A plan given while one runs is\n"
                          "not opened: open it from the running window (OPEN, or drop it there).\n"
                          "kavrilink-cli reads, writes, shows and prints plans without a window.\n"
                          "\n"
                          "Exit codes: 0 success; 2 usage: the command line is wrong.\n");
}

QString startVersionText()
{
    return QStringLiteral("kavrilink " KAVRILINK_VERSION "\n");
}

std::optional<QStringList> argumentsWithoutQtOptions(int argc, const char *const *argv)
{
    QStringList arguments;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (argument == u"--")
            optionsEnded = true;
        const bool singleDash = argument.size() > 1 && argument.startsWith(u'-') && !argument.startsWith(u"--");
        if (!optionsEnded && singleDash && argument != u"-h")
            return std::nullopt;
        arguments << argument;
    }
    return arguments;
}

int answerWithoutWindow(const StartArguments &arguments)
{
    switch (arguments.request) {
    case StartRequest::Window:
        return 0;
    case StartRequest::Help:
    case StartRequest::Version: {
        const QString text = arguments.request == StartRequest::Help ? startUsageText() : startVersionText();
        if (writeOut(text))
            return 0;
        writeError(QStringLiteral("kavrilink: could not write to standard output\n"));
        return kOutputFailedExit;
    }
    case StartRequest::Wrong:
        writeError(QStringLiteral("kavrilink: %1\nTry 'kavrilink --help'.\n").arg(arguments.problem));
        return kStartUsageExit;
    }
    return kStartUsageExit;
}

} // namespace kav
