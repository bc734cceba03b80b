// Bench-only: starts Kavrilink exactly as main.cpp does, and ends it at the
// first idle moment after its window is shown (see idleprobe.h).
#include "app/startup.h"
#include "idleprobe.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kavrilink"));
    IdleProbe probe;
    app.installEventFilter(&probe);
    return kav::runKavrilink({}); // no plan given
}
