#pragma once

#include <QGroupBox>

namespace kav {

// A group box that looks exactly like QGroupBox but, under the Fusion style,
// paints itself in bands of rows. Fusion draws the frame by stretching a
// pixmap down the box's height, and Qt's raster engine hands a stretch that
// tall to helper threads and waits for them: the window's first paint would
// start two threads only for this frame. A band is short enough for the
// painting thread to draw it itself; the pixels are the same.
class BandedGroupBox : public QGroupBox
{
    Q_OBJECT

public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // The tallest band, in device pixels: the raster engine splits a stretch
    // of 48 rows or more across helper threads.
    static constexpr int kMaxBandRows = 47;
};

} // namespace kav
