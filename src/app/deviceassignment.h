#pragma once

#include "link/portmap.h"
#include "link/serialdevices.h"

#include <QDialog>

#include <array>

class QComboBox;

namespace kav {

// The system's serial devices with their /dev/serial/by-id paths, listed only when asked.
QList<SerialDevice> findSerialDevices();

// "Assign Devices…": maps each of COM1 to COM4 to a serial device. Each row
// offers the by-id path of each USB adapter first (it stays the same when the
// adapter is plugged into another socket), then every device by its present
// name, each with what is known of it, and takes a typed path too; an empty
// row leaves that port to its default. The list follows devices that come and
// go while the dialog is open; the user's choice and typing stay as they are.
// A comport.map that could not be read is shown with the reason, every row
// disabled and no OK, so it can never be replaced by what the dialog lacked.
class DeviceAssignmentDialog : public QDialog
{
    Q_OBJECT

public:
    DeviceAssignmentDialog(const PortMap &current, SerialDeviceLister lister, QWidget *parent = nullptr);
    DeviceAssignmentDialog(const PortMapRead &current, SerialDeviceLister lister, QWidget *parent = nullptr);

    // The map as chosen: the four rows, and entries for other ports kept as they were.
    PortMap portMap() const;
    QComboBox *deviceBox(int comNumber) const { return m_boxes[comNumber - 1]; }

private:
    void refreshDevices();

    PortMap m_current;
    SerialDeviceLister m_lister;
    std::array<QComboBox *, 4> m_boxes{};
};

} // namespace kav
