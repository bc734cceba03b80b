#include "benchsupport.h"

#include <QFile>
#include <QList>

#include <cstdio>

namespace kav::bench {

MessageResult YesDialogs::showMessage(const MessageRequest &request)
{
    if (request.icon != MessageIcon::Question) {
        ++errors;
        std::fprintf(stderr, "message: %s\n", qPrintable(request.text));
    }
    return request.buttons == MessageButtons::YesNo ? MessageResult::Yes : MessageResult::Ok;
}

QByteArray processStatus()
{
    QFile file(QStringLiteral("/proc/self/status"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

long statusKilobytes(const QByteArray &status, const char *key)
{
    for (const QByteArray &line : status.split('\n')) {
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

} // namespace kav::bench
