#pragma once

#include "app/mainwindow.h"
#include "app/startup.h"
#include "common/appfolder.h"
#include "link/qtserialservice.h"
#include "sheet/channelsheet.h"
#include "support/scripteddialogs.h"
#include "support/testfolder.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

// Controls of the window by their object names ("Cmd_Read", "Txt_Rx1",
// "M_VerifyAfterWrite"); a name the window does not have ends the test run.
template <typename T> T *findControl(const QWidget &window, const QString &name)
{
    T *found = window.findChild<T *>(name);
    if (!found)
        qFatal("the window has no %s named %s", T::staticMetaObject.className(), qPrintable(name));
    return found;
}
inline QPushButton *findButton(const QWidget &window, const char *name)
{
    return findControl<QPushButton>(window, QString::fromLatin1(name));
}
inline QLineEdit *findField(const QWidget &window, const char *name)
{
    return findControl<QLineEdit>(window, QString::fromLatin1(name));
}
inline QAction *findItem(const QWidget &window, const char *name)
{
    return findControl<QAction>(window, QString::fromLatin1(name));
}
// The receive and transmit fields of channel 1 to 3; the item COM n.
inline QLineEdit *rxFieldOf(const QWidget &window, int channel)
{
    return findControl<QLineEdit>(window, QStringLiteral("Txt_Rx%1").arg(channel));
}
inline QLineEdit *txFieldOf(const QWidget &window, int channel)
{
    return findControl<QLineEdit>(window, QStringLiteral("Txt_Tx%1").arg(channel));
}
inline QAction *portItemOf(const QWidget &window, int number)
{
    return findControl<QAction>(window, QStringLiteral("M_COM%1").arg(number));
}

// The real main window and its parts as the program builds them, in a
// temporary application folder, with scripted dialogs and a counted "end the
// program". Its serial service is the real one; COM1 to COM255 lead to
// devices that do not exist unless the test maps them (writePortMap, or a map
// of its own elsewhere in portMapFile) before start().
struct WindowFixture
{
    TestFolder folder;
    ScriptedDialogs dialogs;
    kav::QtSerialService serial;
    QString portMapFile; // comport.map elsewhere than in the application folder
    // The document, settings, backups, port setting, session and line trace
    // the window works with.
    std::unique_ptr<kav::ProgramParts> parts;
    std::unique_ptr<kav::MainWindow> window;
    int endProgramCalls = 0;

    // A device path that is never there.
    QString absentDevice(int port) const { return folder.filePath(QStringLiteral("no-such-com%1").arg(port)); }

    // Writes comport.map, e.g. "COM1=/dev/pts/3\n".
    [[nodiscard]] bool writePortMap(const QByteArray &text)
    {
        QDir().mkpath(folder.appFolder());
        QFile file(folder.filePath(QStringLiteral("comport.map")));
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
    }

    // Builds the window and runs its start-up; show it to put it on screen.
    kav::MainWindow &start()
    {
        // Never the machine's own serial ports.
        if (portMapFile.isEmpty() && !QFile::exists(folder.filePath(QStringLiteral("comport.map")))) {
            QByteArray map;
            for (int port = 1; port <= 255; ++port)
                map += "COM" + QByteArray::number(port) + '=' + QFile::encodeName(absentDevice(port)) + '\n';
            if (!writePortMap(map))
                qFatal("cannot write comport.map in %s", qPrintable(folder.appFolder()));
        }
        // As start-up builds them, afresh at every start.
        window.reset();
        parts.reset();
        parts = std::make_unique<kav::ProgramParts>(kav::applicationFolder(), serial);
        if (!portMapFile.isEmpty())
            parts->portSetting.setPortMapFile(portMapFile);
        window = std::make_unique<kav::MainWindow>(*parts, dialogs);
        window->setEndProgram([this] { ++endProgramCalls; });
        parts->startUpSettings();
        window->startUpSheet();
        return *window;
    }

    // The window's controls by their object names.
    template <typename T> T *find(const QString &name) const { return findControl<T>(*window, name); }
    QPushButton *button(const QString &name) const { return find<QPushButton>(name); }
    QLineEdit *field(const QString &name) const { return find<QLineEdit>(name); }
    QAction *item(const QString &name) const { return find<QAction>(name); }
    QLineEdit *rxField(int channel) const { return rxFieldOf(*window, channel); }
    QLineEdit *txField(int channel) const { return txFieldOf(*window, channel); }
    // The sheet that checks the six fields (slots 1 to 3 receive, 4 to 6 transmit).
    kav::ChannelSheet &sheet() const { return *find<kav::ChannelSheet>(QStringLiteral("sheet")); }

    // Types text into field as a user does: click into it, select all, type.
    static void type(QLineEdit *field, const QString &text)
    {
        QTest::mouseClick(field, Qt::LeftButton);
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, text);
    }

    [[nodiscard]] bool show()
    {
        window->show();
        window->activateWindow();
        return QTest::qWaitForWindowActive(window.get());
    }
};
