#include "app/startup.h"

#include "app/designfonts.h"
#include "app/mainwindow.h"
#include "app/plandocument.h"
#include "app/qtdialogseam.h"
#include "app/singleinstance.h"
#include "common/appfolder.h"
#include "common/appsettings.h"
#include "common/printable.h"
#include "link/qtserialservice.h"
#include "radio/backupstore.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <functional>

namespace kav {

namespace {

// Runs its work once, in the event loop's turn after the window it watches
// is first on screen (its first exposure handled, the first paint with it).
class FirstExposure : public QObject
{
public:
    FirstExposure(QWindow *window, std::function<void()> work) : QObject(window), m_work(std::move(work))
    {
        m_nextTurn.setSingleShot(true);
        m_nextTurn.setInterval(0);
        connect(&m_nextTurn, &QTimer::timeout, this, &FirstExposure::runWork);
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && static_cast<QWindow *>(watched)->isExposed()) {
            watched->removeEventFilter(this);
            m_nextTurn.start();
        }
        return false;
    }

private:
    void runWork()
    {
        m_work();
        deleteLater();
    }

    std::function<void()> m_work;
    QTimer m_nextTurn; // the event loop's next turn
};

} // namespace

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
        std::fprintf(stderr, "%s\n", qPrintable(PrintableText(instance.notice())));

    const QString folder = applicationFolder();
    PlanDocument document;
    QtSerialService serial;
    AppSettings settings(folder);
    const BackupStore backups(BackupStore::defaultFolder(folder));
    MainWindow window(document, dialogs, serial, settings, backups, folder);
    dialogs.setParent(&window);
    window.startUpSheet();
    window.show();
    // The port check and the pruning of backups need not hold up the window.
    new FirstExposure(window.windowHandle(), [&window] { window.startUpSettings(); });
    return QApplication::exec();
}

} // namespace kav
