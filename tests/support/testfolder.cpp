#include "support/testfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

TestFolder::TestFolder() : m_previous(qgetenv("XDG_DATA_HOME"))
{
    // The program's name decides its folder; a test executable has its own.
    QCoreApplication::setApplicationName(QStringLiteral("Kavrilink"));
#ifdef Q_OS_WIN
    // Windows has no XDG_DATA_HOME: the folder is %APPDATA%\<organisation>\Kavrilink,
    // and an organisation of the test's own keeps it apart from every other.
    QCoreApplication::setOrganizationName(QDir(m_dir.path()).dirName());
#else
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.path()));
#endif
}

TestFolder::~TestFolder()
{
#ifdef Q_OS_WIN
    QDir(QFileInfo(appFolder()).path()).removeRecursively(); // the organisation's folder
    QCoreApplication::setOrganizationName(QString());
#else
    if (m_previous.isEmpty())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", m_previous);
#endif
}

QString TestFolder::appFolder() const
{
#ifdef Q_OS_WIN
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
#else
    return QDir(m_dir.path()).filePath(QStringLiteral("Kavrilink"));
#endif
}

QString TestFolder::filePath(const QString &name) const
{
    return QDir(appFolder()).filePath(name);
}
