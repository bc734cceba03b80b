#include "common/appsettings.h"

#include "common/safefile.h"
#include "common/shownpath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

#include <iterator>
#include <optional>

namespace kav {

namespace {

constexpr const char *kChoiceKeys[] = {
    "Programming/BackUpBeforeWriting",
    "Programming/VerifyAfterWrite",
    "Programming/ShowChangesBeforeWriting",
};

constexpr int indexOf(Choice choice)
{
    return static_cast<int>(choice);
}

static_assert(std::size(kChoiceKeys) == indexOf(Choice::ShowChangesBeforeWriting) + 1, "a key for every choice");

// Only a clear yes or no as text counts, in any case and with blanks around;
// anything else leaves the default (off), a value QSettings reads as a stored
// variant ("@Variant(...)") too.
std::optional<bool> readFlag(const QVariant &value)
{
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    const QString text = value.toString().trimmed().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1"))
        return true;
    if (text == QLatin1String("false") || text == QLatin1String("0"))
        return false;
    return std::nullopt;
}

} // namespace

AppSettings::AppSettings(const QString &appFolder)
    : m_path(QDir(appFolder).filePath(QString::fromLatin1(kSettingsFileName)))
{
    if (!unusableReason().isEmpty() || !QFileInfo::exists(m_path))
        return;
    const QSettings file(m_path, QSettings::IniFormat);
    if (file.status() != QSettings::NoError)
        return;
    for (int i = 0; i < int(std::size(kChoiceKeys)); ++i) {
        if (const std::optional<bool> flag = readFlag(file.value(QString::fromLatin1(kChoiceKeys[i]))))
            m_values[i] = *flag;
    }
}

bool AppSettings::value(Choice choice) const
{
    return m_values[indexOf(choice)];
}

bool AppSettings::set(Choice choice, bool on, QString *reason)
{
    m_values[indexOf(choice)] = on;
    QString why = unusableReason();
    if (why.isEmpty())
        why = save();
    if (why.isEmpty())
        return true;
    if (reason)
        *reason = why;
    return false;
}

QString AppSettings::save() const
{
    // QSettings lays the file out in a scratch copy; the one safe writer puts
    // it in place, so a full disk leaves the old file whole.
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return QStringLiteral("%1: %2").arg(shownPath(m_path), scratch.errorString());
    const QString draft = scratch.filePath(QString::fromLatin1(kSettingsFileName));
    // Read and closed at once: an open file cannot be replaced on Windows.
    QByteArray oldBytes = [this] {
        QFile old(m_path);
        return old.open(QIODevice::ReadOnly) ? old.read(kMaxSettingsFileSize) : QByteArray();
    }();
    // QSettings reads a file that starts with a UTF-8 byte-order mark (as Windows
    // editors save it) but refuses to rewrite one; the mark goes, the rest stays.
    if (oldBytes.startsWith("\xEF\xBB\xBF"))
        oldBytes.remove(0, 3);
    const auto layOut = [&](const QByteArray &start) {
        QFile::remove(draft);
        if (!start.isEmpty() && !replaceFile(draft, start))
            return QSettings::AccessError;
        QSettings file(draft, QSettings::IniFormat);
        for (int i = 0; i < int(std::size(kChoiceKeys)); ++i)
            file.setValue(QString::fromLatin1(kChoiceKeys[i]), m_values[i]);
        file.sync();
        return file.status();
    };
    // What else the file holds is kept. A file QSettings cannot parse it does
    // not rewrite: that one is put aside as <name>.bad and a new one written.
    QSettings::Status status = layOut(oldBytes);
    if (status == QSettings::FormatError) {
        (void)replaceFile(m_path + QStringLiteral(".bad"), oldBytes);
        status = layOut({});
    }
    if (status != QSettings::NoError)
        return QStringLiteral("%1: the settings could not be written").arg(shownPath(m_path));
    QFile laidOut(draft);
    if (!laidOut.open(QIODevice::ReadOnly))
        return QStringLiteral("%1: %2").arg(shownPath(m_path), laidOut.errorString());
    QString error;
    if (!replaceFile(m_path, laidOut.readAll(), &error))
        return error.contains(shownPath(m_path)) ? error : QStringLiteral("%1: %2").arg(shownPath(m_path), error);
    return {};
}

QString AppSettings::unusableReason() const
{
    const QFileInfo info(m_path);
    if (!info.exists() && !info.isSymLink())
        return {};
    if (!info.isFile())
        return QStringLiteral("%1: not a regular file").arg(shownPath(m_path));
    if (info.size() > kMaxSettingsFileSize)
        return QStringLiteral("%1: larger than %2 bytes").arg(shownPath(m_path)).arg(kMaxSettingsFileSize);
    return {};
}

} // namespace kav
