#pragma once

#include <QString>

#include <array>

namespace kav {

// Where the plan is shown and edited: the model field and the six frequency
// fields of slots 1..6. The window implements it with its text fields; the
// command line with plain strings.
class PlanDisplay
{
public:
    virtual ~PlanDisplay();

    virtual void setModelText(const QString &text) = 0;
    virtual QString fieldText(int slot) const = 0;
    // Writes the text as it stands; no entry check runs.
    virtual void setFieldText(int slot, const QString &text) = 0;
    // Puts the keyboard focus on the field of slot (nothing where there is no keyboard).
    virtual void focusField(int slot) = 0;
};

// The texts of the six frequency fields, slot 1 first.
using PlanFields = std::array<QString, 6>;

// The six field texts of display.
[[nodiscard]] PlanFields FieldTextsOf(const PlanDisplay &display);

} // namespace kav
