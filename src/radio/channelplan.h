#pragma once

#include <QDebug>
#include <QString>

#include <array>
#include <cstddef>

namespace kav {

// The radio's model identifier, shown in the model field.
inline constexpr char kModelName[] = "KV-7719NEW";
// The radio's band in MHz, both ends included; the entry check enforces it.
inline constexpr double kMinFreqMHz = 38.0;
inline constexpr double kMaxFreqMHz = 42.3;

inline constexpr int kChannelCount = 3;

enum class Direction { Rx, Tx };

// One frequency field of the plan: channel 0-2 (shown as CH1-CH3), its receive or transmit frequency.
struct PlanField
{
    int channel = 0;
    Direction direction = Direction::Rx;

    friend constexpr bool operator==(PlanField a, PlanField b)
    {
        return a.channel == b.channel && a.direction == b.direction;
    }
    friend constexpr bool operator!=(PlanField a, PlanField b) { return !(a == b); }
};

// The six fields channel by channel, RX before TX: the order the sheet shows them in.
inline constexpr std::array<PlanField, 6> kPlanFields{{
    {0, Direction::Rx},
    {0, Direction::Tx},
    {1, Direction::Rx},
    {1, Direction::Tx},
    {2, Direction::Rx},
    {2, Direction::Tx},
}};

// The six fields down the RX column, then down the TX column: the order Enter
// walks the sheet in, and the order the encoder looks for the first field it
// cannot encode in.
inline constexpr std::array<PlanField, 6> kEntryOrder{{
    {0, Direction::Rx},
    {1, Direction::Rx},
    {2, Direction::Rx},
    {0, Direction::Tx},
    {1, Direction::Tx},
    {2, Direction::Tx},
}};

// "CH2 TX".
QString fieldName(PlanField field);

// The texts of one channel's two fields; an empty text is no frequency.
struct PlanChannel
{
    QString rx;
    QString tx;

    friend bool operator==(const PlanChannel &a, const PlanChannel &b) { return a.rx == b.rx && a.tx == b.tx; }
    friend bool operator!=(const PlanChannel &a, const PlanChannel &b) { return !(a == b); }
};

// A channel plan as the sheet shows it: the texts of the three channels' fields.
struct ChannelPlan
{
    std::array<PlanChannel, kChannelCount> channels;

    QString &operator[](PlanField field)
    {
        PlanChannel &c = channels[std::size_t(field.channel)];
        return field.direction == Direction::Rx ? c.rx : c.tx;
    }
    const QString &operator[](PlanField field) const
    {
        const PlanChannel &c = channels[std::size_t(field.channel)];
        return field.direction == Direction::Rx ? c.rx : c.tx;
    }
    // All six texts are empty.
    bool isEmpty() const;

    friend bool operator==(const ChannelPlan &a, const ChannelPlan &b) { return a.channels == b.channels; }
    friend bool operator!=(const ChannelPlan &a, const ChannelPlan &b) { return !(a == b); }
};

QDebug operator<<(QDebug debug, PlanField field);
QDebug operator<<(QDebug debug, const ChannelPlan &plan);

} // namespace kav
