#include "support/testfolder.h"

#include <QCoreApplication>
#include <QDir>

TestFolder::TestFolder() : m_previous(qgetenv("XDG_DATA_HOME"))
{
    // The application folder is named after the application, as in the program.
    QCoreApplication::setApplicationName(QStringLiteral("Kavrilink"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.path()));
    // The program's name decides its folder; a test executable has its own.
    QCoreApplication::setApplicationName(QStringLiteral("Kavrilink"));
}

TestFolder::~TestFolder()
{
    if (m_previous.isEmpty())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", m_previous);
}

QString TestFolder::appFolder() const
{
    return QDir(m_dir.path()).filePath(QStringLiteral("Kavrilink"));
}

QString TestFolder::filePath(const QString &name) const
{
    return QDir(appFolder()).filePath(name);
}
