#pragma once

#include <QString>

#include <array>

namespace kav {

// The radio's model identifier, shown in the model field.
inline constexpr char kModelName[] = "KV-7719NEW";
// The radio's band in MHz, both ends included; the entry check enforces it.
inline constexpr double kMinFreqMHz = 38.0;
inline constexpr double kMaxFreqMHz = 42.3;

// The texts of the six frequency fields, slot 1 first: CH1-CH3 RX, then CH1-CH3 TX.
using PlanFields = std::array<QString, 6>;

} // namespace kav
