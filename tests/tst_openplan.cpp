// Plans that open without OPEN's dialog: given on the command line, dropped on
// the window, and given to a second start while a window runs.

#include "support/filebytes.h"
#include "support/plandrops.h"
#include "support/windowfixture.h"

#include "app/plandocument.h"
#include "app/singleinstance.h"
#include "app/startarguments.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <optional>
#include <vector>

using namespace kav;

namespace {

QStringList sheetTexts(const WindowFixture &f)
{
    QStringList texts;
    for (const PlanField field : kEntryOrder)
        texts << f.sheet().fieldText(field);
    return texts;
}

} // namespace

class TestOpenPlan : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void readsCommandLine_data();
    void readsCommandLine();
    void readsArgumentsBeforeQt_data();
    void readsArgumentsBeforeQt();
    void answersWithoutWindow_data();
    void answersWithoutWindow();
    void givenPlanOpensAsOpenDoes_data();
    void givenPlanOpensAsOpenDoes();
    void droppedPlanOpensAsOpenDoes_data();
    void droppedPlanOpensAsOpenDoes();
    void droppedPlanChecksFieldFirst_data();
    void droppedPlanChecksFieldFirst();
    void otherDropsChangeNothing_data();
    void otherDropsChangeNothing();
    void givenPlanInTheRealProgram_data();
    void givenPlanInTheRealProgram();
    void secondStartWithPlanLeavesRunningWindowAlone();

private:
    // A private X server for the real program: its environment, DISPLAY set; empty when it cannot start.
    QProcessEnvironment startXServer();
    // Runs xdotool there; its output lines. A server that does not answer fails the caller's wait, it does not hold the
    // test.
    QStringList xdotool(const QStringList &arguments) const;
    // The visible windows of program whose title matches.
    QStringList windowsOf(const QProcess &program, const QString &title) const;
    std::unique_ptr<QProcess> m_xserver;
    QProcessEnvironment m_xenv;
    QString writePlan(const QString &name, const QByteArray &bytes) const;
    std::unique_ptr<WindowFixture> f;
    std::unique_ptr<QTemporaryDir> m_plans; // where the user keeps plans, not the application folder
};

void TestOpenPlan::init()
{
    f = std::make_unique<WindowFixture>();
    m_plans = std::make_unique<QTemporaryDir>();
    QVERIFY(m_plans->isValid());
}

void TestOpenPlan::cleanup()
{
    if (m_xserver) {
        m_xserver->terminate();
        m_xserver->waitForFinished();
        m_xserver.reset();
    }
    f.reset();
    m_plans.reset();
}

QString TestOpenPlan::writePlan(const QString &name, const QByteArray &bytes) const
{
    const QString path = QDir(m_plans->path()).filePath(name);
    if (!QDir().mkpath(QFileInfo(path).path()) || !writeBytes(path, bytes))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QProcessEnvironment TestOpenPlan::startXServer()
{
    // A server of this test's own: it says its display once it takes clients.
    m_xserver = std::make_unique<QProcess>();
    m_xserver->start(QStringLiteral("Xvfb"),
                     {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                      QStringLiteral("800x600x24"), QStringLiteral("-noreset"), QStringLiteral("-nolisten"),
                      QStringLiteral("tcp")});
    if (!m_xserver->waitForStarted() || !QTest::qWaitFor([this] { return m_xserver->canReadLine(); }, 20000))
        return {};
    m_xenv = QProcessEnvironment::systemEnvironment();
    m_xenv.insert(QStringLiteral("DISPLAY"), QLatin1Char(':') + QString::fromLatin1(m_xserver->readLine().trimmed()));
    m_xenv.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    m_xenv.insert(QStringLiteral("XDG_DATA_HOME"), f->folder.dataHome());
    return m_xenv;
}

QStringList TestOpenPlan::xdotool(const QStringList &arguments) const
{
    QProcess tool;
    tool.setProcessEnvironment(m_xenv);
    tool.start(QStringLiteral("xdotool"), arguments);
    if (!tool.waitForFinished(10000))
        tool.kill();
    return QString::fromLatin1(tool.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

QStringList TestOpenPlan::windowsOf(const QProcess &program, const QString &title) const
{
    return xdotool({QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
                    QStringLiteral("--pid"), QString::number(program.processId()), QStringLiteral("--name"), title});
}

void TestOpenPlan::readsCommandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("request"); // StartRequest
    QTest::addColumn<QString>("plan");
    QTest::addColumn<QString>("problem"); // the start of it

    const QString here = QDir::currentPath();
    const auto window = int(StartRequest::Window);
    const auto wrong = int(StartRequest::Wrong);
    QTest::newRow("nothing: the window") << QStringList{} << window << QString() << QString();
    QTest::newRow("a plan, made absolute for PRINT")
        << QStringList{"van.sav"} << window << QDir(here).filePath("van.sav") << QString();
    QTest::newRow("an absolute plan") << QStringList{"/srv/plans/van.sav"} << window << "/srv/plans/van.sav"
                                      << QString();
    QTest::newRow("a plan whose name starts with -, after --")
        << QStringList{"--", "-van.sav"} << window << QDir(here).filePath("-van.sav") << QString();
    QTest::newRow("--help") << QStringList{"--help"} << int(StartRequest::Help) << QString() << QString();
    QTest::newRow("-h") << QStringList{"-h"} << int(StartRequest::Help) << QString() << QString();
    QTest::newRow("--version") << QStringList{"--version"} << int(StartRequest::Version) << QString() << QString();
    QTest::newRow("two plans") << QStringList{"van.sav", "truck.sav"} << wrong << QString()
                               << "2 plans given (van.sav, truck.sav)";
    QTest::newRow("an unknown option") << QStringList{"--open", "van.sav"} << wrong << QString()
                                       << "unknown option '--open'";
    QTest::newRow("a plan with --help") << QStringList{"van.sav", "--help"} << wrong << QString()
                                        << "a plan path with --help";
    QTest::newRow("an empty path") << QStringList{""} << wrong << QString() << "an empty plan path";
    QTest::newRow("a control character is shown escaped")
        << QStringList{"--x\x1b[2J"} << wrong << QString() << "unknown option '--x\\x1B[2J'";
}

void TestOpenPlan::readsCommandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, request);
    QFETCH(QString, plan);
    QFETCH(QString, problem);
    const StartArguments parsed = parseStartArguments(arguments);
    QCOMPARE(int(parsed.request), request);
    QCOMPARE(parsed.plan, plan);
    QVERIFY2(parsed.problem.startsWith(problem), qPrintable(parsed.problem));
    QCOMPARE(parsed.problem.isEmpty(), problem.isEmpty());
}

void TestOpenPlan::readsArgumentsBeforeQt_data()
{
    QTest::addColumn<QByteArrayList>("argv"); // after the program's name
    QTest::addColumn<bool>("readable");       // false: one may be Qt's own option
    QTest::newRow("nothing") << QByteArrayList{} << true;
    QTest::newRow("a plan") << QByteArrayList{"van.sav"} << true;
    QTest::newRow("ours") << QByteArrayList{"--help", "-h", "--version", "--frob"} << true;
    QTest::newRow("-style of Qt") << QByteArrayList{"-style", "fusion", "van.sav"} << false;
    QTest::newRow("-platform after a plan") << QByteArrayList{"van.sav", "-platform", "xcb"} << false;
    QTest::newRow("a path after --") << QByteArrayList{"--", "-style.sav"} << true;
    QTest::newRow("a lone dash") << QByteArrayList{"-"} << true;
}

void TestOpenPlan::readsArgumentsBeforeQt()
{
    QFETCH(QByteArrayList, argv);
    QFETCH(bool, readable);
    std::vector<const char *> pointers{"kavrilink"};
    for (const QByteArray &argument : argv)
        pointers.push_back(argument.constData());
    const std::optional<QStringList> arguments = argumentsWithoutQtOptions(int(pointers.size()), pointers.data());
    QCOMPARE(arguments.has_value(), readable);
    if (readable) {
        QStringList expected;
        for (const QByteArray &argument : argv)
            expected << QString::fromLatin1(argument);
        QCOMPARE(*arguments, expected);
    }
}

void TestOpenPlan::answersWithoutWindow_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output"); // the start of standard output
    QTest::addColumn<QString>("errors"); // the start of standard error
    QTest::newRow("--help") << QStringList{"--help"} << 0 << "Usage: kavrilink [PLAN.sav]\n" << QString();
    QTest::newRow("--version") << QStringList{"--version"} << 0 << "kavrilink " KAVRILINK_VERSION "\n" << QString();
    QTest::newRow("two plans") << QStringList{"a.sav", "b.sav"} << 2 << QString()
                               << "kavrilink: 2 plans given (a.sav, b.sav); the window opens one at a time\n"
                                  "Try 'kavrilink --help'.\n";
    QTest::newRow("an unknown option") << QStringList{"--frob"} << 2 << QString()
                                       << "kavrilink: unknown option '--frob'\n";
    QTest::newRow("a plan with --help") << QStringList{"van.sav", "--help"} << 2 << QString()
                                        << "kavrilink: a plan path with --help\n";
}

void TestOpenPlan::answersWithoutWindow()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QFETCH(QString, errors);
    // The real program, with no display and no platform at all: it must not
    // need one, and the lock is never taken (the folder stays empty).
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), f->folder.dataHome());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), f->folder.dataHome());
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(KAVRILINK_EXECUTABLE), arguments);
    QVERIFY(program.waitForFinished(60000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), exitCode);
    const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(program.readAllStandardError());
    QVERIFY2(out.startsWith(output) && out.isEmpty() == output.isEmpty(), qPrintable(out));
    QVERIFY2(err.startsWith(errors) && err.isEmpty() == errors.isEmpty(), qPrintable(err));
    QVERIFY(!QFileInfo::exists(f->folder.filePath(QStringLiteral("kavrilink.lock"))));
}

void TestOpenPlan::givenPlanOpensAsOpenDoes_data()
{
    QTest::addColumn<QByteArray>("bytes"); // of the file given; empty: no file there
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<bool>("refused");
    QTest::newRow("a plan") << savBytes(kTruckDigits) << kTruckTexts << false;
    QTest::newRow("a plan of 40 lines") << savBytes(kVanDigits + "1234") << kVanTexts << false;
    QTest::newRow("LF line ends") << QByteArray(savBytes(kVanDigits)).replace("\r\n", "\n") << kEmptyTexts << true;
    QTest::newRow("35 lines") << savBytes(kVanDigits.left(35)) << kEmptyTexts << true;
    QTest::newRow("a missing file") << QByteArray() << kEmptyTexts << true;
}

void TestOpenPlan::givenPlanOpensAsOpenDoes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, texts);
    QFETCH(bool, refused);
    const QString path = bytes.isEmpty() ? QDir(m_plans->path()).filePath(QStringLiteral("gone.sav"))
                                         : writePlan(QStringLiteral("given.sav"), bytes);
    // As start-up does it: the window up first, then the plan of the command line.
    f->start();
    QVERIFY(f->show());
    f->window->openPlan(parseStartArguments({path}).plan);

    QCOMPARE(sheetTexts(*f), texts);
    QCOMPARE(f->field(QStringLiteral("Txt_Model"))->text(), QStringLiteral("KV-7719NEW"));
    QCOMPARE(f->parts->document.sheetFile(), refused ? QString() : path); // what PRINT names
    QCOMPARE(f->dialogs.openRequests.size(), 0);                          // no dialog on the way
    if (refused) {
        QCOMPARE(f->dialogs.messages.size(), 1);
        const MessageRequest &box = f->dialogs.messages.constFirst();
        QCOMPARE(box.text, QStringLiteral("This is not Saved File"));
        QCOMPARE(box.title, QStringLiteral("Error"));
        QCOMPARE(box.icon, MessageIcon::Critical);
    } else {
        QCOMPARE(f->dialogs.messages.size(), 0);
    }
}

void TestOpenPlan::droppedPlanOpensAsOpenDoes_data()
{
    QTest::addColumn<QString>("over"); // the control the plan is dropped on
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("withText");
    QTest::newRow("on a frequency field") << "Txt_Tx2"
                                          << "truck.sav" << false;
    QTest::newRow("on a field, with the path as text too") << "Txt_Rx1"
                                                           << "truck.sav" << true;
    QTest::newRow("on a button") << "Cmd_Read"
                                 << "truck.sav" << false;
    QTest::newRow("on a row label") << "Label4"
                                    << "truck.sav" << false;
    QTest::newRow("on the model field") << "Txt_Model"
                                        << "truck.sav" << false;
    QTest::newRow("on the status bar") << "StatusBar10"
                                       << "truck.sav" << false;
    QTest::newRow("a name in capitals") << "Frame1"
                                        << "TRUCK.SAV" << false;
    QTest::newRow("a name with spaces and accents") << "Frame1" << QString::fromUtf8("Fuhrpark Süd 2.sav") << false;
}

void TestOpenPlan::droppedPlanOpensAsOpenDoes()
{
    QFETCH(QString, over);
    QFETCH(QString, name);
    QFETCH(bool, withText);
    const QString path = writePlan(name, savBytes(kTruckDigits));
    f->start();
    QVERIFY(f->show());
    const auto data = urlDrag({QUrl::fromLocalFile(path)}, withText);
    QVERIFY(dropOn(f->find<QWidget>(over), data.get()));
    // It opens once the drop has ended.
    QTRY_COMPARE(sheetTexts(*f), kTruckTexts);
    QCOMPARE(f->parts->document.sheetFile(), path);
    QCOMPARE(f->dialogs.messages.size(), 0);

    // A file that is not a plan is refused as OPEN refuses it, and the sheet stays.
    const QString bad = writePlan(QStringLiteral("notes.sav"), "not a plan\r\n");
    const auto badData = urlDrag({QUrl::fromLocalFile(bad)}, withText);
    QVERIFY(dropOn(f->find<QWidget>(over), badData.get()));
    QTRY_COMPARE(f->dialogs.messageTexts(), QStringList{QStringLiteral("This is not Saved File")});
    QCOMPARE(sheetTexts(*f), kTruckTexts);
    QCOMPARE(f->parts->document.sheetFile(), path);
}

void TestOpenPlan::droppedPlanChecksFieldFirst_data()
{
    QTest::addColumn<QString>("typed"); // into CH2 RX, not left yet
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("boxes");
    QTest::newRow("a good entry: the plan replaces it") << "41.05" << kTruckTexts << QStringList{};
    QTest::newRow("a refused entry keeps the plan out")
        << "abc" << kVanTexts << QStringList{QStringLiteral("Confirm Frequency Range!")};
}

void TestOpenPlan::droppedPlanChecksFieldFirst()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, texts);
    QFETCH(QStringList, boxes);
    const QString van = writePlan(QStringLiteral("van.sav"), savBytes(kVanDigits));
    const QString truck = writePlan(QStringLiteral("truck.sav"), savBytes(kTruckDigits));
    f->start();
    QVERIFY(f->show());
    f->window->openPlan(van);
    WindowFixture::type(f->rxField(2), typed);
    const auto data = urlDrag({QUrl::fromLocalFile(truck)});
    QVERIFY(dropOn(f->find<QWidget>(QStringLiteral("Frame1")), data.get()));
    QTRY_COMPARE(f->dialogs.messageTexts(), boxes);
    QTRY_COMPARE(sheetTexts(*f), texts);
    QCOMPARE(f->parts->document.sheetFile(), boxes.isEmpty() ? truck : van);
    // As after a click on OPEN: a field passed through later does not unname the file.
    if (boxes.isEmpty()) {
        QCOMPARE(QApplication::focusWidget(), f->button(QStringLiteral("Cmd_Open")));
        f->button(QStringLiteral("Cmd_Save"))->setFocus();
        QCOMPARE(f->parts->document.sheetFile(), truck);
    } else {
        QCOMPARE(QApplication::focusWidget(), f->rxField(2));
    }
}

void TestOpenPlan::otherDropsChangeNothing_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("over");
    QTest::newRow("two plans") << "two plans"
                               << "Frame1";
    QTest::newRow("two plans on a field") << "two plans"
                                          << "Txt_Rx2";
    QTest::newRow("a folder") << "a folder"
                              << "Frame1";
    QTest::newRow("a folder named like a plan") << "a folder named like a plan"
                                                << "Txt_Rx1";
    QTest::newRow("a web address") << "a web address"
                                   << "Frame1";
    QTest::newRow("a plan that is gone") << "a plan that is gone"
                                         << "Cmd_Open";
    QTest::newRow("a file of another kind") << "a file of another kind"
                                            << "Frame1";
    QTest::newRow("a plan while OPEN is disabled") << "a plan while OPEN is disabled"
                                                   << "Frame1";
}

void TestOpenPlan::otherDropsChangeNothing()
{
    QFETCH(QString, what);
    QFETCH(QString, over);
    const QString van = writePlan(QStringLiteral("van.sav"), savBytes(kVanDigits));
    const QString truck = writePlan(QStringLiteral("truck.sav"), savBytes(kTruckDigits));
    f->start();
    QVERIFY(f->show());
    f->window->openPlan(van);
    QCOMPARE(sheetTexts(*f), kVanTexts);

    QList<QUrl> urls;
    if (what == QLatin1String("two plans")) {
        urls = {QUrl::fromLocalFile(truck), QUrl::fromLocalFile(van)};
    } else if (what == QLatin1String("a folder")) {
        urls = {QUrl::fromLocalFile(m_plans->path())};
    } else if (what == QLatin1String("a folder named like a plan")) {
        const QString folder = QDir(m_plans->path()).filePath(QStringLiteral("old.sav"));
        QVERIFY(QDir().mkpath(folder));
        urls = {QUrl::fromLocalFile(folder)};
    } else if (what == QLatin1String("a web address")) {
        urls = {QUrl(QStringLiteral("https://example.org/truck.sav"))};
    } else if (what == QLatin1String("a plan that is gone")) {
        urls = {QUrl::fromLocalFile(QDir(m_plans->path()).filePath(QStringLiteral("gone.sav")))};
    } else if (what == QLatin1String("a file of another kind")) {
        urls = {QUrl::fromLocalFile(writePlan(QStringLiteral("truck.csv"), savBytes(kTruckDigits)))};
    } else {
        // An exchange disables OPEN from the answer to its question until it ends.
        urls = {QUrl::fromLocalFile(truck)};
        f->button(QStringLiteral("Cmd_Open"))->setEnabled(false);
    }
    const auto data = urlDrag(urls);
    QVERIFY(!dropOn(f->find<QWidget>(over), data.get()));
    QTest::qWait(0); // a drop taken by mistake would open in the next turn
    QCoreApplication::processEvents();
    QCOMPARE(sheetTexts(*f), kVanTexts);
    QCOMPARE(f->parts->document.sheetFile(), van);
    QCOMPARE(f->dialogs.messages.size(), 0);
}

void TestOpenPlan::givenPlanInTheRealProgram_data()
{
    QTest::addColumn<QByteArray>("bytes"); // of the file given; empty: no file there
    QTest::addColumn<QString>("ch1Rx");    // what CH1 RX shows; empty: refused with its box
    QTest::newRow("a plan") << savBytes(kTruckDigits) << "40.0125";
    QTest::newRow("LF line ends") << QByteArray(savBytes(kVanDigits)).replace("\r\n", "\n") << QString();
    QTest::newRow("a missing file") << QByteArray() << QString();
}

void TestOpenPlan::givenPlanInTheRealProgram()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, ch1Rx);
    for (const char *tool : {"Xvfb", "xdotool", "xclip"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            QSKIP("needs Xvfb, xdotool and xclip");
    }
    const QString path = bytes.isEmpty() ? QDir(m_plans->path()).filePath(QStringLiteral("gone.sav"))
                                         : writePlan(QStringLiteral("given.sav"), bytes);
    const QProcessEnvironment env = startXServer();
    QVERIFY(env.contains(QStringLiteral("DISPLAY")));
    // From inside the plans' folder, by a relative name, as a file manager may start it.
    QProcess program;
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(m_plans->path());
    program.start(QStringLiteral(KAVRILINK_EXECUTABLE), {QFileInfo(path).fileName()});
    QVERIFY(program.waitForStarted());
    const auto running = [&program] { return program.state() == QProcess::Running; };
    QTRY_VERIFY_WITH_TIMEOUT(!running() || windowsOf(program, QStringLiteral("^KAVRILINK CORPORATION$")).size() == 1,
                             60000);
    QVERIFY(running());
    const QString window = windowsOf(program, QStringLiteral("^KAVRILINK CORPORATION$")).constFirst();

    if (ch1Rx.isEmpty()) {
        // OPEN's refusal, over the window that started as always.
        QTRY_COMPARE_WITH_TIMEOUT(windowsOf(program, QStringLiteral("^Error$")).size(), 1, 60000);
        xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"),
                 windowsOf(program, QStringLiteral("^Error$")).constFirst(), QStringLiteral("key"),
                 QStringLiteral("Return")});
        QTRY_COMPARE_WITH_TIMEOUT(windowsOf(program, QStringLiteral("^Error$")).size(), 0, 20000);
        QVERIFY(running());
        program.kill();
        program.waitForFinished();
        return;
    }
    // NEW has the focus; three Tabs reach CH1 RX, whose text goes to the clipboard.
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window, QStringLiteral("key"),
             QStringLiteral("--clearmodifiers"), QStringLiteral("--delay"), QStringLiteral("100"),
             QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("ctrl+a"),
             QStringLiteral("ctrl+c")});
    const auto clipboard = [this] {
        QProcess xclip;
        xclip.setProcessEnvironment(m_xenv);
        xclip.start(QStringLiteral("xclip"),
                    {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
        if (!xclip.waitForFinished(10000))
            xclip.kill();
        return QString::fromLatin1(xclip.readAllStandardOutput());
    };
    QTRY_COMPARE_WITH_TIMEOUT(clipboard(), ch1Rx, 30000);
    QCOMPARE(windowsOf(program, QStringLiteral("^Error$")).size(), 0);
    program.kill();
    program.waitForFinished();
}

void TestOpenPlan::secondStartWithPlanLeavesRunningWindowAlone()
{
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        QSKIP("needs Xvfb and xdotool (installed by scripts/test)");
    // The running window is this test's own, holding the lock as start-up does.
    SingleInstance running(applicationFile(QStringLiteral("kavrilink.lock")));
    QVERIFY(running.acquire());
    const QString van = writePlan(QStringLiteral("van.sav"), savBytes(kVanDigits));
    const QString truck = writePlan(QStringLiteral("truck.sav"), savBytes(kTruckDigits));
    f->start();
    QVERIFY(f->show());
    f->window->openPlan(van);
    WindowFixture::type(f->rxField(2), QStringLiteral("41.5"));
    f->rxField(3)->setFocus(); // the entry is checked; the focus stays in the sheet
    const QStringList texts = sheetTexts(*f);
    QCOMPARE(texts.at(1), QStringLiteral("41.5000"));
    f->dialogs.clear();

    // The second start, a real process, on an X server of its own so that its box can be seen and answered.
    const QProcessEnvironment env = startXServer();
    QVERIFY(env.contains(QStringLiteral("DISPLAY")));
    QProcess second;
    second.setProcessEnvironment(env);
    second.start(QStringLiteral(KAVRILINK_EXECUTABLE), {truck});
    QVERIFY(second.waitForStarted());
    const auto windows = [&](const char *title) { return windowsOf(second, QString::fromLatin1(title)); };
    // It shows its box and waits; ending or showing its window instead is a failure, not a reason to wait on.
    QTRY_VERIFY_WITH_TIMEOUT(second.state() != QProcess::Running || windows("^Kavrilink$").size() == 1, 60000);
    if (second.state() != QProcess::Running) // ended at once: what it said is why
        QFAIL(qPrintable(QString::fromLocal8Bit(second.readAllStandardError())));
    QCOMPARE(windows("^Kavrilink$").size(), 1);
    QCOMPARE(windows("^KAVRILINK CORPORATION$").size(), 0); // its window is never shown
    // The box's detail, which it also says on standard error: the holder, then the plan.
    QString errors;
    const QString notOpened = QStringLiteral("The plan %1 was not opened. Open it from the running window: "
                                             "OPEN, or drop it there.")
                                  .arg(truck);
    QTRY_VERIFY_WITH_TIMEOUT(
        (errors += QString::fromLocal8Bit(second.readAllStandardError()), errors.contains(notOpened)), 20000);
    QVERIFY2(errors.contains(QStringLiteral("is held by process %1").arg(QCoreApplication::applicationPid())),
             qPrintable(errors));
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), windows("^Kavrilink$").constFirst(),
             QStringLiteral("key"), QStringLiteral("Return")});
    QVERIFY(second.waitForFinished(20000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);

    // The running window: the same sheet, the same file for PRINT, not a word said, the focus where it was.
    QCOMPARE(sheetTexts(*f), texts);
    QCOMPARE(f->parts->document.fromFile, false);
    QCOMPARE(f->parts->document.fileName, van);
    QCOMPARE(f->dialogs.messages.size(), 0);
    QCOMPARE(QApplication::focusWidget(), f->rxField(3));
}

QTEST_MAIN(TestOpenPlan)
#include "tst_openplan.moc"
