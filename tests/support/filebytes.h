#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// A file's bytes for a comparison; "<missing>" when it cannot be read, which no
// expected content equals.
inline QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll();
}

// Writes a whole file for a test to start from.
inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
