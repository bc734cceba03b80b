#pragma once

#include <QString>

namespace kav {

// The file in the application folder that keeps the user's choices.
inline constexpr char kSettingsFileName[] = "kavrilink.ini";

// A choice the user can make and the program remembers; all off by default.
enum class Choice {
    BackUpBeforeWriting,      // "Back Up Radio Before Writing"
    VerifyAfterWrite,         // "Verify After Write"
    ShowChangesBeforeWriting, // "Show Changes Before Writing"
};

// The user's choices, kept in one INI file (through QSettings) in the
// application folder. The file is read once, at construction. A file that is
// missing, not a regular file (a directory, a FIFO: never opened, so never
// waited on), larger than kMaxSettingsFileSize, unreadable or malformed gives
// the defaults for everything it does not hold clearly (a choice is on only
// for the text "true"/"1" in any case, so never for a stored "@Variant(...)").
// A byte-order mark is read and dropped on saving. A malformed file is put aside as
// kavrilink.ini.bad when a choice is saved. A choice that cannot be saved
// stays in effect for this run; set() says so.
class AppSettings
{
public:
    static constexpr qint64 kMaxSettingsFileSize = 64 * 1024;

    explicit AppSettings(const QString &appFolder);

    QString filePath() const { return m_path; }

    [[nodiscard]] bool value(Choice choice) const;
    // Sets choice and writes the file at once. False (with reason) when the
    // file could not be written; the value is still in effect until exit.
    [[nodiscard]] bool set(Choice choice, bool on, QString *reason = nullptr);

private:
    // Why the file cannot be given to QSettings; empty when it can.
    QString unusableReason() const;
    // Writes every choice, keeping what else the file holds; why not, or empty.
    [[nodiscard]] QString save() const;

    QString m_path;
    bool m_values[3] = {false, false, false};
};

} // namespace kav
