#include "app/startarguments.h"
#include "app/startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
#ifndef Q_OS_WIN
    // --help, --version and a wrong command line are answered on the console
    // before Qt looks for a display, so they need none.
    if (const auto arguments = kav::argumentsWithoutQtOptions(argc, argv)) {
        const kav::StartArguments early = kav::parseStartArguments(*arguments);
        if (early.request != kav::StartRequest::Window)
            return kav::answerWithoutWindow(early);
    }
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kavrilink"));
    // Qt's own options (-style, -platform) are taken out already.
    const kav::StartArguments start = kav::parseStartArguments(QApplication::arguments().mid(1));
    if (start.request != kav::StartRequest::Window)
        return kav::answerWithoutWindow(start);
    return kav::runKavrilink(start.plan);
}
