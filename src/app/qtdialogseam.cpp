#include "app/qtdialogseam.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QUrl>

namespace kav {

namespace {

QMessageBox::StandardButton toStandard(MessageResult result)
{
    switch (result) {
    case MessageResult::Ok:
        return QMessageBox::Ok;
    case MessageResult::Cancel:
        return QMessageBox::Cancel;
    case MessageResult::Yes:
        return QMessageBox::Yes;
    case MessageResult::No:
        return QMessageBox::No;
    }
    return QMessageBox::NoButton;
}

QMessageBox::StandardButtons buttonsOf(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::Ok:
        return QMessageBox::Ok;
    case MessageButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon iconOf(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::None:
        return QMessageBox::NoIcon;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

} // namespace

MessageResult QtDialogSeam::showMessage(const MessageRequest &request)
{
    const QString title = request.title.isEmpty() ? QString::fromLatin1(kApplicationTitle) : request.title;
    QMessageBox box(iconOf(request.icon), title, request.text, buttonsOf(request.buttons), m_parent);
    box.setDefaultButton(toStandard(request.defaultButton));
    if (!request.informativeText.isEmpty())
        box.setInformativeText(request.informativeText);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return MessageResult::Yes;
    case QMessageBox::No:
        return MessageResult::No;
    case QMessageBox::Cancel:
        return MessageResult::Cancel;
    case QMessageBox::Ok:
        return MessageResult::Ok;
    default:
        // Closed without a button (Escape on a Yes/No box): the safe answer.
        return request.buttons == MessageButtons::YesNo      ? MessageResult::No
               : request.buttons == MessageButtons::OkCancel ? MessageResult::Cancel
                                                             : MessageResult::Ok;
    }
}

QString QtDialogSeam::getOpenFileName(const FileDialogRequest &request)
{
    return QFileDialog::getOpenFileName(m_parent, request.title, request.folder, request.filter);
}

QString QtDialogSeam::getSaveFileName(const FileDialogRequest &request)
{
    QFileDialog dialog(m_parent, request.title, request.folder, request.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    dialog.setDefaultSuffix(QString()); // a name typed without an extension is used as typed
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

bool QtDialogSeam::showPrintDialog(const PrintDialogRequest &request, QPrinter &printer)
{
#ifdef Q_OS_WIN
    // Windows' print dialog serves installed printers only; with none, the
    // report goes to the PDF file chosen here, as the dialog elsewhere offers.
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        const QString path = QFileDialog::getSaveFileName(m_parent, request.title, printer.outputFileName(),
                                                          QStringLiteral("PDF (*.pdf)"));
        if (path.isEmpty())
            return false;
        printer.setOutputFileName(path);
        return true;
    }
#endif
    QPrintDialog dialog(&printer, m_parent);
    dialog.setWindowTitle(request.title);
    dialog.setMinMax(request.minPage, request.maxPage);
    dialog.setFromTo(request.fromPage, request.toPage);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    if (request.pageRangeSelected)
        printer.setPrintRange(QPrinter::PageRange);
    return dialog.exec() == QDialog::Accepted;
}

bool QtDialogSeam::openFolder(const QString &folder)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

} // namespace kav
