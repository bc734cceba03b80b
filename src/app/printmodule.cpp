#include "app/printmodule.h"

#include "common/shownpath.h"
#include "print/printbackend.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace kav {

PrintModule::PrintModule(const QString &path) : m_path(path)
{
    m_loader.setFileName(path);
}

void PrintModule::setPath(const QString &path)
{
    m_path = path;
    m_loader.setFileName(path);
}

QString PrintModule::defaultPath()
{
#ifdef Q_OS_WIN
    const QString file = QStringLiteral("kavrilink-print.dll");
#else
    const QString file = QStringLiteral("kavrilink-print.so");
#endif
    const QDir programFolder(QCoreApplication::applicationDirPath());
    const QStringList candidates{
        programFolder.filePath(file),
        QDir::cleanPath(programFolder.filePath(QStringLiteral("../" KAVRILINK_PRINT_MODULE_DIR "/") + file))};
    for (const QString &candidate : candidates) {
        if (QFileInfo::exists(candidate))
            return candidate;
    }
    return candidates.constFirst();
}

PrintBackend *PrintModule::backend(QString *reason)
{
    auto *backend = qobject_cast<PrintBackend *>(m_loader.instance());
    if (!backend && reason) {
        *reason = QStringLiteral("The printing module %1 cannot be loaded: %2")
                      .arg(shownPath(m_path), m_loader.errorString());
    }
    return backend;
}

} // namespace kav
