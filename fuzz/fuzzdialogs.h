#pragma once

#include "common/dialogseam.h"

#include <QList>
#include <QStringList>

#include <functional>

// The dialog seam of the fuzz targets: records every box, answers questions
// with the answers queued (No when none is left), and returns a fixed path
// from the file dialogs.
class FuzzDialogs : public kav::DialogSeam
{
public:
    kav::MessageResult showMessage(const kav::MessageRequest &request) override
    {
        shown.append(request);
        if (onMessage)
            onMessage(request);
        if (request.buttons == kav::MessageButtons::Ok)
            return kav::MessageResult::Ok;
        if (answers.isEmpty())
            return request.buttons == kav::MessageButtons::YesNo ? kav::MessageResult::No : kav::MessageResult::Cancel;
        return answers.takeFirst();
    }
    QString getOpenFileName(const kav::FileDialogRequest &) override { return path; }
    QString getSaveFileName(const kav::FileDialogRequest &) override { return path; }
    bool showPrintDialog(const kav::PrintDialogRequest &, QPrinter &) override { return false; }
    bool openFolder(const QString &) override { return false; }

    QList<kav::MessageRequest> shown;
    QList<kav::MessageResult> answers;
    QString path;
    std::function<void(const kav::MessageRequest &)> onMessage;
};
