#include "app/startup.h"

#include "app/designfonts.h"
#include "app/directpngstyle.h"
#include "app/mainwindow.h"
#include "app/qtdialogseam.h"
#include "app/singleinstance.h"
#include "common/appfolder.h"
#include "common/printable.h"
#include "common/shownpath.h"
#include "link/systemserialservice.h"
#include "radio/backuppruner.h"

#include <QApplication>
#include <QDir>
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

ProgramParts::ProgramParts(const QString &appFolder, SerialService &serial)
    : appFolder(appFolder), settings(appFolder), backups(BackupStore::defaultFolder(appFolder)),
      history(QDir(appFolder).filePath(QString::fromLatin1(kHistoryFileName))), port(serial),
      portSetting(port, appFolder), session(
                                        port, [this] { return portSetting.portTarget(); }, &trace)
{
}

ProgramParts::~ProgramParts() = default;

void ProgramParts::startUpSettings()
{
    if (!m_pruner) {
        m_pruner = std::make_unique<BackupPruner>(backups);
        m_pruner->start();
    }
    portSetting.loadPortSetting();
}

QString secondStartDetail(const QString &holder, const QString &plan)
{
    if (plan.isEmpty())
        return holder;
    const QString notOpened = QStringLiteral("The plan %1 was not opened. Open it from the running window: "
                                             "OPEN, or drop it there.")
                                  .arg(shownPath(plan));
    return holder.isEmpty() ? notOpened : holder + QStringLiteral("\n\n") + notOpened;
}

int runKavrilink(const QString &plan)
{
    installDesignFonts();
    installDirectPngStyle();
    QtDialogSeam dialogs;

    // Nowhere to keep its files (no usable HOME): said, rather than a folder made under /.
    QString problem;
    const QString appFolder = applicationFolder(&problem);
    if (appFolder.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(printableText(problem)));
        showCritical(dialogs, QStringLiteral("Kavrilink cannot start: ") + problem, QStringLiteral("Kavrilink"),
                     QStringLiteral("Set HOME (or XDG_DATA_HOME) to a folder of yours and start it again."));
        return 1;
    }
    SingleInstance instance(QDir(appFolder).filePath(QStringLiteral("kavrilink.lock")));
    if (!instance.acquire()) {
        // The running window is left alone: the plan is not passed on to it.
        const QString detail = secondStartDetail(instance.holder(), plan);
        std::fprintf(stderr, "%s\n", qPrintable(printableLines(detail)));
        showPlain(dialogs, QStringLiteral("Already Program Running"), {}, detail);
        return 0;
    }
    if (!instance.notice().isEmpty())
        std::fprintf(stderr, "%s\n", qPrintable(printableText(instance.notice())));

    SystemSerialService serial;
    ProgramParts parts(appFolder, serial);
    MainWindow window(parts, dialogs);
    dialogs.setParent(&window);
    window.startUpSheet();
    window.show();
    // The port check and the pruning of backups need not hold up the window;
    // a plan given on the command line opens once it is up, as OPEN would.
    new FirstExposure(window.windowHandle(), [&parts, &window, plan] {
        parts.startUpSettings();
        if (!plan.isEmpty())
            window.openPlan(plan);
    });
    return QApplication::exec();
}

} // namespace kav
