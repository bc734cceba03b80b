#pragma once

#include "radio/radioimage.h"

#include <QDebug>
#include <QList>
#include <QString>

namespace kav {

// One frequency of the plan whose six bytes differ between what was written
// and what the radio holds; the texts are as the sheet shows them (empty for
// an empty field).
struct FieldDifference
{
    PlanField field;
    QString written;
    QString held;

    friend bool operator==(const FieldDifference &a, const FieldDifference &b)
    {
        return a.field == b.field && a.written == b.written && a.held == b.held;
    }
};

// The fields whose bytes differ, CH1 RX first, RX before TX within a channel.
[[nodiscard]] QList<FieldDifference> comparePlans(const RadioImage &written, const RadioImage &held);

// One line per difference: "CH2 TX: written 40.5000, the radio holds 40.5125"
// ("empty" for an empty field).
[[nodiscard]] QString describeDifferences(const QList<FieldDifference> &differences);

// Before a write, one line per field the plan changes, CH1 RX first:
// "CH2 TX: the radio holds 40.5000, the sheet has 41.0000" ("the radio holds
// nothing" for an empty channel). differences as comparePlans(plan, held)
// gives them. The window's question and the command line's diff say the same.
[[nodiscard]] QString describeChange(const FieldDifference &difference);
[[nodiscard]] QString describeChanges(const QList<FieldDifference> &differences);

QDebug operator<<(QDebug debug, const FieldDifference &difference);

} // namespace kav
