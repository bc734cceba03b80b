#include "sheet/channelsheet.h"

#include <QLineEdit>

namespace kav {

ChannelSheet::ChannelSheet(QLineEdit *model, const std::array<QLineEdit *, 6> &fields)
    : m_model(model), m_fields(fields)
{
}

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

int ChannelSheet::slotOf(const QLineEdit *field) const
{
    for (int i = 0; i < int(m_fields.size()); ++i) {
        if (m_fields[i] == field)
            return i + 1;
    }
    return 0;
}

} // namespace kav
