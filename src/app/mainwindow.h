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
class QStatusBar;

namespace kav {

class ChannelSheet;
class DialogSeam;
class PortSetting;
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

    // What "end the program at once" does; tests replace it.
    void setEndProgram(std::function<void()> endProgram) { m_endProgram = std::move(endProgram); }

    ChannelSheet &sheet() const { return *m_sheet; }
    PortSetting &portSetting() const { return *m_portSetting; }

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

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void buildMenu();
    [[nodiscard]] bool confirmExit();

    RadioData &m_data;
    DialogSeam &m_dialogs;
    SerialService &m_serial;
    std::unique_ptr<ChannelSheet> m_sheet;
    std::unique_ptr<PortSetting> m_portSetting;
    std::function<void()> m_endProgram;
    bool m_ending = false;
};

} // namespace kav
