// Bench-only: the toolkit's floor. A Qt Widgets window of Kavrilink's size
// with a line of text in each of its fonts, doing nothing; ends at its first idle moment after
// it is shown (see idleprobe.h).
#include "idleprobe.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    IdleProbe probe;
    app.installEventFilter(&probe);

    // The design's client area is 8295 x 6045 twips; the menu bar sits above it.
    constexpr int kWidth = 553;
    constexpr int kHeight = 403 + 20;
    QWidget window;
    window.setWindowTitle(QStringLiteral("KAVRILINK CORPORATION"));
    window.setFixedSize(kWidth, kHeight);
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(9.75);
    window.setFont(font);

    const struct
    {
        const char *family;
        qreal points;
        bool bold;
        int top;
    } texts[] = {{"Arial", 9.75, false, 10},
                 {"Arial", 9.75, true, 40},
                 {"Arial", 9.0, true, 70},
                 {"Arial", 15.75, false, 100},
                 {"Gulim", 9.0, false, 150}};
    // Every font of the design once, with the status bar's text, whose U+223C
    // needs a fallback font as in the program.
    for (const auto &t : texts) {
        auto *label = new QLabel(QString::fromUtf8("FREQUENCY RANGE : 38.000MHz\u223C42.300MHz"), &window);
        QFont f(QString::fromLatin1(t.family));
        f.setPointSizeF(t.points);
        f.setBold(t.bold);
        label->setFont(f);
        label->move(10, t.top);
    }
    window.show();
    return QApplication::exec();
}
