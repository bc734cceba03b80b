#include "common/safefile.h"

#include "common/shownpath.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QSaveFile>

#include <sys/stat.h>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <cerrno>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace kav {

namespace {

void setReason(QString *reason, const QString &text)
{
    if (reason)
        *reason = text;
}

QString kindOf(const QString &path)
{
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return QStringLiteral("not a regular file");
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode))
        return QStringLiteral("a device");
    if (S_ISFIFO(info.st_mode))
        return QStringLiteral("a FIFO");
#ifdef S_ISSOCK // Windows' C library knows no sockets among files
    if (S_ISSOCK(info.st_mode))
        return QStringLiteral("a socket");
#endif
    if (S_ISDIR(info.st_mode))
        return QStringLiteral("a folder");
    return QStringLiteral("not a regular file");
}

// The system's reason, with the target named in it as a message names it
// ("Existing file C:\Plans\van.sav is not writable").
QString reasonOf(const QFileDevice &file, const QString &path)
{
    QString text = file.errorString();
    return path.isEmpty() ? text : text.replace(path, shownPath(path));
}

} // namespace

bool isSameFile(const QString &output, const QString &input)
{
#ifdef Q_OS_WIN
    const QString a = QFileInfo(output).canonicalFilePath();
    return !a.isEmpty() && a.compare(QFileInfo(input).canonicalFilePath(), Qt::CaseInsensitive) == 0;
#else
    struct stat a
    {
    };
    struct stat b
    {
    };
    return ::stat(QFile::encodeName(output).constData(), &a) == 0 &&
           ::stat(QFile::encodeName(input).constData(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
#endif
}

QString refusedTargetReason(const QString &path)
{
    const QFileInfo info(path); // follows a symlink to what it names
    if (!info.exists() || info.isFile())
        return {};
    return QStringLiteral("%1: this is %2, not a regular file; it is left as it is").arg(shownPath(path), kindOf(path));
}

bool writeAllBytes(QIODevice &device, const QByteArray &bytes, QString *reason)
{
    // A write may take only part; the next attempt then fails with the reason.
    for (qsizetype done = 0; done < bytes.size();) {
        const qint64 written = device.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0) {
            setReason(reason, device.errorString());
            return false;
        }
        done += written;
    }
    return true;
}

bool replaceFile(const QString &path, const QByteArray &bytes, QString *reason)
{
    const QString refused = refusedTargetReason(path);
    if (!refused.isEmpty()) {
        setReason(reason, refused);
        return false;
    }
    QSaveFile file(path);
    // Unbuffered, so that a short write shows at once: a buffered one is only
    // flushed by commit(), which then keeps a truncated file as if it were whole.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        setReason(reason, reasonOf(file, path));
        return false;
    }
    if (!writeAllBytes(file, bytes, reason)) {
        file.cancelWriting(); // the temporary file goes; the old one stays
        return false;
    }
    if (!file.commit()) {
        setReason(reason, reasonOf(file, path));
        return false;
    }
    return true;
}

namespace {

// Holds an exclusive lock on an open file while it lives; the system lets go
// of it when the file is closed, also when the program dies.
class FileLock
{
public:
    explicit FileLock(QFile &file) : m_file(file)
    {
#ifdef Q_OS_WIN
        OVERLAPPED from{};
        m_locked = ::LockFileEx(handle(), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &from);
        m_error = m_locked ? 0 : int(::GetLastError());
#else
        int result;
        do {
            result = ::flock(m_file.handle(), LOCK_EX);
        } while (result != 0 && errno == EINTR);
        m_locked = result == 0;
        m_error = m_locked ? 0 : errno;
#endif
    }
    ~FileLock()
    {
        if (!m_locked)
            return;
#ifdef Q_OS_WIN
        OVERLAPPED from{};
        ::UnlockFileEx(handle(), 0, MAXDWORD, MAXDWORD, &from);
#else
        ::flock(m_file.handle(), LOCK_UN);
#endif
    }
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    [[nodiscard]] bool locked() const
    {
        return m_locked;
    }
    [[nodiscard]] int error() const
    {
        return m_error;
    }

private:
#ifdef Q_OS_WIN
    HANDLE handle() const
    {
        return reinterpret_cast<HANDLE>(::_get_osfhandle(m_file.handle()));
    }
#endif
    QFile &m_file;
    bool m_locked = false;
    int m_error = 0;
};

bool syncToDisk(QFile &file)
{
#ifdef Q_OS_WIN
    return ::_commit(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}

} // namespace

bool appendToFile(const QString &path, const std::function<QByteArray(qint64 size, char last)> &bytes, QString *reason)
{
    const QString refused = refusedTargetReason(path);
    if (!refused.isEmpty()) {
        setReason(reason, refused);
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered)) {
        setReason(reason, reasonOf(file, path));
        return false;
    }
    const FileLock lock(file);
    if (!lock.locked()) {
        setReason(reason, shownPath(path) + QStringLiteral(": ") + qt_error_string(lock.error()));
        return false;
    }
    // Read under the lock: what another program appended meanwhile counts.
    const qint64 before = file.size();
    char last = 0;
    if (before > 0 && (!file.seek(before - 1) || !file.getChar(&last))) {
        setReason(reason, reasonOf(file, path));
        return false;
    }
    if (!file.seek(before) || !writeAllBytes(file, bytes(before, last), reason)) {
        (void)file.resize(before);
        return false;
    }
    if (!syncToDisk(file)) {
        setReason(reason, shownPath(path) + QStringLiteral(": ") + qt_error_string(errno));
        return false;
    }
    return true;
}

} // namespace kav
