#include "app/filecommands.h"

#include "app/plandocument.h"
#include "app/sendimage.h"
#include "common/appfolder.h"
#include "common/dialogseam.h"
#include "common/shownpath.h"
#include "radio/decoder.h"
#include "radio/frequencyfile.h"
#include "sheet/plandisplay.h"

namespace kav {

FileCommands::FileCommands(PlanDocument &document, PlanDisplay &sheet, DialogSeam &dialogs)
    : m_document(document), m_sheet(sheet), m_dialogs(dialogs)
{
}

void FileCommands::onSaveClicked()
{
    if (!prepareSendImage(m_document, m_sheet, m_dialogs))
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
    if (!saveFrequencyFile(path, m_document.sendImage, &reason)) {
        showCritical(m_dialogs, QStringLiteral("Could not save to ") + shownPath(path), QStringLiteral("Error"),
                     reason);
        return;
    }
    showPlain(m_dialogs, QStringLiteral("Saved to ") + shownPath(path), QStringLiteral("Saved"));
    m_document.fromFile = true;
    m_document.fileName = path;
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

    // A refused file leaves the sheet and the document alone.
    const std::optional<RadioImage> image = readFrequencyFile(path);
    if (!image) {
        showCritical(m_dialogs, QStringLiteral("This is not Saved File"), QStringLiteral("Error"));
        return;
    }
    showPlan(m_sheet, decodePlan(*image));
    m_document.fromFile = true;
    m_document.fileName = path;
}

} // namespace kav
