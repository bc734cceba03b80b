#include "common/appfolder.h"

#include "common/shownpath.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>

#ifdef Q_OS_WIN
#include <direct.h>
#else
#include <sys/stat.h>
#endif

namespace kav {

QString applicationFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(folder); // failure shows later, when a file in it cannot be written
    return folder;
}

QString applicationFile(const QString &name)
{
    return QDir(applicationFolder()).filePath(name);
}

bool makeFolder(const QString &folder, QString *reason)
{
    const auto fail = [&](const QString &why) {
        QString text = QStringLiteral("%1: the folder cannot be created: %2").arg(shownPath(folder), why);
#ifndef Q_OS_WIN
        if (qEnvironmentVariableIsEmpty("HOME"))
            text += QStringLiteral(" (HOME is not set)");
#endif
        if (reason)
            *reason = text;
        return false;
    };
    if (folder.trimmed().isEmpty())
        return fail(QStringLiteral("no folder named"));
    if (QFileInfo(folder).isDir())
        return true;
    // Every folder from the top down, so the one that fails is the one named.
    QStringList chain;
    for (QString path = QDir::cleanPath(QDir(folder).absolutePath());; path = QFileInfo(path).path()) {
        chain.prepend(path);
        if (QFileInfo(path).path() == path)
            break;
    }
    for (const QString &path : std::as_const(chain)) {
        const QFileInfo info(path);
        if (info.isDir())
            continue;
        if (info.exists() || info.isSymLink())
            return fail(QStringLiteral("%1 is a file, not a folder").arg(shownPath(path)));
        errno = 0;
#ifdef Q_OS_WIN
        const int made = ::_wmkdir(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path).utf16()));
#else
        const int made = ::mkdir(QFile::encodeName(path).constData(), 0777);
#endif
        if (made != 0 && errno != EEXIST)
            return fail(qt_error_string(errno));
    }
    return true;
}

} // namespace kav
