#include "app/startup.h"

#include "app/designfonts.h"
#include "app/mainwindow.h"
#include "app/plandocument.h"
#include "app/qtdialogseam.h"
#include "app/singleinstance.h"
#include "common/appfolder.h"
#include "common/printable.h"
#include "link/qtserialservice.h"

#include <QApplication>

#include <cstdio>

namespace kav {

int runKavrilink()
{
    installDesignFonts();
    QtDialogSeam dialogs;

    SingleInstance instance(applicationFile(QStringLiteral("kavrilink.lock")));
    if (!instance.acquire()) {
        std::fprintf(stderr, "%s\n", qPrintable(PrintableText(instance.holder())));
        showPlain(dialogs, QStringLiteral("Already Program Running"), {}, instance.holder());
        return 0;
    }
    if (!instance.notice().isEmpty())
        std::fprintf(stderr, "%s\n", qPrintable(instance.notice()));

    PlanDocument document;
    QtSerialService serial;
    MainWindow window(document, dialogs, serial, applicationFolder());
    dialogs.setParent(&window);
    window.startUp();
    window.show();
    return QApplication::exec();
}

} // namespace kav
