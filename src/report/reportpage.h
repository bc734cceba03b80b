#pragma once

#include <QFont>
#include <QStringList>

class QPaintDevice;

namespace kav {

// A monospaced font of the given size, so that the report's columns of spaces line up.
QFont reportFont(qreal points);

enum class PaintOutcome { Painted, NotStarted, NotFinished };

// Paints lines from the top of the device's paint area (one printer or PDF
// page) in a monospaced font, sized so that the widest line fits the width and
// all lines fit the height.
[[nodiscard]] PaintOutcome PaintReportPage(QPaintDevice &device, const QStringList &lines);

} // namespace kav
