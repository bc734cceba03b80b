#include "common/dialogseam.h"

#include "common/printable.h"

namespace kav {

DialogSeam::~DialogSeam() = default;

MessageResult showCritical(DialogSeam &dialogs, const QString &text, const QString &title,
                           const QString &informativeText)
{
    return dialogs.showMessage({printableLines(text), title, MessageIcon::Critical, MessageButtons::Ok,
                                MessageResult::Ok, printableLines(informativeText)});
}

MessageResult showPlain(DialogSeam &dialogs, const QString &text, const QString &title, const QString &informativeText)
{
    return dialogs.showMessage({printableLines(text), title, MessageIcon::None, MessageButtons::Ok, MessageResult::Ok,
                                printableLines(informativeText)});
}

MessageResult askQuestion(DialogSeam &dialogs, const QString &text, const QString &title, MessageButtons buttons,
                          MessageResult defaultButton, const QString &informativeText)
{
    return dialogs.showMessage(
        {printableLines(text), title, MessageIcon::Question, buttons, defaultButton, printableLines(informativeText)});
}

QDebug operator<<(QDebug debug, const MessageRequest &request)
{
    QDebugStateSaver saver(debug);
    static const char *const icons[] = {"none", "question", "critical"};
    static const char *const buttons[] = {"OK", "Yes/No", "OK/Cancel"};
    debug.nospace() << "MessageRequest(" << request.text << ", title " << request.title << ", "
                    << icons[int(request.icon)] << ", " << buttons[int(request.buttons)];
    if (!request.informativeText.isEmpty())
        debug << ", detail " << request.informativeText;
    debug << ')';
    return debug;
}

} // namespace kav
