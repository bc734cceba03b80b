#pragma once

#include <QPixmap>
#include <QProxyStyle>

namespace kav {

// True for the Fusion style, also behind a proxy style.
[[nodiscard]] bool isFusionStyle(const QStyle *style);

// The application's style with two of Fusion's images read straight as PNG.
//
// Why it exists: Qt reads a style's PNG by first asking every image-format
// plugin (GIF, ICO, JPEG and the JPEG library) whether it reads the file,
// which loads them all. At start-up that is the menu bar's overflow arrow
// (QMenuBar makes it in its constructor, so any window with a menu bar pays)
// and the channel frame. Loading them is the largest part of what start-up
// costs over a bare window that is not the window's own work: without this
// style start-up took 1.25-1.30 times the bare window's processor time
// offscreen, over its budget of 1.25, and with it 1.22-1.25 (1.22-1.23
// against 1.25-1.27 without it in the same rotations; bench/README.md has
// today's figures). It is the one start-up workaround kept.
//
// The images are read from where Qt's common style keeps them
// (":/qt-project.org/styles/commonstyle/images/", not a public API). Over
// any other style, or where an image cannot be read there (a Qt that moved
// them), the base style answers as ever, at the old cost. The pixels are
// Fusion's own (tst_mainwindow compares them). A message box or anything
// else that reads an image later loads the plugins then.
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
