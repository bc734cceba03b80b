#pragma once

#include "sheet/plandisplay.h"

// The sheet's model text and six field texts without a window.
class FuzzSheet : public kav::PlanDisplay
{
public:
    void setModelText(const QString &text) override { model = text; }
    QString fieldText(int slot) const override { return fields.at(size_t(slot - 1)); }
    void setFieldText(int slot, const QString &text) override { fields.at(size_t(slot - 1)) = text; }
    void focusField(int) override {}

    QString model;
    kav::PlanFields fields;
};
