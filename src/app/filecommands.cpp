#include "app/filecommands.h"

#include "app/sendimage.h"
#include "common/appfolder.h"
#include "common/dialogseam.h"
#include "radio/decoder.h"
#include "radio/frequencyfile.h"
#include "radio/radiodata.h"

namespace kav {

FileCommands::FileCommands(RadioData &data, PlanDisplay &sheet, DialogSeam &dialogs)
    : m_data(data), m_sheet(sheet), m_dialogs(dialogs)
{
}

void FileCommands::onSaveClicked()
{
    if (!PrepareSendImage(m_data, m_sheet, m_dialogs))
        return; // it has said why

    FileDialogRequest request;
    request.title = QStringLiteral("Save to File");
    request.folder = applicationFolder();
    request.filter = QString::fromLatin1(kSavedFileFilter);
    request.confirmOverwrite = true;
    const QString path = m_dialogs.getSaveFileName(request);
    if (path.isEmpty())
        return;

    QString reason;
    if (!SaveFrequencyFile(path, m_data.SendImage, &reason)) {
        showCritical(m_dialogs, QStringLiteral("Could not save to ") + path, QStringLiteral("Error"), reason);
        return;
    }
    showPlain(m_dialogs, QStringLiteral("Saved to ") + path, QStringLiteral("Saved"));
    m_data.SheetFromFile = 1;
    m_data.SheetFileName = path;
}

void FileCommands::onOpenClicked()
{
    FileDialogRequest request;
    request.title = QStringLiteral("Read from File");
    request.folder = applicationFolder();
    request.filter = QString::fromLatin1(kSavedFileFilter);
    const QString path = m_dialogs.getOpenFileName(request);
    if (path.isEmpty())
        return;

    // Read into a copy: a refused file leaves ReceiveImage and the sheet alone.
    const std::optional<RadioImage> image = ReadFrequencyFile(path);
    if (!image) {
        showCritical(m_dialogs, QStringLiteral("This is not Saved File"), QStringLiteral("Error"));
        return;
    }
    m_data.ReceiveImage = *image;
    LoadReceivedImage(m_data, m_sheet);
    m_data.SheetFromFile = 1;
    m_data.SheetFileName = path;
}

} // namespace kav
