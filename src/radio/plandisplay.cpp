#include "radio/plandisplay.h"

namespace kav {

PlanDisplay::~PlanDisplay() = default;

PlanFields FieldTextsOf(const PlanDisplay &display)
{
    PlanFields fields;
    for (int slot = 1; slot <= int(fields.size()); ++slot)
        fields[slot - 1] = display.fieldText(slot);
    return fields;
}

} // namespace kav
