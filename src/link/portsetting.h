#pragma once

#include "link/linkmessages.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>

namespace kav {

class DialogSeam;
class SerialService;
struct RadioData;

// The COM port choice: configures and checks the serial service at start-up,
// keeps CommPortNumber and comport.inf in the application folder, and sets
// the check marks of the items COM1 to COM4.
class PortSetting
{
public:
    // Sets the check mark of item n (1 to 4).
    using MarkItem = std::function<void(int item, bool checked)>;

    PortSetting(SerialService &serial, RadioData &data, DialogSeam &dialogs, MarkItem markItem);

    // Start-up: reads or creates comport.inf, configures the service and checks
    // the port (quietly), marks the menu.
    void LoadPortSetting();
    // Configures the closed service for CommPortNumber and opens and closes it:
    // 1 when it could be opened, 0 otherwise. Reports nothing.
    [[nodiscard]] std::int16_t OpenCommPort();
    // Checks the item of CommPortNumber alone when it is 1 to 4; any other
    // number keeps the marks as they were last set here.
    void MarkPortMenu();

    // The item COM n chosen: checks the port (unless an exchange holds it
    // open), keeps it in comport.inf and marks it; a failure says why.
    void choosePort(int number);

    // The marks as last set, item 1 first.
    const std::array<bool, 4> &marks() const { return m_marks; }

private:
    void failChoice(const QString &detail);

    SerialService &m_serial;
    RadioData &m_data;
    DialogSeam &m_dialogs;
    MarkItem m_markItem;
    std::array<bool, 4> m_marks{}; // the items start unchecked
};

// The message for a COM port that cannot be chosen, and for READ and WRITE failing to reach the port.

} // namespace kav
