// Takes the pictures of the user guide from the real window, built as the
// program builds it, on the X server it runs on (scripts/screenshots starts
// it under Xvfb). Only OPEN is answered here, with the plan given; every box
// and dialog is the real one, grabbed once it is up and then closed as
// Cancel or No would close it, so nothing is written and nothing is sent.
//
//   kavrilink-screenshots PLAN.sav OUTPUT-FOLDER
#include "app/designfonts.h"
#include "app/directpngstyle.h"
#include "app/mainwindow.h"
#include "app/qtdialogseam.h"
#include "app/startup.h"
#include "common/appfolder.h"
#include "link/systemserialservice.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <utility>

using namespace kav;

namespace {

// The COM port the pictures' READ tries: a USB adapter that is not plugged in.
constexpr char kAbsentAdapter[] = "/dev/ttyUSB9";

// The real dialogs, with OPEN answered by the plan to show.
class PictureDialogs : public QtDialogSeam
{
public:
    explicit PictureDialogs(const QString &plan) : m_plan(plan) {}
    QString getOpenFileName(const FileDialogRequest &) override { return m_plan; }

private:
    QString m_plan;
};

// Saves pictures into a folder; the first failure ends the run with exit 1.
class Pictures : public QObject
{
public:
    explicit Pictures(const QString &folder) : m_folder(folder) { qApp->installEventFilter(this); }

    void save(const QImage &image, const QString &name)
    {
        const QString path = m_folder.filePath(name);
        if (image.isNull() || !image.save(path, "PNG")) {
            std::fprintf(stderr, "error: cannot write %s\n", qPrintable(path));
            m_failed = true;
            return;
        }
        std::printf("%s (%dx%d)\n", qPrintable(path), image.width(), image.height());
    }

    // The next dialog shown is saved as name, then rejected.
    void grabNextDialog(const QString &name) { m_nextDialog = name; }
    [[nodiscard]] bool dialogTaken() const { return m_nextDialog.isEmpty(); }
    [[nodiscard]] bool failed() const { return m_failed; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *dialog = qobject_cast<QDialog *>(watched);
        if (event->type() == QEvent::Show && dialog && !m_nextDialog.isEmpty()) {
            const QString name = std::exchange(m_nextDialog, QString());
            // After the dialog's own show handling has laid it out.
            QTimer::singleShot(0, dialog, [this, dialog, name] {
                save(dialog->grab().toImage(), name);
                auto *box = qobject_cast<QMessageBox *>(dialog);
                if (box && box->escapeButton())
                    box->escapeButton()->click(); // No, or OK on a box with no other button
                else
                    dialog->reject();
            });
        }
        return false;
    }

private:
    QDir m_folder;
    QString m_nextDialog;
    bool m_failed = false;
};

// The window with its open menu drawn where it is on screen.
QImage windowWithMenu(QWidget &window, QMenu &menu)
{
    const QPoint origin = window.mapToGlobal(QPoint(0, 0));
    const QRect windowRect(origin, window.size());
    const QRect menuRect = menu.geometry();
    const QRect all = windowRect.united(menuRect);
    QImage image(all.size(), QImage::Format_RGB32);
    image.fill(window.palette().color(QPalette::Window));
    QPainter painter(&image);
    painter.drawPixmap(windowRect.topLeft() - all.topLeft(), window.grab());
    painter.drawPixmap(menuRect.topLeft() - all.topLeft(), menu.grab());
    return image;
}

void clickOn(QWidget *widget)
{
    QTest::mouseClick(widget, Qt::LeftButton);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kavrilink"));
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() != 3 || !QFileInfo(arguments.at(1)).isFile()) {
        std::fprintf(stderr, "usage: kavrilink-screenshots PLAN.sav OUTPUT-FOLDER\n");
        return 2;
    }
    if (QFileInfo::exists(QString::fromLatin1(kAbsentAdapter))) {
        std::fprintf(stderr, "error: %s exists here; the pictures need a COM port that leads nowhere\n",
                     kAbsentAdapter);
        return 2;
    }
    QDir().mkpath(arguments.at(2));
    QFile map(applicationFile(QStringLiteral("comport.map")));
    if (!map.open(QIODevice::WriteOnly) || map.write(QByteArray("COM1=") + kAbsentAdapter + '\n') < 0) {
        std::fprintf(stderr, "error: cannot write %s\n", qPrintable(map.fileName()));
        return 1;
    }
    map.close();

    // As start-up builds the window (app/startup.cpp).
    installDesignFonts();
    installDirectPngStyle();
    PictureDialogs dialogs(QFileInfo(arguments.at(1)).absoluteFilePath());
    SystemSerialService serial;
    ProgramParts parts(applicationFolder(), serial);
    MainWindow window(parts, dialogs);
    dialogs.setParent(&window);
    window.startUpSheet();
    window.show();
    parts.startUpSettings();
    if (!QTest::qWaitForWindowExposed(&window, 30000)) {
        std::fprintf(stderr, "error: the window was never shown\n");
        return 1;
    }

    Pictures pictures(arguments.at(2));
    const auto button = [&window](const char *name) {
        return window.findChild<QPushButton *>(QString::fromLatin1(name));
    };
    auto *portMenu = window.findChild<QMenu *>(QStringLiteral("M_COM"));
    auto *assignDevices = window.findChild<QAction *>(QStringLiteral("M_AssignDevices"));
    if (!button("Cmd_Open") || !button("Cmd_Read") || !button("Cmd_Write") || !portMenu || !assignDevices) {
        std::fprintf(stderr, "error: the window lacks a control the pictures use\n");
        return 1;
    }

    // The window with a plan opened, the focus where start-up puts it.
    clickOn(button("Cmd_Open"));
    button("Cmd_New")->setFocus();
    pictures.save(window.grab().toImage(), QStringLiteral("mainwindow.png"));

    // The COM PORT menu, opened by a click on its title.
    QMenuBar *bar = window.menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(portMenu->menuAction()).center());
    if (!QTest::qWaitForWindowExposed(portMenu, 30000)) {
        std::fprintf(stderr, "error: the COM PORT menu did not open\n");
        return 1;
    }
    pictures.save(windowWithMenu(window, *portMenu), QStringLiteral("com-port-menu.png"));
    portMenu->hide();

    // The boxes, each as its command shows it.
    pictures.grabNextDialog(QStringLiteral("write-question.png"));
    clickOn(button("Cmd_Write")); // No: nothing is sent
    pictures.grabNextDialog(QStringLiteral("reselect-port.png"));
    clickOn(button("Cmd_Read")); // COM1 leads to the adapter that is not there
    pictures.grabNextDialog(QStringLiteral("assign-devices.png"));
    assignDevices->trigger(); // Cancel: comport.map stays as it is
    if (!pictures.dialogTaken()) {
        std::fprintf(stderr, "error: a box the pictures wait for did not show\n");
        return 1;
    }
    return pictures.failed() ? 1 : 0;
}
