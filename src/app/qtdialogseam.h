#pragma once

#include "common/dialogseam.h"

class QWidget;

namespace kav {

// The real dialogs: QMessageBox, QFileDialog and QPrintDialog, modal to
// parent; folders open through QDesktopServices.
class QtDialogSeam : public DialogSeam
{
public:
    void setParent(QWidget *parent) { m_parent = parent; }

    MessageResult showMessage(const MessageRequest &request) override;
    QString getOpenFileName(const FileDialogRequest &request) override;
    QString getSaveFileName(const FileDialogRequest &request) override;
    bool showPrintDialog(const PrintDialogRequest &request, QPrinter &printer) override;
    bool openFolder(const QString &folder) override;

private:
    QWidget *m_parent = nullptr;
};

} // namespace kav
