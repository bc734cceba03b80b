#include "app/portmenucommands.h"

#include "common/appfolder.h"
#include "common/appsettings.h"
#include "common/dialogseam.h"
#include "common/safefile.h"
#include "common/shownpath.h"
#include "link/linetrace.h"
#include "link/programminghistory.h"
#include "radio/backupstore.h"

#include <QFileInfo>

#include <utility>

namespace kav {

PortMenuCommands::PortMenuCommands(AppSettings &settings, const BackupStore &backups, const ProgrammingHistory &history,
                                   const LineTrace &trace, DialogSeam &dialogs, QString appFolder)
    : m_settings(settings), m_backups(backups), m_history(history), m_trace(trace), m_dialogs(dialogs),
      m_appFolder(std::move(appFolder))
{
}

void PortMenuCommands::setChoice(Choice choice, bool on)
{
    QString reason;
    if (!m_settings.set(choice, on, &reason))
        showPlain(m_dialogs, QStringLiteral("The choice holds until the program ends, but it could not be remembered."),
                  {}, reason);
}

void PortMenuCommands::openBackupsFolder()
{
    const QString folder = m_backups.folder();
    QString reason;
    if (!makeFolder(folder, &reason)) {
        showCritical(m_dialogs, QStringLiteral("Could not create the backups folder ") + shownPath(folder),
                     QStringLiteral("Error"), reason);
        return;
    }
    if (!m_dialogs.openFolder(folder))
        showPlain(m_dialogs, QStringLiteral("No program could open the backups folder."), {}, shownPath(folder));
}

void PortMenuCommands::openProgrammingHistory()
{
    const QString path = m_history.path();
    QString reason;
    if (!makeFolder(QFileInfo(path).path(), &reason) || !m_history.ensureExists(&reason)) {
        showCritical(m_dialogs, QStringLiteral("Could not create the programming history ") + shownPath(path),
                     QStringLiteral("Error"), reason);
        return;
    }
    if (!m_dialogs.openFolder(path))
        showPlain(m_dialogs, QStringLiteral("No program could open the programming history."), {}, shownPath(path));
}

void PortMenuCommands::saveLineTrace()
{
    const QString path = m_dialogs.getSaveFileName(
        {QStringLiteral("Save Line Trace"), m_appFolder, QStringLiteral("Line Trace(*.txt)"), true});
    if (path.isEmpty())
        return;
    QString reason;
    if (!replaceFile(path, m_trace.text().toUtf8(), &reason))
        showCritical(m_dialogs, QStringLiteral("Could not save the line trace to ") + shownPath(path),
                     QStringLiteral("Error"), reason);
}

} // namespace kav
