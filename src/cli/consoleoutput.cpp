#include "cli/consoleoutput.h"

#include "common/printable.h"

#include <cerrno>
#include <cstdio>

#include <unistd.h>

namespace kav::cli {

namespace {

QByteArray consoleBytes(const QString &text)
{
    return printableLines(text).toLocal8Bit() + '\n';
}

// Straight to the file descriptor, no stdio buffer between: every short write shows at once.
bool writeAll(int fd, QByteArrayView bytes, QString *reason)
{
    while (!bytes.isEmpty()) {
        const auto written = ::write(fd, bytes.data(), size_t(bytes.size()));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (reason)
                *reason = qt_error_string(written < 0 ? errno : ENOSPC);
            return false;
        }
        bytes = bytes.sliced(written);
    }
    return true;
}

} // namespace

void printError(const QString &line)
{
    // Nothing is left to tell a failure on standard error to.
    (void)writeAll(STDERR_FILENO, printableText(line).toLocal8Bit() + '\n', nullptr);
}

bool printOut(const QString &text)
{
    QString reason;
    if (writeAll(STDOUT_FILENO, consoleBytes(text), &reason))
        return true;
    printOutputFailure(reason);
    return false;
}

bool writeOut(QByteArrayView bytes, QString *reason)
{
    return writeAll(STDOUT_FILENO, bytes, reason);
}

bool closeOut(QString *reason)
{
    // Nothing here writes through stdio, but a library might have.
    if (std::fflush(stdout) != 0 || (::close(STDOUT_FILENO) != 0 && errno != EBADF)) {
        if (reason)
            *reason = qt_error_string(errno);
        return false;
    }
    return true; // also when there was no standard output at all: then nothing was written to it
}

void printOutputFailure(const QString &reason)
{
    printError(QStringLiteral("Could not write to standard output (%1)").arg(reason));
}

void printMessage(const QString &prefix, const QString &text, const QString &detail)
{
    QString line = prefix.isEmpty() ? text : prefix + QStringLiteral(": ") + text;
    if (!detail.isEmpty())
        line += QStringLiteral(" (") + detail + QLatin1Char(')');
    printError(line);
}

} // namespace kav::cli
