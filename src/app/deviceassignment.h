#pragma once

#include "link/portmap.h"

#include <QDialog>

#include <array>

class QComboBox;

namespace kav {

// A serial device as the system lists it.
struct FoundDevice
{
    QString path;
    QString description;
    QString manufacturer;
};

// The serial devices the system lists now (enumerated only when asked).
QList<FoundDevice> findSerialDevices();

// "Assign Devices…": maps each of COM1 to COM4 to a serial device. Each row
// offers the devices found (path with description and manufacturer) and
// takes a typed path too; an empty row leaves that port to its default.
class DeviceAssignmentDialog : public QDialog
{
    Q_OBJECT

public:
    DeviceAssignmentDialog(const PortMap &current, const QList<FoundDevice> &devices, QWidget *parent = nullptr);

    // The map as chosen: the four rows, and entries for other ports kept as they were.
    PortMap portMap() const;
    QComboBox *deviceBox(int comNumber) const { return m_boxes[comNumber - 1]; }

private:
    PortMap m_current;
    std::array<QComboBox *, 4> m_boxes{};
};

} // namespace kav
