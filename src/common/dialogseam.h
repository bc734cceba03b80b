#pragma once

#include <QDebug>
#include <QString>

class QPrinter;

namespace kav {

// The title every box shows when it gives none of its own.
inline constexpr char kApplicationTitle[] = "Kavrilink";

enum class MessageIcon { None, Question, Critical };
enum class MessageButtons { Ok, YesNo, OkCancel };
enum class MessageResult { Ok, Cancel, Yes, No };

struct MessageRequest
{
    QString text;
    QString title; // empty: the application title
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    MessageResult defaultButton = MessageResult::Ok;
    QString informativeText; // extra detail under the text, may be empty

    friend bool operator==(const MessageRequest &a, const MessageRequest &b)
    {
        return a.text == b.text && a.title == b.title && a.icon == b.icon && a.buttons == b.buttons &&
               a.defaultButton == b.defaultButton && a.informativeText == b.informativeText;
    }
};

struct FileDialogRequest
{
    QString title;
    QString folder;
    QString filter;                // Qt filter text, e.g. "Save File(*.sav)"
    bool confirmOverwrite = false; // save dialogs only
};

struct PrintDialogRequest
{
    QString title;
    int fromPage = 1;
    int toPage = 1;
    int minPage = 1;
    int maxPage = 10;
    bool pageRangeSelected = true;
};

// Every message box and every file or printer dialog of the program goes through
// this interface, so that handlers can run in tests with scripted answers.
class DialogSeam
{
public:
    virtual ~DialogSeam();

    // Shows a modal box and returns the button pressed.
    virtual MessageResult showMessage(const MessageRequest &request) = 0;
    // Return the full path chosen, or an empty string on cancel.
    virtual QString getOpenFileName(const FileDialogRequest &request) = 0;
    virtual QString getSaveFileName(const FileDialogRequest &request) = 0;
    // Shows the printer dialog for printer; true when the user accepted it.
    virtual bool showPrintDialog(const PrintDialogRequest &request, QPrinter &printer) = 0;
    // Opens folder (which exists) in the desktop's file manager, or a file in
    // the desktop's application for it; false when nothing could open it.
    virtual bool openFolder(const QString &folder) = 0;
};

// Convenience for the common boxes. What they quote (a file name, a device from
// comport.map, a line of a file) shows its control characters escaped, line by line.
MessageResult showCritical(DialogSeam &dialogs, const QString &text, const QString &title,
                           const QString &informativeText = {});
MessageResult showPlain(DialogSeam &dialogs, const QString &text, const QString &title = {},
                        const QString &informativeText = {});
MessageResult askQuestion(DialogSeam &dialogs, const QString &text, const QString &title, MessageButtons buttons,
                          MessageResult defaultButton, const QString &informativeText = {});

QDebug operator<<(QDebug debug, const MessageRequest &request);

} // namespace kav
