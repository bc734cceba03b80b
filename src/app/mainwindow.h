#pragma once

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSessionManager;

namespace kav {

class ChannelSheet;
class DialogSeam;
class ExchangeCommands;
class FileCommands;
class PortMenuCommands;
class ReportPrinter;
struct ProgramParts;

// The program's only window (object name "Frm_Main"). It builds the controls
// and connects them to the parts that own their behaviour: the parts start-up
// built (the document, the port and its setting, the session, the choices,
// the backups) and the commands of its buttons and items.
// The controls keep their design names as object names ("Cmd_Read", "Txt_Rx1");
// the sheet that checks the six fields is the child named "sheet".
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // parts: built by start-up and handed in; dialogs: every box and file dialog.
    MainWindow(ProgramParts &parts, DialogSeam &dialogs, QWidget *parent = nullptr);
    ~MainWindow() override;

    // What the user sees first: the model name and the empty sheet, before the
    // window is first shown (the rest of start-up is ProgramParts::startUpSettings()).
    void startUpSheet();

    // What "end the program at once" does; tests replace it.
    void setEndProgram(std::function<void()> endProgram) { m_endProgram = std::move(endProgram); }

    // Connects a command button to its handler through the sheet's gate: the
    // handler runs only when the click may proceed, i.e. the change of focus
    // that the click caused was not refused by a frequency field.
    void connectCommand(QPushButton *button, std::function<void()> handler);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void buildMenu();
    // EXIT: asks, then ends the program: at once, or when a write on the line has ended.
    void onExitClicked();
    // Ends the program once no write is on the line (a read is dropped).
    void endWhenIdle();
    // READ or WRITE began or ended: the commands that would start another are off meanwhile.
    void onBusyChanged(bool busy);
    // Asks the exit question for a close request; true when the program may end.
    [[nodiscard]] bool mayClose();
    [[nodiscard]] bool confirmExit();
    void commitSession(QSessionManager &manager);
    // Each COM item's tooltip names its device, as comport.map says now.
    void showPortDevices();
    // Assign Devices…: the dialog over comport.map as it stands (an unreadable
    // map shown with why, and no OK); OK saves a changed map, and a map that
    // cannot be saved is said.
    void assignDevices();

    ProgramParts &m_parts;
    DialogSeam &m_dialogs;

    QPushButton *m_newButton = nullptr;
    QPushButton *m_openButton = nullptr;
    QPushButton *m_saveButton = nullptr;
    QPushButton *m_printButton = nullptr;
    QPushButton *m_exitButton = nullptr;
    QPushButton *m_readButton = nullptr;
    QPushButton *m_writeButton = nullptr;
    QLabel *m_modelLabel = nullptr;
    QLineEdit *m_modelField = nullptr;
    QWidget *m_channelFrame = nullptr;
    std::array<QLineEdit *, 3> m_rxFields{};
    std::array<QLineEdit *, 3> m_txFields{};
    QLabel *m_statusLabel = nullptr;
    QMenu *m_portMenu = nullptr;
    std::array<QAction *, 4> m_portItems{};
    QAction *m_assignDevicesItem = nullptr;
    QAction *m_backUpItem = nullptr;
    QAction *m_verifyItem = nullptr;
    QAction *m_showChangesItem = nullptr;
    QAction *m_openBackupsItem = nullptr;
    QAction *m_openHistoryItem = nullptr;
    QAction *m_saveTraceItem = nullptr;

    // Also a child, so that it can be found by its name; it goes before the fields it watches.
    std::unique_ptr<ChannelSheet> m_sheet;
    std::unique_ptr<ExchangeCommands> m_exchangeCommands;
    std::unique_ptr<FileCommands> m_fileCommands;
    std::unique_ptr<ReportPrinter> m_reportPrinter;
    std::unique_ptr<PortMenuCommands> m_portMenuCommands;
    std::function<void()> m_endProgram;
    bool m_ending = false;
    bool m_endAfterRun = false;          // EXIT said Yes during a write: the program ends with it
    QWidget *m_focusBeforeRun = nullptr; // the button the run was started from

    friend void setAccessibleNames(MainWindow &window);
};

} // namespace kav
