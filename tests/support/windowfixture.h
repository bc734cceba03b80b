#pragma once

#include "app/mainwindow.h"
#include "app/plandocument.h"
#include "common/appfolder.h"
#include "link/portsetting.h"
#include "link/qtserialservice.h"
#include "support/scripteddialogs.h"
#include "support/testfolder.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>

#include <memory>

// The real main window as the program builds it, in a temporary application
// folder, with scripted dialogs and a counted "end the program". Its serial
// service is the real one; COM1 to COM255 lead to devices that do not exist
// unless the test maps them (writePortMap, or a map of its own elsewhere
// in portMapFile) before start().
struct WindowFixture
{
    TestFolder folder;
    ScriptedDialogs dialogs;
    kav::PlanDocument document;
    kav::QtSerialService serial;
    QString portMapFile; // comport.map elsewhere than in the application folder
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
        window = std::make_unique<kav::MainWindow>(document, dialogs, serial, kav::applicationFolder());
        window->setEndProgram([this] { ++endProgramCalls; });
        if (!portMapFile.isEmpty())
            window->portSetting().setPortMapFile(portMapFile);
        window->startUp();
        return *window;
    }

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
