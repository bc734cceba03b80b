#include "app/deviceassignment.h"

#include "common/printable.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

#include <chrono>

namespace kav {

namespace {

using namespace std::chrono_literals;

// Often enough that a replugged adapter shows before the user looks for it.
constexpr auto kRefreshInterval = 1000ms;

// One entry of a device list: the text shown and the path written to comport.map.
struct Offer
{
    QString text;
    QString path;

    friend bool operator==(const Offer &a, const Offer &b) { return a.text == b.text && a.path == b.path; }
};

QString offerText(const QString &path, const QString &about)
{
    return about.isEmpty() ? path : path + QStringLiteral(" — ") + about;
}

// The adapters by their by-id paths first, then every device by its present name.
QList<Offer> offersOf(const QList<SerialDevice> &devices)
{
    QList<Offer> offers;
    for (const SerialDevice &device : devices) {
        if (device.byIdPath.isEmpty())
            continue;
        QString about = describeSerialDevice(device);
        about += (about.isEmpty() ? QString() : QStringLiteral(", ")) + QStringLiteral("now ") + device.device;
        offers.append({offerText(device.byIdPath, about), device.byIdPath});
    }
    for (const SerialDevice &device : devices)
        offers.append({offerText(device.device, describeSerialDevice(device)), device.device});
    return offers;
}

// The offers in box, after its empty first item.
QList<Offer> offersIn(const QComboBox *box)
{
    QList<Offer> offers;
    for (int i = 1; i < box->count(); ++i)
        offers.append({box->itemText(i), box->itemData(i).toString()});
    return offers;
}

// Replaces the offers in box, keeping what the user chose or typed: a chosen
// device that is gone stays as its typed path, so it is still what OK writes.
void offer(QComboBox *box, const QList<Offer> &offers)
{
    QLineEdit *edit = box->lineEdit();
    const QString text = box->currentText();
    const int listed = box->findText(text);
    const QString chosen = listed > 0 ? box->itemData(listed).toString() : QString();
    const int cursor = edit->cursorPosition();
    const int selectionStart = edit->selectionStart();
    const int selectionLength = int(edit->selectedText().size());

    const QSignalBlocker blocker(box);
    while (box->count() > 1)
        box->removeItem(box->count() - 1);
    for (const Offer &o : offers)
        box->addItem(o.text, o.path);

    if (!chosen.isEmpty()) {
        const int index = box->findData(chosen);
        if (index > 0) {
            box->setCurrentIndex(index);
            return;
        }
        box->setCurrentIndex(0);
        box->setEditText(chosen);
        return;
    }
    box->setCurrentIndex(0);
    box->setEditText(text);
    if (selectionStart >= 0)
        edit->setSelection(selectionStart, selectionLength);
    else
        edit->setCursorPosition(cursor);
}

} // namespace

QList<SerialDevice> findSerialDevices()
{
    return listSerialDevices();
}

DeviceAssignmentDialog::DeviceAssignmentDialog(const PortMap &current, SerialDeviceLister lister, QWidget *parent)
    : DeviceAssignmentDialog(PortMapRead{PortMapStatus::Read, current, {}}, std::move(lister), parent)
{
}

DeviceAssignmentDialog::DeviceAssignmentDialog(const PortMapRead &read, SerialDeviceLister lister, QWidget *parent)
    : QDialog(parent), m_current(read.map), m_lister(std::move(lister))
{
    const bool usable = read.status != PortMapStatus::Unusable;
    const PortMap &current = m_current;
    setWindowTitle(QStringLiteral("Assign Devices"));
    auto *layout = new QVBoxLayout(this);
    auto *intro = new QLabel(QStringLiteral("Choose the serial device of each COM port. "
                                            "An empty entry uses the port's default device."),
                             this);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    if (!usable) {
        auto *unreadable = new QLabel(QStringLiteral("The device assignment cannot be changed here: %1. "
                                                     "Mend or remove the file, then open this again.")
                                          .arg(printableText(read.reason)),
                                      this);
        unreadable->setObjectName(QStringLiteral("unreadableMap"));
        unreadable->setWordWrap(true);
        unreadable->setTextFormat(Qt::PlainText);
        layout->addWidget(unreadable);
    }

    const QList<Offer> offers = offersOf(m_lister());
    auto *form = new QFormLayout;
    for (int n = 1; n <= 4; ++n) {
        auto *box = new QComboBox(this);
        box->setObjectName(QStringLiteral("COM%1").arg(n));
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setMinimumContentsLength(36);
        box->addItem(QString(), QString());
        for (const Offer &o : offers)
            box->addItem(o.text, o.path);
        const QString assigned = current.value(n);
        const int index = box->findData(assigned);
        if (index >= 0)
            box->setCurrentIndex(index);
        else
            box->setEditText(assigned);
        box->lineEdit()->setPlaceholderText(defaultPortDevice(n));
        box->setAccessibleName(QStringLiteral("COM%1 device").arg(n));
        box->setEnabled(usable);
        form->addRow(QStringLiteral("COM%1").arg(n), box);
        m_boxes[n - 1] = box;
    }
    layout->addLayout(form);

    auto *buttons = new QDialogButtonBox(usable ? QDialogButtonBox::Ok | QDialogButtonBox::Cancel
                                                : QDialogButtonBox::StandardButtons(QDialogButtonBox::Close),
                                         this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    auto *refresh = new QTimer(this);
    refresh->setInterval(kRefreshInterval);
    connect(refresh, &QTimer::timeout, this, &DeviceAssignmentDialog::refreshDevices);
    refresh->start();
}

void DeviceAssignmentDialog::refreshDevices()
{
    const QList<Offer> offers = offersOf(m_lister());
    for (QComboBox *box : m_boxes) {
        // An open list is left alone until it closes, so the entry under the pointer stays put.
        if (offersIn(box) != offers && !box->view()->isVisible())
            offer(box, offers);
    }
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
