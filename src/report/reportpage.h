#pragma once

// The frequency report lives in three places: its 20 text lines
// (radio/reportlines.h), their painting on a page and as a PDF (report/reportpage.h,
// report/reportpdf.h), and PRINT in the window (app/reportprinter.h). This is the painting.

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
[[nodiscard]] PaintOutcome paintReportPage(QPaintDevice &device, const QStringList &lines);

} // namespace kav
