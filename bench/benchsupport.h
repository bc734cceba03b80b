#pragma once

#include "common/dialogseam.h"

#include <QByteArray>

namespace kav::bench {

// Answers Yes to every question; any other box is counted and printed.
class YesDialogs : public DialogSeam
{
public:
    MessageResult showMessage(const MessageRequest &request) override;
    QString getOpenFileName(const FileDialogRequest &) override { return {}; }
    QString getSaveFileName(const FileDialogRequest &) override { return {}; }
    bool showPrintDialog(const PrintDialogRequest &, QPrinter &) override { return false; }
    bool openFolder(const QString &) override { return false; }

    int errors = 0;
};

// /proc/self/status as it is now.
QByteArray processStatus();

// A kB figure such as "VmRSS:" from a status text; -1 when it is missing.
long statusKilobytes(const QByteArray &status, const char *key);

} // namespace kav::bench
