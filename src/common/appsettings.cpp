#include "common/appsettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <iterator>
#include <optional>

namespace kav {

namespace {

constexpr const char *kChoiceKeys[] = {
    "Programming/BackUpBeforeWriting",
    "Programming/VerifyAfterWrite",
};

constexpr int indexOf(Choice choice)
{
    return static_cast<int>(choice);
}

static_assert(std::size(kChoiceKeys) == indexOf(Choice::VerifyAfterWrite) + 1, "a key for every choice");

// Only a clear yes or no counts; anything else leaves the default.
std::optional<bool> readFlag(const QVariant &value)
{
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
    if (why.isEmpty()) {
        QFile old(m_path);
        const QByteArray oldBytes = old.open(QIODevice::ReadOnly) ? old.read(kMaxSettingsFileSize) : QByteArray();
        old.close();
        QSettings::Status status = writeChoices();
        // QSettings does not (or not reliably) rewrite a file it could not
        // parse: that one is put aside as <name>.bad and a new one written.
        if (status == QSettings::FormatError) {
            QFile aside(m_path + QStringLiteral(".bad"));
            if (aside.open(QIODevice::WriteOnly | QIODevice::Truncate))
                aside.write(oldBytes);
            QFile::remove(m_path);
            status = writeChoices();
        }
        if (status == QSettings::NoError)
            return true;
        why = QStringLiteral("%1: the settings could not be written").arg(m_path);
    }
    if (reason)
        *reason = why;
    return false;
}

QSettings::Status AppSettings::writeChoices() const
{
    QSettings file(m_path, QSettings::IniFormat);
    for (int i = 0; i < int(std::size(kChoiceKeys)); ++i)
        file.setValue(QString::fromLatin1(kChoiceKeys[i]), m_values[i]);
    file.sync();
    return file.status();
}

QString AppSettings::unusableReason() const
{
    const QFileInfo info(m_path);
    if (!info.exists() && !info.isSymLink())
        return {};
    if (!info.isFile())
        return QStringLiteral("%1: not a regular file").arg(m_path);
    if (info.size() > kMaxSettingsFileSize)
        return QStringLiteral("%1: larger than %2 bytes").arg(m_path).arg(kMaxSettingsFileSize);
    return {};
}

} // namespace kav
