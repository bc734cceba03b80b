#pragma once

#include "sheet/plandisplay.h"

// The sheet's model text and six field texts without a window.
class FuzzSheet : public kav::PlanDisplay
{
public:
    void setModelText(const QString &text) override { model = text; }
    QString fieldText(kav::PlanField field) const override { return fields[field]; }
    void setFieldText(kav::PlanField field, const QString &text) override { fields[field] = text; }
    void focusField(kav::PlanField) override {}

    QString model;
    kav::ChannelPlan fields;
};
