#include "app/bandedgroupbox.h"

#include "app/directpngstyle.h"

#include <QPaintEvent>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QStylePainter>

#include <algorithm>

namespace kav {

void BandedGroupBox::paintEvent(QPaintEvent *event)
{
    // Other styles draw their frames without one tall stretch.
    if (!isFusionStyle(style())) {
        QGroupBox::paintEvent(event);
        return;
    }
    QStylePainter painter(this);
    QStyleOptionGroupBox option;
    initStyleOption(&option);
    if (option.subControls & QStyle::SC_GroupBoxFrame) {
        QStyleOptionGroupBox frame = option;
        frame.subControls = QStyle::SC_GroupBoxFrame;
        // As few bands as will do, of even height.
        const QRect area = event->rect();
        const int maxBand = std::max(1, int(kMaxBandRows / devicePixelRatioF()));
        const int bands = std::max(1, (area.height() + maxBand - 1) / maxBand);
        const int band = (area.height() + bands - 1) / bands;
        for (int top = area.top(); top <= area.bottom(); top += band) {
            painter.setClipRect(QRect(area.left(), top, area.width(), std::min(band, area.bottom() + 1 - top)));
            painter.drawComplexControl(QStyle::CC_GroupBox, frame);
        }
        painter.setClipping(false);
    }
    // The title (and a check box) over the frame, as the style draws them.
    option.subControls &= ~QStyle::SC_GroupBoxFrame;
    painter.drawComplexControl(QStyle::CC_GroupBox, option);
}

} // namespace kav
