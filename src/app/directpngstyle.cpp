#include "app/directpngstyle.h"

#include <QApplication>
#include <QGroupBox>
#include <QIcon>
#include <QImageReader>
#include <QPainter>
#include <QStyleOption>
#include <qdrawutil.h>

#include <algorithm>

namespace kav {

namespace {

// The built-in PNG reader only: no image-format plugin is asked or loaded.
// name: one of the images Qt's common style keeps in its resources.
QImage readPng(const QString &name)
{
    QImageReader reader(QStringLiteral(":/qt-project.org/styles/commonstyle/images/") + name, "png");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

// Fusion's group-box frame: a pixmap stretched between 6-pixel borders,
// starting below the title line.
constexpr int kFrameBorder = 6;
constexpr int kGroupBoxTopMargin = 3;

} // namespace

bool isFusionStyle(const QStyle *style)
{
    if (const auto *proxy = qobject_cast<const QProxyStyle *>(style))
        style = proxy->baseStyle();
    return style && style->inherits("QFusionStyle");
}

DirectPngStyle::DirectPngStyle(const QString &key, QObject *parent) : QProxyStyle(key)
{
    setParent(parent);
}

QIcon DirectPngStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption *option, const QWidget *widget) const
{
    if (standardIcon != SP_ToolBarHorizontalExtensionButton || !isFusionStyle(this))
        return QProxyStyle::standardIcon(standardIcon, option, widget);
    const bool rightToLeft = (option ? option->direction : QGuiApplication::layoutDirection()) == Qt::RightToLeft;
    QIcon icon;
    for (const int size : {8, 16, 32}) {
        const QImage image = readPng(
            QStringLiteral("toolbar-ext-h-%1%2.png").arg(rightToLeft ? QStringLiteral("rtl-") : QString()).arg(size));
        if (image.isNull())
            return QProxyStyle::standardIcon(standardIcon, option, widget);
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

void DirectPngStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                                   const QWidget *widget) const
{
    if (element != PE_FrameGroupBox || !isFusionStyle(this)) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    if (!m_groupBoxFrameRead) {
        m_groupBoxFrame = QPixmap::fromImage(readPng(QStringLiteral("fusion_groupbox.png")));
        m_groupBoxFrameRead = true;
    }
    if (m_groupBoxFrame.isNull()) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    int topMargin = kGroupBoxTopMargin;
    const auto *box = qobject_cast<const QGroupBox *>(widget);
    if (!box || box->isCheckable() || !box->title().isEmpty()) {
        topMargin += std::max(baseStyle()->pixelMetric(PM_ExclusiveIndicatorHeight), option->fontMetrics.height());
    }
    qDrawBorderPixmap(painter, option->rect.adjusted(0, topMargin, 0, 0),
                      QMargins(kFrameBorder, kFrameBorder, kFrameBorder, kFrameBorder), m_groupBoxFrame);
}

void installDirectPngStyle()
{
    const QString key = QApplication::style()->name();
    if (isFusionStyle(QApplication::style()))
        QApplication::setStyle(new DirectPngStyle(key, qApp)); // the application owns its style
}

} // namespace kav
