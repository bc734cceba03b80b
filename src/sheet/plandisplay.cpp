#include "sheet/plandisplay.h"

namespace kav {

PlanDisplay::~PlanDisplay() = default;

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

} // namespace kav
