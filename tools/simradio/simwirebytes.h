#pragma once

#include <QtGlobal>

namespace kav::sim {

// The radio's bytes on the line, written down here from the radio's own
// description rather than taken from the program, so the simulator checks the
// program instead of agreeing with it.
inline constexpr quint8 kReadCommand = 0xE0;
inline constexpr quint8 kReadAccepted = 0x0E;
inline constexpr quint8 kWriteCommand = 0xF0;
inline constexpr quint8 kWriteAccepted = 0x0F;
inline constexpr quint8 kBlockOk = 0x77;
inline constexpr quint8 kBlockBad = 0x55;

} // namespace kav::sim
