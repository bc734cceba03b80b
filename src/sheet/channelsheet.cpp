#include "sheet/channelsheet.h"

#include "common/dialogseam.h"
#include "radio/decoder.h"
#include "radio/frequencyentry.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace kav {

namespace {

// The character code of a typed key, 0 for a key that types no character.
std::int16_t keyAsciiOf(const QKeyEvent &key)
{
    switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return kKeyEnter;
    case Qt::Key_Escape:
        return kKeyEscape;
    default:
        break;
    }
    const QString text = key.text();
    return text.isEmpty() ? std::int16_t(0) : std::int16_t(text.at(0).unicode());
}

// Focus that goes to a popup menu, the menu bar or another window comes back
// to the field; the field has not been left for another control.
bool leavesForAnotherControl(Qt::FocusReason reason)
{
    return reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason && reason != Qt::MenuBarFocusReason;
}

} // namespace

ChannelSheet::ChannelSheet(DialogSeam &dialogs, QLineEdit *model, const std::array<QLineEdit *, 6> &fields)
    : m_dialogs(dialogs), m_model(model), m_fields(fields)
{
    for (QLineEdit *f : m_fields)
        f->installEventFilter(this);
}

ChannelSheet::~ChannelSheet() = default;

void ChannelSheet::setModelText(const QString &text)
{
    m_model->setText(text);
}

QString ChannelSheet::fieldText(int slot) const
{
    return field(slot)->text();
}

void ChannelSheet::setFieldText(int slot, const QString &text)
{
    field(slot)->setText(text);
}

void ChannelSheet::focusField(int slot)
{
    field(slot)->setFocus(Qt::OtherFocusReason);
}

void ChannelSheet::stepDone(const QString &step)
{
    Q_EMIT sheetChanged(step);
}

QString ChannelSheet::slotName(int slot)
{
    return QStringLiteral("CH%1 %2")
        .arg((slot - 1) % 3 + 1)
        .arg(slot <= 3 ? QStringLiteral("RX") : QStringLiteral("TX"));
}

int ChannelSheet::slotOf(const QLineEdit *field) const
{
    for (int i = 0; i < int(m_fields.size()); ++i) {
        if (m_fields[i] == field)
            return i + 1;
    }
    return 0;
}

void ChannelSheet::guard(QWidget *widget)
{
    widget->installEventFilter(this);
}

void ChannelSheet::keyPress(QLineEdit *field, std::int16_t keyAscii)
{
    if (keyAscii == kKeyEnter) {
        // Leaving the field runs its entry check, as any change of focus does.
        focusField(slotOf(field) % int(m_fields.size()) + 1);
    } else if (keyAscii == kKeyEscape) {
        field->setText(QString());
    }
}

void ChannelSheet::checkEntry(QLineEdit *field)
{
    const QString text = field->text();
    if (!text.isEmpty()) {
        const std::optional<double> mhz = CheckFrequencyEntry(text, kMinFreqMHz, kMaxFreqMHz);
        if (!mhz) {
            refuse(field);
            return;
        }
        field->setText(FormatFrequencyText(*mhz));
        m_refused.clear();
        Q_EMIT entryAccepted(slotOf(field));
        Q_EMIT sheetChanged(slotName(slotOf(field)) + u' ' + field->text());
        return;
    }
    m_refused.clear();
    // Emptied by the user, by Escape or by a refusal: a change too when it held a frequency.
    Q_EMIT sheetChanged(slotName(slotOf(field)) + QStringLiteral(" cleared"));
}

void ChannelSheet::refuse(QLineEdit *field)
{
    // Held while the box is up: the focus moves this sets off, and those the
    // box itself causes, must not check again (no second box, no bouncing
    // between two refused fields).
    m_refusing = true;
    m_refused = field;
    field->setFocus(Qt::OtherFocusReason);
    showCritical(m_dialogs, QStringLiteral("Confirm Frequency Range!"), QStringLiteral("Error"));
    field->setText(QString());
    m_refusing = false;
}

void ChannelSheet::onNewClicked()
{
    if (askQuestion(m_dialogs, QStringLiteral("Sheet Clear and Input New Frequency?"), QString(),
                    MessageButtons::OkCancel, MessageResult::Ok) == MessageResult::Cancel)
        return;
    Q_EMIT newSheetConfirmed();
    ShowPlan(*this, PlanFieldTexts(RadioImage()), QStringLiteral("NEW"));
}

bool ChannelSheet::filterMouse(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        // The press that took the focus from a field that was then refused
        // reaches its target only after the check; it must not act there.
        if (m_refusing || (m_refused && watched != m_refused)) {
            m_swallowed = watched;
            return true;
        }
        m_swallowed.clear();
        return false;
    case QEvent::MouseButtonRelease:
        if (m_swallowed && watched == m_swallowed) {
            m_swallowed.clear();
            return true;
        }
        return false;
    default:
        return false;
    }
}

bool ChannelSheet::eventFilter(QObject *watched, QEvent *event)
{
    if (filterMouse(watched, event))
        return true;

    const int slot = slotOf(qobject_cast<QLineEdit *>(watched));
    if (slot == 0)
        return QObject::eventFilter(watched, event);

    if (event->type() == QEvent::KeyPress) {
        const std::int16_t keyAscii = keyAsciiOf(*static_cast<QKeyEvent *>(event));
        if (keyAscii == 0)
            return false;
        keyPress(field(slot), keyAscii);
        // Enter and Escape are the field's own; every other character goes on to the text.
        return keyAscii == kKeyEnter || keyAscii == kKeyEscape;
    }
    if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (m_refusing || !leavesForAnotherControl(reason))
            return false;
        checkEntry(field(slot));
        // A refused field has taken the focus back already; the focus-out it
        // was told of is stale and would hide its cursor.
        return static_cast<QWidget *>(watched)->hasFocus();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kav
