#pragma once

#include <QTemporaryDir>

// A temporary XDG_DATA_HOME for one test, so the application folder
// (and comport.inf, comport.map, the instance lock) never touch the user's.
class TestFolder
{
public:
    TestFolder();
    ~TestFolder();

    QString dataHome() const { return m_dir.path(); }
    // The application folder inside it (not created).
    QString appFolder() const;
    QString filePath(const QString &name) const;

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
};
