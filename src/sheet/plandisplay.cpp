#include "sheet/plandisplay.h"

namespace kav {

PlanDisplay::~PlanDisplay() = default;

void PlanDisplay::stepDone(const QString &) {}

PlanFields FieldTextsOf(const PlanDisplay &display)
{
    PlanFields fields;
    for (int slot = 1; slot <= int(fields.size()); ++slot)
        fields[size_t(slot - 1)] = display.fieldText(slot);
    return fields;
}

void ShowPlan(PlanDisplay &display, const PlanFields &fields)
{
    display.setModelText(QString::fromLatin1(kModelName));
    for (int slot : {1, 4, 2, 5, 3, 6})
        display.setFieldText(slot, fields[size_t(slot - 1)]);
}

void ShowPlan(PlanDisplay &display, const PlanFields &fields, const QString &step)
{
    ShowPlan(display, fields);
    display.stepDone(step);
}

} // namespace kav
