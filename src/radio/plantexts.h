#pragma once

#include "radio/plandisplay.h"

#include <array>

namespace kav {

// A plan display without a window: six texts and the model text.
class PlanTexts : public PlanDisplay
{
public:
    void setModelText(const QString &text) override { m_model = text; }
    QString fieldText(int slot) const override { return m_fields[slot - 1]; }
    void setFieldText(int slot, const QString &text) override { m_fields[slot - 1] = text; }
    void focusField(int slot) override { m_focused = slot; }

    QString modelText() const { return m_model; }
    // The slot last asked to take the focus, 0 for none.
    int focusedSlot() const { return m_focused; }

private:
    QString m_model;
    std::array<QString, 6> m_fields;
    int m_focused = 0;
};

} // namespace kav
