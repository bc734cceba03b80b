#pragma once

#include <QtGlobal>

#ifdef Q_OS_WIN
#include "link/winserialservice.h"
#else
#include "link/qtserialservice.h"
#endif

namespace kav {

// The serial service the programs use on this system: Qt's serial port on
// Linux, the port's own overlapped handle on Windows (winserialservice.h says why).
#ifdef Q_OS_WIN
using SystemSerialService = WinSerialService;
#else
using SystemSerialService = QtSerialService;
#endif

} // namespace kav
