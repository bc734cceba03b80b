#pragma once

#include "link/portmap.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>

namespace kav {

class SerialService;

// The COM port choice: checks the port at start-up, keeps the chosen number and
// comport.inf in the application folder, names the device of each COM port
// as comport.map there says (read at every asking, so edits count without a
// restart), and sets the check marks of the items COM1 to COM4. It shows
// nothing: a choice that fails returns why, for the window to say.
class PortSetting
{
public:
    // Sets the check mark of item n (1 to 4).
    using MarkItem = std::function<void(int item, bool checked)>;

    // folder: the application folder, passed in by its owner.
    PortSetting(SerialService &serial, const QString &folder, MarkItem markItem);

    // Start-up: reads or creates comport.inf, checks the port (quietly), marks the menu.
    void LoadPortSetting();
    // Opens and closes the closed port of portNumber(): 1 when it could be
    // opened, 0 otherwise. Reports nothing.
    [[nodiscard]] std::int16_t OpenCommPort();
    // Checks the item of portNumber() alone when it is 1 to 4; any other
    // number keeps the marks as they were last set here.
    void MarkPortMenu();

    // The item COM n chosen: checks the port (unless an exchange holds it
    // open), keeps it in comport.inf and marks it. False, with the device or
    // file and the system's reason in *reason, when it cannot; the marks are
    // then for the caller to set again once it has said so.
    [[nodiscard]] bool choosePort(int number, QString *reason);

    // The chosen COM port's number as comport.inf holds it (1 when it holds
    // none that can be used); 0 before start-up.
    int portNumber() const { return m_portNumber; }
    // The COM port READ and WRITE open: the last one configured for a closed
    // port (a number outside 1 to 255 is refused and leaves it), and its device.
    int configuredPort() const { return m_configuredPort; }
    QString portDevice() const { return deviceOf(m_configuredPort); }
    PortTarget portTarget() const { return targetOf(m_configuredPort); }
    // The device of COM n, as comport.map says now (the default one when it cannot be read).
    QString deviceOf(int number) const;
    // The same, or why there is none: a comport.map that is there but unusable
    // leaves every COM number without a device.
    PortTarget targetOf(int number) const;

    // comport.map in the application folder unless set.
    void setPortMapFile(const QString &path) { m_portMapFile = path; }
    QString portMapFile() const { return m_portMapFile; }

    // The marks as last set, item 1 first.
    const std::array<bool, 4> &marks() const { return m_marks; }

private:
    [[nodiscard]] bool configure(int number);
    QString portFilePath() const;

    SerialService &m_serial;
    int m_portNumber = 0;
    QString m_folder;
    QString m_portMapFile;
    MarkItem m_markItem;
    int m_configuredPort = 1;
    std::array<bool, 4> m_marks{}; // the items start unchecked
};

} // namespace kav
