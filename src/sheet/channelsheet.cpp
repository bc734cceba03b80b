#include "sheet/channelsheet.h"

#include "common/dialogseam.h"
#include "radio/decoder.h"
#include "radio/frequencyentry.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

#include <algorithm>
#include <iterator>

namespace kav {

namespace {

// The sheet's own key in key: Return for Return, Enter or a typed carriage
// return, Escape for Escape or a typed escape character; nullopt for any other key.
std::optional<Qt::Key> sheetKeyOf(const QKeyEvent &key)
{
    switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return Qt::Key_Return;
    case Qt::Key_Escape:
        return Qt::Key_Escape;
    default:
        break;
    }
    const QString text = key.text();
    if (text.startsWith(QLatin1Char('\r')))
        return Qt::Key_Return;
    if (text.startsWith(QLatin1Char('\x1b')))
        return Qt::Key_Escape;
    return std::nullopt;
}

// The field after field in kEntryOrder, the first after the last.
PlanField nextInEntryOrder(PlanField field)
{
    const auto at = std::find(kEntryOrder.cbegin(), kEntryOrder.cend(), field);
    return std::next(at) == kEntryOrder.cend() ? kEntryOrder.front() : *std::next(at);
}

// Focus that goes to a popup menu, the menu bar or another window comes back
// to the field; the field has not been left for another control.
bool leavesForAnotherControl(Qt::FocusReason reason)
{
    return reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason && reason != Qt::MenuBarFocusReason;
}

} // namespace

ChannelSheet::ChannelSheet(DialogSeam &dialogs, QLineEdit *model,
                           const std::array<QLineEdit *, kChannelCount> &rxFields,
                           const std::array<QLineEdit *, kChannelCount> &txFields)
    : m_dialogs(dialogs), m_model(model), m_rxFields(rxFields), m_txFields(txFields)
{
    for (const PlanField f : kPlanFields)
        field(f)->installEventFilter(this);
}

ChannelSheet::~ChannelSheet() = default;

void ChannelSheet::setModelText(const QString &text)
{
    m_model->setText(text);
}

QString ChannelSheet::fieldText(PlanField f) const
{
    return field(f)->text();
}

void ChannelSheet::setFieldText(PlanField f, const QString &text)
{
    field(f)->setText(text);
}

void ChannelSheet::focusField(PlanField f)
{
    field(f)->setFocus(Qt::OtherFocusReason);
}

std::optional<PlanField> ChannelSheet::fieldOf(const QLineEdit *edit) const
{
    for (const PlanField f : kPlanFields) {
        if (edit && field(f) == edit)
            return f;
    }
    return std::nullopt;
}

void ChannelSheet::guard(QWidget *widget)
{
    widget->installEventFilter(this);
}

void ChannelSheet::keyPress(QLineEdit *edit, Qt::Key key)
{
    const std::optional<PlanField> f = fieldOf(edit);
    if (!f)
        return;
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        // Leaving the field runs its entry check, as any change of focus does.
        focusField(nextInEntryOrder(*f));
    } else if (key == Qt::Key_Escape) {
        edit->setText(QString());
    }
}

void ChannelSheet::checkEntry(QLineEdit *field)
{
    const QString text = field->text();
    if (!text.isEmpty()) {
        const std::optional<double> mhz = checkFrequencyEntry(text, kMinFreqMHz, kMaxFreqMHz);
        if (!mhz) {
            refuse(field);
            return;
        }
        field->setText(formatFrequencyText(*mhz));
        m_refused.clear();
        Q_EMIT entryAccepted(*fieldOf(field));
        return;
    }
    m_refused.clear();
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
    showPlan(*this, decodePlan(RadioImage()));
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

    const std::optional<PlanField> f = fieldOf(qobject_cast<QLineEdit *>(watched));
    if (!f)
        return QObject::eventFilter(watched, event);

    if (event->type() == QEvent::KeyPress) {
        // Enter and Escape are the field's own; every other key goes on to the text.
        const std::optional<Qt::Key> key = sheetKeyOf(*static_cast<QKeyEvent *>(event));
        if (!key)
            return false;
        keyPress(field(*f), *key);
        return true;
    }
    if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (m_refusing || !leavesForAnotherControl(reason))
            return false;
        checkEntry(field(*f));
        // A refused field has taken the focus back already; the focus-out it
        // was told of is stale and would hide its cursor.
        return static_cast<QWidget *>(watched)->hasFocus();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kav
