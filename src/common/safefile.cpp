#include "common/safefile.h"

#include "common/shownpath.h"

#include <QFileInfo>
#include <QIODevice>
#include <QSaveFile>

#include <sys/stat.h>

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

} // namespace kav
