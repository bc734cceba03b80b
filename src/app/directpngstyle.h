#pragma once

#include <QPixmap>
#include <QProxyStyle>

namespace kav {

// True for the Fusion style, also behind a proxy style.
[[nodiscard]] bool isFusionStyle(const QStyle *style);

// The application's style with two of Fusion's images read straight as PNG.
// Qt reads a style's PNG by first asking every image-format plugin (GIF, ICO,
// JPEG and the JPEG library) whether it reads the file, which loads them all;
// at start-up that is the menu bar's overflow arrow and the channel frame.
// Over any other style, or where an image cannot be read, the base style
// answers. The pixels are Fusion's own (tst_mainwindow compares them).
class DirectPngStyle : public QProxyStyle
{
    Q_OBJECT

public:
    // key: the base style, as QStyleFactory names it ("fusion").
    explicit DirectPngStyle(const QString &key, QObject *parent = nullptr);

    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption *option = nullptr,
                       const QWidget *widget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;

private:
    // Read on first use and kept, as Qt keeps its own in the pixmap cache.
    mutable QPixmap m_groupBoxFrame;
    mutable bool m_groupBoxFrameRead = false;
};

// Sets DirectPngStyle over the application's style when that is Fusion.
void installDirectPngStyle();

} // namespace kav
