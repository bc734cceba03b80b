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

MessageResult CliDialogs::showMessage(const MessageRequest &request)
{
    if (request.icon == MessageIcon::Question)
        return request.buttons == MessageButtons::OkCancel ? MessageResult::Ok : MessageResult::Yes;
    m_messages.append(request.text);
    QString line = m_prefix.isEmpty() ? request.text : m_prefix + QStringLiteral(": ") + request.text;
    if (!request.informativeText.isEmpty())
        line += QStringLiteral(" (") + request.informativeText + QLatin1Char(')');
    printError(line);
    return MessageResult::Ok;
}

} // namespace kav::cli
