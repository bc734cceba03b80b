#pragma once

#include "radio/channelplan.h"

#include <QString>

namespace kav {

// Where the plan is shown and edited: the model field and the six frequency
// fields of slots 1..6. The window's channel sheet implements it.
class PlanDisplay
{
public:
    virtual ~PlanDisplay();

    virtual void setModelText(const QString &text) = 0;
    virtual QString fieldText(int slot) const = 0;
    // Writes the text as it stands; no entry check runs.
    virtual void setFieldText(int slot, const QString &text) = 0;
    // Puts the keyboard focus on the field of slot.
    virtual void focusField(int slot) = 0;
    // The plan shown was changed by a step the user may take back, named step
    // ("READ", "OPEN van.sav"); a display without undo ignores it.
    virtual void stepDone(const QString &step);
};

// The six field texts of display.
[[nodiscard]] PlanFields FieldTextsOf(const PlanDisplay &display);

// Shows a plan: the model name, then the six texts (PlanFieldTexts of an
// image) in the order CH1 RX, CH1 TX, CH2 RX, CH2 TX, CH3 RX, CH3 TX.
void ShowPlan(PlanDisplay &display, const PlanFields &fields);
// The same as a step the user may take back, named step ("READ").
void ShowPlan(PlanDisplay &display, const PlanFields &fields, const QString &step);

} // namespace kav
