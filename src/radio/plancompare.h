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

QDebug operator<<(QDebug debug, const FieldDifference &difference);

} // namespace kav
