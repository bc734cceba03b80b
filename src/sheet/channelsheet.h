#pragma once

#include "radio/plandisplay.h"

#include <array>

class QLineEdit;

namespace kav {

// The channel sheet as the rest of the program sees it: the model field and
// the six frequency fields of slots 1..6 (CH1-CH3 RX, then CH1-CH3 TX).
class ChannelSheet : public PlanDisplay
{
public:
    ChannelSheet(QLineEdit *model, const std::array<QLineEdit *, 6> &fields);

    void setModelText(const QString &text) override;
    QString fieldText(int slot) const override;
    void setFieldText(int slot, const QString &text) override;
    void focusField(int slot) override;

    QLineEdit *field(int slot) const { return m_fields[slot - 1]; }
    // The slot of field, or 0 when it is none of the six.
    int slotOf(const QLineEdit *field) const;

private:
    QLineEdit *m_model;
    std::array<QLineEdit *, 6> m_fields;
};

} // namespace kav
