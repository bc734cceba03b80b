#include "cli/clidialogs.h"

#include <cstdio>

namespace kav::cli {

namespace {

void writeLine(FILE *stream, const QString &line)
{
    const QByteArray bytes = line.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

void printError(const QString &line)
{
    writeLine(stderr, line);
}

void printOut(const QString &line)
{
    writeLine(stdout, line);
}

void printMessage(const QString &prefix, const QString &text, const QString &detail)
{
    QString line = prefix.isEmpty() ? text : prefix + QStringLiteral(": ") + text;
    if (!detail.isEmpty())
        line += QStringLiteral(" (") + detail + QLatin1Char(')');
    printError(line);
}

} // namespace kav::cli
