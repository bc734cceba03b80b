#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include "cli/invocation.h"
#include "radio/channelplan.h"
#include "radio/radioimage.h"

namespace kav {
class RadioImage;
} // namespace kav

namespace kav::cli {

// The plan as the sheet shows it: three lines "CH1  RX 40.0125  TX 40.5000".
QStringList planLines(const ChannelPlan &plan);
// The plan as JSON: channels with rx/tx texts (null when empty) and the image in hex.
QJsonObject planJson(const ChannelPlan &plan, const RadioImage &image);

// kavrilink-cli show FILE.sav [--json]
int runShow(const Invocation &invocation);
// kavrilink-cli report FILE.sav [--pdf OUT.pdf]
int runReport(const Invocation &invocation);
// kavrilink-cli ports [--json]
int runPorts(const Invocation &invocation);

} // namespace kav::cli
