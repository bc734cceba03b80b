#pragma once

#include "radio/channelplan.h"

#include <QString>

namespace kav {

// Where the plan is shown and edited: the model field and the six frequency
// fields. The window's channel sheet implements it.
class PlanDisplay
{
public:
    virtual ~PlanDisplay();

    virtual void setModelText(const QString &text) = 0;
    virtual QString fieldText(PlanField field) const = 0;
    // Writes the text as it stands; no entry check runs.
    virtual void setFieldText(PlanField field, const QString &text) = 0;
    // Puts the keyboard focus on field.
    virtual void focusField(PlanField field) = 0;
};

// The plan display shows.
[[nodiscard]] ChannelPlan shownPlan(const PlanDisplay &display);

// Shows a plan: the model name, then the six texts (decodePlan of an image)
// in the order of kPlanFields: CH1 RX, CH1 TX, CH2 RX, CH2 TX, CH3 RX, CH3 TX.
void showPlan(PlanDisplay &display, const ChannelPlan &plan);

} // namespace kav
