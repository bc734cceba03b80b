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

class AppSettings;
class BackupStore;
class ChannelSheet;
class DialogSeam;
class ExchangeCommands;
class FileCommands;
class LineTrace;
class PortMenuCommands;
class PortSetting;
class ProgrammingExchange;
class ReportPrinter;
class SerialService;
struct PlanDocument;

// The program's only window (object name "Frm_Main"). It builds the controls
// and connects them to the parts that own their behaviour.
// The controls keep their design names as object names ("Cmd_Read", "Txt_Rx1").
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // Built by start-up and handed in: serial is the port to the radio,
    // settings the COM PORT menu's remembered choices, backups where plans
    // read are kept; appFolder holds comport.inf and comport.map.
    MainWindow(PlanDocument &document, DialogSeam &dialogs, SerialService &serial, AppSettings &settings,
               const BackupStore &backups, const QString &appFolder, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Start-up after the single-instance check: startUpSettings() and startUpSheet().
    void startUp();
    // What the user sees first: the model name and the empty sheet, before the
    // window is first shown.
    void startUpSheet();
    // What nothing on screen waits for, run once the window is shown: reads
    // comport.inf and checks its port quietly (the COM items' marks follow),
    // and prunes old backups.
    void startUpSettings();
    // EXIT: asks, then ends the program at once.
    void onExitClicked();
    // Asks the exit question for a close request; true when the program may end.
    [[nodiscard]] bool mayClose();

    // What "end the program at once" does; tests replace it.
    void setEndProgram(std::function<void()> endProgram) { m_endProgram = std::move(endProgram); }

    ChannelSheet &sheet() const { return *m_sheet; }
    // The engine of READ and WRITE.
    ProgrammingExchange &exchange() const;
    FileCommands &fileCommands() const { return *m_fileCommands; }
    ReportPrinter &reportPrinter() const { return *m_reportPrinter; }
    // The COM port choice and its menu marks.
    PortSetting &portSetting() const { return *m_portSetting; }
    // The last exchanges on the line.
    const LineTrace &lineTrace() const;

    // Connects a command button to its handler through the sheet's gate: the
    // handler runs only when the click may proceed, i.e. the change of focus
    // that the click caused was not refused by a frequency field.
    void connectCommand(QPushButton *button, std::function<void()> handler);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void buildMenu();
    [[nodiscard]] bool confirmExit();
    void commitSession(QSessionManager &manager);
    // Each COM item's tooltip names its device, as comport.map says now.
    void showPortDevices();
    // The item COM n chosen; a port that cannot be chosen is said.
    void assignDevices();

    PlanDocument &m_document;
    DialogSeam &m_dialogs;
    SerialService &m_serial;

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
    QAction *m_openBackupsItem = nullptr;
    QAction *m_saveTraceItem = nullptr;

    QString m_appFolder;
    AppSettings &m_settings;
    const BackupStore &m_backups;
    std::unique_ptr<ChannelSheet> m_sheet;
    std::unique_ptr<ExchangeCommands> m_exchangeCommands;
    std::unique_ptr<FileCommands> m_fileCommands;
    std::unique_ptr<ReportPrinter> m_reportPrinter;
    std::unique_ptr<PortSetting> m_portSetting;
    std::unique_ptr<PortMenuCommands> m_portMenuCommands;
    std::function<void()> m_endProgram;
    bool m_ending = false;

    friend void setAccessibleNames(MainWindow &window);
};

} // namespace kav
