#include "app/accessiblenames.h"

#include "app/mainwindow.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kav {

void setAccessibleNames(MainWindow &w)
{
    struct Entry
    {
        QWidget *widget;
        const char *name;
        const char *description;
    };
    const Entry entries[] = {
        {w.Cmd_New, "NEW", "Clear the sheet and start a new channel plan"},
        {w.Cmd_Open, "OPEN", "Open a saved frequency file"},
        {w.Cmd_Save, "SAVE", "Save the sheet to a frequency file"},
        {w.CMd_Print, "PRINT", "Print the frequency report"},
        {w.CMD_EXit, "EXIT", "Exit the program"},
        {w.Cmd_Read, "READ", "Read the channel plan from the radio"},
        {w.Cmd_Write, "WRITE", "Write the sheet to the radio"},
        {w.Txt_Model, "Model", "Model of the radio"},
        {w.Frame1, "CHANNEL DATA", "The channel plan"},
        {w.Txt_Rx1, "CH1 RX frequency", "Receive frequency of channel 1 in MHz, 38.0000 to 42.3000"},
        {w.Txt_Rx2, "CH2 RX frequency", "Receive frequency of channel 2 in MHz, 38.0000 to 42.3000"},
        {w.Txt_Rx3, "CH3 RX frequency", "Receive frequency of channel 3 in MHz, 38.0000 to 42.3000"},
        {w.Txt_Tx1, "CH1 TX frequency", "Transmit frequency of channel 1 in MHz, 38.0000 to 42.3000"},
        {w.Txt_Tx2, "CH2 TX frequency", "Transmit frequency of channel 2 in MHz, 38.0000 to 42.3000"},
        {w.Txt_Tx3, "CH3 TX frequency", "Transmit frequency of channel 3 in MHz, 38.0000 to 42.3000"},
        {w.StatusBar10, "Frequency range", "38.000 to 42.300 MHz, 25 watt mobile radio"},
    };
    for (const Entry &entry : entries) {
        entry.widget->setAccessibleName(QString::fromLatin1(entry.name));
        entry.widget->setAccessibleDescription(QString::fromLatin1(entry.description));
    }
    // The labels name the fields beside them.
    w.Label2->setBuddy(w.Txt_Model);
}

} // namespace kav
