#include "app/startarguments.h"
#include "app/startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
#ifndef Q_OS_WIN
    // --help and --version answer on the console, also where there is no display.
    if (kav::asksForTextOnly(argc, argv))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kavrilink"));
    // Qt's own options (-style, -platform) are taken out already.
    const kav::StartArguments start = kav::parseStartArguments(QApplication::arguments().mid(1));
    if (start.request != kav::StartRequest::Window)
        return kav::answerWithoutWindow(start);
    return kav::runKavrilink(start.plan);
}
