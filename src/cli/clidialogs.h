#pragma once

#include "common/dialogseam.h"

#include <QStringList>

namespace kav::cli {

// The dialog seam of the command line: questions are answered as the user's
// command already did (Yes, OK), and every message goes to standard error,
// prefixed with the device it concerns.
class CliDialogs : public DialogSeam
{
public:
    explicit CliDialogs(QString prefix = {}) : m_prefix(std::move(prefix)) {}

    MessageResult showMessage(const MessageRequest &request) override;
    QString getOpenFileName(const FileDialogRequest &) override { return {}; }
    QString getSaveFileName(const FileDialogRequest &) override { return {}; }
    bool showPrintDialog(const PrintDialogRequest &, QPrinter &) override { return false; }

    // The texts of the messages (not the questions) shown so far.
    const QStringList &messages() const { return m_messages; }

private:
    QString m_prefix;
    QStringList m_messages;
};

// Writes a line to standard error.
void printError(const QString &line);
// Writes a line to standard output.
void printOut(const QString &line);

} // namespace kav::cli
