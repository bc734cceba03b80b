#include "report/reportpage.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace kav {

namespace {

constexpr qreal kPreferredPoints = 10.0;
constexpr int kMaxShrinkSteps = 100;

qreal widestLine(const QFontMetricsF &metrics, const QStringList &lines)
{
    qreal widest = 0;
    for (const QString &line : lines)
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

bool fits(const QFontMetricsF &metrics, const QStringList &lines, const QSizeF &area)
{
    return widestLine(metrics, lines) <= area.width() && metrics.lineSpacing() * lines.size() <= area.height();
}

} // namespace

QFont reportFont(qreal points)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (!QFontInfo(font).fixedPitch()) {
        for (const char *family : {"DejaVu Sans Mono", "Liberation Mono", "Courier New", "Courier", "monospace"}) {
            QFont candidate(QString::fromLatin1(family));
            candidate.setStyleHint(QFont::TypeWriter);
            if (QFontInfo(candidate).fixedPitch()) {
                font = candidate;
                break;
            }
        }
    }
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setKerning(false);
    font.setPointSizeF(points);
    return font;
}

PaintOutcome paintReportPage(QPaintDevice &device, const QStringList &lines)
{
    QPainter painter;
    if (!painter.begin(&device))
        return PaintOutcome::NotStarted;

    // Painter coordinates start at the top left of the printable area.
    const QSizeF area(device.width(), device.height());
    QFont font = reportFont(kPreferredPoints);
    QFontMetricsF metrics(font, &device);
    const qreal widthScale = area.width() / std::max<qreal>(widestLine(metrics, lines), 1);
    const qreal heightScale = area.height() / std::max<qreal>(metrics.lineSpacing() * lines.size(), 1);
    qreal points = kPreferredPoints * std::min<qreal>({1.0, widthScale, heightScale});
    font.setPointSizeF(points);
    metrics = QFontMetricsF(font, &device);
    // Glyph advances do not scale exactly with the size; shrink until it fits.
    for (int step = 0; step < kMaxShrinkSteps && !fits(metrics, lines, area); ++step) {
        points *= 0.98;
        font.setPointSizeF(points);
        metrics = QFontMetricsF(font, &device);
    }

    painter.setFont(font);
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(QPointF(0, metrics.ascent() + i * metrics.lineSpacing()), lines.at(i));
    return painter.end() ? PaintOutcome::Painted : PaintOutcome::NotFinished;
}

} // namespace kav
