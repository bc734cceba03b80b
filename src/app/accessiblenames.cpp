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
        {w.m_newButton, "NEW", "Clear the sheet and start a new channel plan"},
        {w.m_openButton, "OPEN", "Open a saved frequency file"},
        {w.m_saveButton, "SAVE", "Save the sheet to a frequency file"},
        {w.m_printButton, "PRINT", "Print the frequency report"},
        {w.m_exitButton, "EXIT", "Exit the program"},
        {w.m_readButton, "READ", "Read the channel plan from the radio"},
        {w.m_writeButton, "WRITE", "Write the sheet to the radio"},
        {w.m_modelField, "Model", "Model of the radio"},
        {w.m_channelFrame, "CHANNEL DATA", "The channel plan"},
        {w.m_rxFields[0], "CH1 RX frequency", "Receive frequency of channel 1 in MHz, 38.0000 to 42.3000"},
        {w.m_rxFields[1], "CH2 RX frequency", "Receive frequency of channel 2 in MHz, 38.0000 to 42.3000"},
        {w.m_rxFields[2], "CH3 RX frequency", "Receive frequency of channel 3 in MHz, 38.0000 to 42.3000"},
        {w.m_txFields[0], "CH1 TX frequency", "Transmit frequency of channel 1 in MHz, 38.0000 to 42.3000"},
        {w.m_txFields[1], "CH2 TX frequency", "Transmit frequency of channel 2 in MHz, 38.0000 to 42.3000"},
        {w.m_txFields[2], "CH3 TX frequency", "Transmit frequency of channel 3 in MHz, 38.0000 to 42.3000"},
        {w.m_statusLabel, "Frequency range", "38.000 to 42.300 MHz, 25 watt mobile radio"},
    };
    for (const Entry &entry : entries) {
        entry.widget->setAccessibleName(QString::fromLatin1(entry.name));
        entry.widget->setAccessibleDescription(QString::fromLatin1(entry.description));
    }
    // The labels name the fields beside them.
    w.m_modelLabel->setBuddy(w.m_modelField);
}

} // namespace kav
