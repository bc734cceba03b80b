#pragma once

#include "app/mainwindow.h"
#include "radio/radiodata.h"
#include "support/scripteddialogs.h"
#include "support/testfolder.h"

#include <QLineEdit>
#include <QTest>

#include <memory>

// The real main window as the program builds it, in a temporary application
// folder, with scripted dialogs and a counted "end the program".
struct WindowFixture
{
    TestFolder folder;
    ScriptedDialogs dialogs;
    kav::RadioData data;
    std::unique_ptr<kav::MainWindow> window;
    int endProgramCalls = 0;

    // Builds the window and runs its start-up; show it to put it on screen.
    kav::MainWindow &start()
    {
        window = std::make_unique<kav::MainWindow>(data, dialogs);
        window->setEndProgram([this] { ++endProgramCalls; });
        window->Form_Load();
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
