#include "app/deviceassignment.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSerialPortInfo>
#include <QVBoxLayout>

namespace kav {

namespace {

QString describe(const FoundDevice &device)
{
    QStringList about;
    for (const QString &part : {device.description, device.manufacturer}) {
        if (!part.isEmpty())
            about.append(part);
    }
    return about.isEmpty() ? device.path : device.path + QStringLiteral(" — ") + about.join(QStringLiteral(", "));
}

} // namespace

QList<FoundDevice> findSerialDevices()
{
    QList<FoundDevice> devices;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        devices.append({info.systemLocation(), info.description(), info.manufacturer()});
    return devices;
}

DeviceAssignmentDialog::DeviceAssignmentDialog(const PortMap &current, const QList<FoundDevice> &devices,
                                               QWidget *parent)
    : QDialog(parent), m_current(current)
{
    setWindowTitle(QStringLiteral("Assign Devices"));
    auto *layout = new QVBoxLayout(this);
    auto *intro = new QLabel(QStringLiteral("Choose the serial device of each COM port. "
                                            "An empty entry uses the port's default device."),
                             this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    auto *form = new QFormLayout;
    for (int n = 1; n <= 4; ++n) {
        auto *box = new QComboBox(this);
        box->setObjectName(QStringLiteral("COM%1").arg(n));
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setMinimumContentsLength(36);
        box->addItem(QString(), QString());
        for (const FoundDevice &device : devices)
            box->addItem(describe(device), device.path);
        const QString assigned = current.value(n);
        const int index = box->findData(assigned);
        if (index >= 0)
            box->setCurrentIndex(index);
        else
            box->setEditText(assigned);
        box->lineEdit()->setPlaceholderText(DefaultPortDevice(n));
        box->setAccessibleName(QStringLiteral("COM%1 device").arg(n));
        form->addRow(QStringLiteral("COM%1").arg(n), box);
        m_boxes[n - 1] = box;
    }
    layout->addLayout(form);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

PortMap DeviceAssignmentDialog::portMap() const
{
    PortMap map = m_current;
    for (int n = 1; n <= 4; ++n) {
        const QComboBox *box = m_boxes[n - 1];
        // A listed device shows its description; the path is the item's data.
        const int listed = box->findText(box->currentText());
        const QString device = (listed >= 0 ? box->itemData(listed).toString() : box->currentText()).trimmed();
        if (device.isEmpty())
            map.remove(n);
        else
            map.insert(n, device);
    }
    return map;
}

} // namespace kav
