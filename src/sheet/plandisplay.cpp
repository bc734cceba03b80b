#include "sheet/plandisplay.h"

namespace kav {

PlanDisplay::~PlanDisplay() = default;

ChannelPlan shownPlan(const PlanDisplay &display)
{
    ChannelPlan plan;
    for (const PlanField field : kPlanFields)
        plan[field] = display.fieldText(field);
    return plan;
}

void showPlan(PlanDisplay &display, const ChannelPlan &plan)
{
    display.setModelText(QString::fromLatin1(kModelName));
    for (const PlanField field : kPlanFields)
        display.setFieldText(field, plan[field]);
}

} // namespace kav
