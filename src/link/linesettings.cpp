#include "link/linesettings.h"

namespace kav {

QDebug operator<<(QDebug debug, const LineSettings &settings)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "LineSettings(" << settings.baudRate << ", parity " << int(settings.parity) << ", "
                    << int(settings.dataBits) << " data bits, " << int(settings.stopBits) << " stop bits)";
    return debug;
}

} // namespace kav
