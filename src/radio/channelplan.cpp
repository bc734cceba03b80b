#include "radio/channelplan.h"

#include <algorithm>

namespace kav {

QString fieldName(PlanField field)
{
    return QStringLiteral("CH%1 %2")
        .arg(field.channel + 1)
        .arg(field.direction == Direction::Rx ? QStringLiteral("RX") : QStringLiteral("TX"));
}

bool ChannelPlan::isEmpty() const
{
    return std::all_of(channels.cbegin(), channels.cend(),
                       [](const PlanChannel &c) { return c.rx.isEmpty() && c.tx.isEmpty(); });
}

QDebug operator<<(QDebug debug, PlanField field)
{
    QDebugStateSaver saver(debug);
    debug.noquote() << fieldName(field);
    return debug;
}

QDebug operator<<(QDebug debug, const ChannelPlan &plan)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "ChannelPlan(";
    for (const PlanField field : kPlanFields)
        debug << (field == kPlanFields.front() ? "" : ", ") << fieldName(field) << ' ' << plan[field];
    debug << ')';
    return debug;
}

} // namespace kav
