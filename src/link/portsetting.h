#pragma once

#include "link/portmap.h"

#include <QObject>
#include <QString>

#include <cstdint>

namespace kav {

class PortHolder;

// The COM port choice: checks the port at start-up, keeps the chosen number and
// comport.inf in the application folder, and names the device of each COM port
// as comport.map there says (read at every asking, so edits count without a
// restart). It shows nothing: a choice that fails returns why, for the window
// to say; the menu follows chosenPortChanged().
class PortSetting : public QObject
{
    Q_OBJECT

public:
    // port: what the check opens and closes; folder: the application folder.
    PortSetting(PortHolder &port, const QString &folder, QObject *parent = nullptr);

    // Start-up: reads or creates comport.inf, checks the port (quietly), tells the number.
    void loadPortSetting();
    // Opens and closes the port of portNumber(): true when it could be opened
    // (or a session holds the port). Reports nothing.
    [[nodiscard]] bool checkPort();

    // COM n chosen: checks the port (unless a session holds it: the next
    // session opens the chosen one), keeps it in comport.inf and tells the
    // number. False, with the device or file and the system's reason in
    // *reason, when it cannot.
    [[nodiscard]] bool choosePort(int number, QString *reason);

    // The chosen COM port's number as comport.inf holds it (1 when it holds
    // none that can be used); 0 before start-up.
    int portNumber() const { return m_portNumber; }
    // The COM port READ and WRITE open: the last one chosen or checked (a
    // number outside 1 to 255 is refused and leaves it), and its device.
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

Q_SIGNALS:
    // The chosen port, read at start-up or chosen since.
    void chosenPortChanged(int number);

private:
    [[nodiscard]] bool configure(int number);
    QString portFilePath() const;

    PortHolder &m_port;
    int m_portNumber = 0;
    QString m_folder;
    QString m_portMapFile;
    int m_configuredPort = 1;
};

} // namespace kav
