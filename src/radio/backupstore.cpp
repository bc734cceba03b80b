#include "radio/backupstore.h"

#include "common/appfolder.h"
#include "common/safefile.h"
#include "common/shownpath.h"
#include "radio/frequencyfile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <algorithm>
#include <utility>
#include <vector>

#ifdef Q_OS_WIN
#include <string>
#include <windows.h>
#else
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace kav {

namespace {

constexpr int kMaxDeviceNameLength = 100;
// Enough for every device of a fleet backed up in the same second.
constexpr int kMaxCopies = 999;
constexpr char kStampFormat[] = "yyyyMMdd-HHmmss";
// Where a backup is written before it gets its name; never a backup's name.
constexpr char kPartialBackupPattern[] = ".backup-XXXXXX.part";

bool isNameCharacter(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.') || c == QLatin1Char('_') ||
           c == QLatin1Char('+') || c == QLatin1Char('-');
}

struct BackupName
{
    QDateTime time;
    int copy = 1;
};

// On the disk before it gets its name, so a power loss cannot leave the name on an empty file.
bool syncToDisk(QFile &file, QString *reason)
{
#ifdef Q_OS_WIN
    Q_UNUSED(file)
    Q_UNUSED(reason)
    return true; // the name is given with MOVEFILE_WRITE_THROUGH
#else
    if (::fsync(file.handle()) == 0)
        return true;
    *reason = qt_error_string(errno);
    return false;
#endif
}

enum class NewName { Given, Taken, Failed };

// Gives the file from its new name, in one step that never replaces a file
// already there: Taken when to exists (then from is left as it was).
NewName renameWithoutReplacing(const QString &from, const QString &to, QString *reason)
{
#ifdef Q_OS_WIN
    const std::wstring source = QDir::toNativeSeparators(from).toStdWString();
    const std::wstring target = QDir::toNativeSeparators(to).toStdWString();
    // Without MOVEFILE_REPLACE_EXISTING an existing target makes it fail.
    if (::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH))
        return NewName::Given;
    const DWORD error = ::GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)
        return NewName::Taken;
    *reason = qt_error_string(int(error));
    return NewName::Failed;
#else
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
#ifdef Q_OS_LINUX
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return NewName::Given;
    if (errno == EEXIST)
        return NewName::Taken;
    // Some file systems lack the flag; a hard link gives the name as surely.
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
        *reason = qt_error_string(errno);
        return NewName::Failed;
    }
#endif
    if (::link(source.constData(), target.constData()) != 0) {
        if (errno == EEXIST)
            return NewName::Taken;
        *reason = qt_error_string(errno);
        return NewName::Failed;
    }
    ::unlink(source.constData());
    return NewName::Given;
#endif
}

BackupName parseBackupName(const QString &fileName)
{
    static const QRegularExpression pattern(
        QStringLiteral("^[A-Za-z0-9_+-][A-Za-z0-9._+-]*-(\\d{8}-\\d{6})(?:-([2-9]|[1-9]\\d+))?\\.sav$"));
    const QRegularExpressionMatch match = pattern.match(fileName);
    if (!match.hasMatch())
        return {};
    const QDateTime time = QDateTime::fromString(match.captured(1), QString::fromLatin1(kStampFormat));
    // fromString accepts what it can read; only a stamp that prints back the same is one of ours.
    if (!time.isValid() || time.toString(QString::fromLatin1(kStampFormat)) != match.captured(1))
        return {};
    return {time, match.hasCaptured(2) ? match.captured(2).toInt() : 1};
}

} // namespace

QString backupDeviceName(const QString &devicePath)
{
    QString name = devicePath;
    for (const QString &prefix : {QStringLiteral("/dev/"), QStringLiteral("\\\\.\\")}) {
        if (name.startsWith(prefix)) {
            name.remove(0, prefix.size());
            break;
        }
    }
    for (const QString &prefix : {QStringLiteral("serial/by-id/"), QStringLiteral("serial/by-path/")}) {
        if (name.startsWith(prefix) && name.size() > prefix.size()) {
            name.remove(0, prefix.size());
            break;
        }
    }
    for (QChar &c : name) {
        if (!isNameCharacter(c))
            c = QLatin1Char('_');
    }
    if (name.startsWith(QLatin1Char('.')))
        name[0] = QLatin1Char('_');
    name.truncate(kMaxDeviceNameLength);
    return name.isEmpty() ? QStringLiteral("device") : name;
}

QString backupFileName(const QString &deviceName, const QDateTime &when, int copy)
{
    const QString stamp = when.toString(QString::fromLatin1(kStampFormat));
    if (copy > 1)
        return QStringLiteral("%1-%2-%3.sav").arg(deviceName, stamp).arg(copy);
    return QStringLiteral("%1-%2.sav").arg(deviceName, stamp);
}

QDateTime backupTime(const QString &fileName)
{
    return parseBackupName(fileName).time;
}

BackupStore::BackupStore(QString folder, Clock clock) : m_folder(std::move(folder)), m_clock(std::move(clock)) {}

QString BackupStore::defaultFolder(const QString &appFolder)
{
    return QDir(appFolder).filePath(QString::fromLatin1(kBackupFolderName));
}

BackupResult BackupStore::save(const QString &devicePath, const RadioImage &image) const
{
    QString reason;
    if (!makeFolder(m_folder, &reason))
        return {false, {}, reason};
    const QString deviceName = backupDeviceName(devicePath);
    const QDateTime now = m_clock();
    const QDir dir(m_folder);

    // The whole file first, under a name no backup has (it starts with a dot);
    // a process killed now leaves at most that, never an empty or short *.sav.
    QString partName;
    {
        QTemporaryFile part(dir.filePath(QString::fromLatin1(kPartialBackupPattern)));
        if (!part.open())
            return {false, {}, QStringLiteral("%1: %2").arg(shownPath(m_folder), part.errorString())};
        if (!writeAllBytes(part, formatFrequencyFile(image), &reason) || !part.flush() || !syncToDisk(part, &reason)) {
            return {false,
                    {},
                    QStringLiteral("%1: %2").arg(shownPath(part.fileName()),
                                                 reason.isEmpty() ? part.errorString() : reason)};
        }
        part.setAutoRemove(false);
        partName = part.fileName();
    } // closed for good only here (close() keeps it open), and Windows renames no open file

    for (int copy = 1; copy <= kMaxCopies; ++copy) {
        const QString path = dir.filePath(backupFileName(deviceName, now, copy));
        // One step that fails when the name is taken, even by another process just now.
        switch (renameWithoutReplacing(partName, path, &reason)) {
        case NewName::Given:
            return {true, path, {}};
        case NewName::Taken:
            continue;
        case NewName::Failed:
            QFile::remove(partName);
            return {false, {}, QStringLiteral("%1: %2").arg(shownPath(path), reason)};
        }
    }
    QFile::remove(partName);
    return {false, {}, QStringLiteral("%1: too many backups of %2 in one second").arg(shownPath(m_folder), deviceName)};
}

void BackupCollection::add(const QFileInfo &entry)
{
    if (entry.isSymLink() || !entry.isFile())
        return;
    static const QRegularExpression part(QStringLiteral("^\\.backup-[A-Za-z0-9]{6}\\.part$"));
    if (part.match(entry.fileName()).hasMatch()) {
        m_parts.push_back({entry.fileName(), entry.lastModified(), 1});
        return;
    }
    BackupName parsed = parseBackupName(entry.fileName());
    if (parsed.time.isValid())
        m_found.push_back({entry.fileName(), parsed.time, parsed.copy});
}

QStringList BackupCollection::toPrune(const QDateTime &now) const
{
    std::vector<Entry> found = m_found;
    std::sort(found.begin(), found.end(), [](const Entry &a, const Entry &b) {
        if (a.time != b.time)
            return a.time > b.time;
        if (a.copy != b.copy)
            return a.copy > b.copy;
        return a.name > b.name;
    });
    const QDateTime limit = now.addDays(-kBackupMaxAgeDays);
    QStringList names;
    for (std::size_t i = kBackupsAlwaysKept; i < found.size(); ++i) {
        if (found[i].time < limit)
            names.append(found[i].name);
    }
    // A backup being written now is seconds old; one a day old was left by a killed program.
    for (const Entry &left : m_parts) {
        if (left.time < now.addDays(-1))
            names.append(left.name);
    }
    return names;
}

QStringList BackupStore::prune() const
{
    BackupCollection found;
    QDirIterator listing(m_folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    while (listing.hasNext()) {
        listing.next();
        found.add(listing.fileInfo());
    }
    const QDir dir(m_folder);
    QStringList deleted;
    for (const QString &name : found.toPrune(m_clock())) {
        if (QFile::remove(dir.filePath(name)))
            deleted.append(name);
    }
    return deleted;
}

} // namespace kav
