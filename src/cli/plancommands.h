#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace kav {
class PlanDisplay;
class RadioImage;
} // namespace kav

namespace kav::cli {

// The plan as shown on the sheet: three lines "CH1  RX 40.0125  TX 40.5000".
QStringList planLines(const PlanDisplay &sheet);
// The plan as JSON: channels with rx/tx texts (null when empty) and the image in hex.
QJsonObject planJson(const PlanDisplay &sheet, const RadioImage &image);

// kavrilink-cli show FILE.sav [--json]
int runShow(const QStringList &arguments);
// kavrilink-cli report FILE.sav [--pdf OUT.pdf]
int runReport(const QStringList &arguments);
// kavrilink-cli ports [--json]
int runPorts(const QStringList &arguments);

} // namespace kav::cli
