#include "support/scripteddialogs.h"

kav::MessageResult ScriptedDialogs::showMessage(const kav::MessageRequest &request)
{
    messages.append(request);
    if (m_hook)
        m_hook(request);
    return m_answers.isEmpty() ? request.defaultButton : m_answers.dequeue();
}

QString ScriptedDialogs::getOpenFileName(const kav::FileDialogRequest &request)
{
    openRequests.append(request);
    return m_files.isEmpty() ? QString() : m_files.dequeue();
}

QString ScriptedDialogs::getSaveFileName(const kav::FileDialogRequest &request)
{
    saveRequests.append(request);
    return m_files.isEmpty() ? QString() : m_files.dequeue();
}

bool ScriptedDialogs::showPrintDialog(const kav::PrintDialogRequest &request, QPrinter &printer)
{
    printRequests.append(request);
    if (m_printHook)
        m_printHook(printer);
    return m_prints.isEmpty() ? false : m_prints.dequeue();
}

bool ScriptedDialogs::openFolder(const QString &folder)
{
    openedFolders.append(folder);
    return !m_failOpenFolder;
}

QStringList ScriptedDialogs::messageTexts() const
{
    QStringList texts;
    for (const auto &message : messages)
        texts.append(message.text);
    return texts;
}

void ScriptedDialogs::clear()
{
    messages.clear();
    openRequests.clear();
    saveRequests.clear();
    printRequests.clear();
    openedFolders.clear();
    m_answers.clear();
    m_files.clear();
    m_prints.clear();
    m_failOpenFolder = false;
    m_hook = nullptr;
    m_printHook = nullptr;
}
