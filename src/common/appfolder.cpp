#include "common/appfolder.h"

#include <QDir>
#include <QStandardPaths>

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

} // namespace kav
