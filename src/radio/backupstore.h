#pragma once

#include "radio/radioimage.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QFileInfo;

namespace kav {

// Backups of what a radio held, kept as ordinary *.sav files named
// <device-name>-<YYYYmmdd-HHMMSS>.sav (local time); a second backup of the same
// device within the same second gets -2, -3, ... before .sav.
inline constexpr char kBackupFolderName[] = "backups";
inline constexpr int kBackupsAlwaysKept = 200;
inline constexpr int kBackupMaxAgeDays = 365;

// The file-name part for a device path: a leading "/dev/" (and then "serial/by-id/"
// or "serial/by-path/") or "\\.\" is dropped, every character other than ASCII
// letters, digits, '.', '_', '+' and '-' becomes '_' (so "/" and ":" do), a
// leading '.' becomes '_', and the result is cut to 100 characters.
// "/dev/ttyUSB0" -> "ttyUSB0", "/dev/pts/3" -> "pts_3", "COM3" -> "COM3",
// "/dev/serial/by-id/usb-FTDI_FT232R_A5-if00-port0" -> "usb-FTDI_FT232R_A5-if00-port0".
// An empty result is "device".
[[nodiscard]] QString backupDeviceName(const QString &devicePath);

// "<deviceName>-<YYYYmmdd-HHMMSS>.sav", or with "-<copy>" before ".sav" when copy > 1.
[[nodiscard]] QString backupFileName(const QString &deviceName, const QDateTime &when, int copy = 1);

// The time in a backup's file name; invalid when name is not a backup's name
// (pattern and a real date and time both required).
[[nodiscard]] QDateTime backupTime(const QString &fileName);

// A folder's backups, collected one file name at a time (so a listing can be
// spread over many event-loop turns), and which of them pruning deletes.
class BackupCollection
{
public:
    // Takes a listed entry: a regular file (not a symlink) with a backup's name
    // (pattern and a real date and time), or a backup's unfinished temporary
    // file (".backup-XXXXXX.part") that a killed program left; ignores the rest.
    void add(const QFileInfo &entry);
    // The backups older than kBackupMaxAgeDays at now that are not among the
    // newest kBackupsAlwaysKept, and the temporary files untouched for a day.
    [[nodiscard]] QStringList toPrune(const QDateTime &now) const;

private:
    struct Entry
    {
        QString name;
        QDateTime time;
        int copy = 1;
    };
    std::vector<Entry> m_found;
    std::vector<Entry> m_parts; // time: last modified
};

struct BackupResult
{
    bool saved = false;
    QString path;   // the file written (when saved)
    QString reason; // why not (when not saved)
};

// The backups folder: saves each backup under a name no earlier one has, and
// prunes old ones. Reads the time from clock, so tests can set it.
class BackupStore
{
public:
    using Clock = std::function<QDateTime()>;

    explicit BackupStore(QString folder, Clock clock = &QDateTime::currentDateTime);

    // <appFolder>/backups.
    [[nodiscard]] static QString defaultFolder(const QString &appFolder);

    QString folder() const { return m_folder; }

    // Writes image as a backup of devicePath, creating the folder when missing.
    // Never replaces an existing file.
    [[nodiscard]] BackupResult save(const QString &devicePath, const RadioImage &image) const;

    // Deletes the backups older than kBackupMaxAgeDays that are not among the
    // newest kBackupsAlwaysKept. Only regular files with a backup's name are
    // ever touched. Returns the names of the files deleted. All at once: the
    // window uses BackupPruner, which spreads the work over event-loop turns.
    QStringList prune() const;
    QDateTime now() const { return m_clock(); }

private:
    QString m_folder;
    Clock m_clock;
};

} // namespace kav
