#pragma once

#include "common/dialogseam.h"

#include <QList>
#include <QQueue>

#include <functional>

// The dialog seam for tests: records every request and answers from a script.
// A box with no scripted answer gets its default button, and an unscripted file
// dialog is cancelled; a folder to open is recorded, never shown.
class ScriptedDialogs : public kav::DialogSeam
{
public:
    kav::MessageResult showMessage(const kav::MessageRequest &request) override;
    QString getOpenFileName(const kav::FileDialogRequest &request) override;
    QString getSaveFileName(const kav::FileDialogRequest &request) override;
    bool showPrintDialog(const kav::PrintDialogRequest &request, QPrinter &printer) override;
    // Records the folder; "opens" it unless told otherwise.
    bool openFolder(const QString &folder) override;

    void answer(kav::MessageResult result) { m_answers.enqueue(result); }
    void chooseFile(const QString &path) { m_files.enqueue(path); }
    void acceptPrint(bool accepted) { m_prints.enqueue(accepted); }
    void failOpenFolder(bool fail) { m_failOpenFolder = fail; }
    // Runs while a box is "on screen", before it returns (e.g. to check the focus).
    void onMessage(std::function<void(const kav::MessageRequest &)> hook) { m_hook = std::move(hook); }
    // Runs while the printer dialog is "on screen", as the user choosing a printer or a file there.
    void onPrint(std::function<void(QPrinter &)> hook) { m_printHook = std::move(hook); }

    QList<kav::MessageRequest> messages;
    QList<kav::FileDialogRequest> openRequests;
    QList<kav::FileDialogRequest> saveRequests;
    QList<kav::PrintDialogRequest> printRequests;
    QStringList openedFolders;

    QStringList messageTexts() const;
    void clear();

private:
    QQueue<kav::MessageResult> m_answers;
    QQueue<QString> m_files;
    QQueue<bool> m_prints;
    bool m_failOpenFolder = false;
    std::function<void(const kav::MessageRequest &)> m_hook;
    std::function<void(QPrinter &)> m_printHook;
};
