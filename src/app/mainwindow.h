#pragma once

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSessionManager;
class QStatusBar;

namespace kav {

class ChannelSheet;
class DialogSeam;
class FileCommands;
class PortSetting;
class ProgrammingExchange;
class ReportPrinter;
class SerialService;
struct RadioData;

// Frm_Main, the program's only window. It builds the controls and connects
// them to the parts that own their behaviour.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // serial is the serial control MSComm1.
    MainWindow(RadioData &data, DialogSeam &dialogs, SerialService &serial, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Start-up after the single-instance check, before the window is first shown.
    void Form_Load();
    void CMD_EXit_Click();
    // Asks the exit question for a close request; true when the program may end.
    [[nodiscard]] bool Form_QueryUnload();

    // What "end the program at once" does; tests replace it.
    void setEndProgram(std::function<void()> endProgram) { m_endProgram = std::move(endProgram); }

    ChannelSheet &sheet() const { return *m_sheet; }
    // READ and WRITE: the exchanges with the radio over the serial control.
    ProgrammingExchange &exchange() const { return *m_exchange; }
    FileCommands &fileCommands() const { return *m_fileCommands; }
    ReportPrinter &reportPrinter() const { return *m_reportPrinter; }
    // The COM port choice and its menu marks.
    PortSetting &portSetting() const { return *m_portSetting; }

    // Connects a command button to its handler through the sheet's gate: the
    // handler runs only when the click may proceed, i.e. the change of focus
    // that the click caused was not refused by a frequency field.
    void connectCommand(QPushButton *button, std::function<void()> handler);

    QLabel *Label1 = nullptr;
    QPushButton *Cmd_New = nullptr;
    QPushButton *Cmd_Open = nullptr;
    QPushButton *Cmd_Save = nullptr;
    QPushButton *CMd_Print = nullptr;
    QPushButton *CMD_EXit = nullptr;
    QPushButton *Cmd_Read = nullptr;
    QPushButton *Cmd_Write = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *Txt_Model = nullptr;
    QGroupBox *Frame1 = nullptr;
    QLabel *Label6 = nullptr;
    QLabel *Label7 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label5 = nullptr;
    QLineEdit *Txt_Rx1 = nullptr;
    QLineEdit *Txt_Rx2 = nullptr;
    QLineEdit *Txt_Rx3 = nullptr;
    QLineEdit *Txt_Tx1 = nullptr;
    QLineEdit *Txt_Tx2 = nullptr;
    QLineEdit *Txt_Tx3 = nullptr;
    QLabel *StatusBar10 = nullptr;
    QMenu *M_COM = nullptr;
    QAction *M_COM1 = nullptr;
    QAction *M_COM2 = nullptr;
    QAction *M_COM3 = nullptr;
    QAction *M_COM4 = nullptr;
    QAction *M_AssignDevices = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void buildMenu();
    [[nodiscard]] bool confirmExit();
    void commitSession(QSessionManager &manager);
    // Each COM item's tooltip names its device, as comport.map says now.
    void showPortDevices();
    void assignDevices();

    RadioData &m_data;
    DialogSeam &m_dialogs;
    SerialService &m_serial;
    std::unique_ptr<ChannelSheet> m_sheet;
    std::unique_ptr<ProgrammingExchange> m_exchange;
    std::unique_ptr<FileCommands> m_fileCommands;
    std::unique_ptr<ReportPrinter> m_reportPrinter;
    std::unique_ptr<PortSetting> m_portSetting;
    std::function<void()> m_endProgram;
    bool m_ending = false;
};

} // namespace kav
