#pragma once

#include <QString>

namespace kav {

class AppSettings;
class BackupStore;
class DialogSeam;
class LineTrace;
class ProgrammingHistory;
enum class Choice;

// The COM PORT menu's items below the ports: the remembered choices, the
// backups folder, the programming history and the line trace. Every failure is said in a box.
class PortMenuCommands
{
public:
    // appFolder: where the line trace's save dialog starts.
    PortMenuCommands(AppSettings &settings, const BackupStore &backups, const ProgrammingHistory &history,
                     const LineTrace &trace, DialogSeam &dialogs, QString appFolder);

    // A checkable item changed: remembered at once; a choice that cannot be
    // remembered still holds until the program ends, and the box says so.
    void setChoice(Choice choice, bool on);
    // "Open Backups Folder": creates the folder when missing and opens it through the desktop.
    void openBackupsFolder();
    // "Open Programming History": creates history.csv with its header when
    // missing and opens it in the desktop's application for it.
    void openProgrammingHistory();
    // "Save Line Trace…": the trace as text, to a file chosen in the save dialog.
    void saveLineTrace();

private:
    AppSettings &m_settings;
    const BackupStore &m_backups;
    const ProgrammingHistory &m_history;
    const LineTrace &m_trace;
    DialogSeam &m_dialogs;
    QString m_appFolder;
};

} // namespace kav
