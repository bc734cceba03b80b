#include "link/portfile.h"
#include "link/portsetting.h"
#include "link/programmingsession.h"
#include "support/pseudoterminal.h"
#include "support/radiolog.h"
#include "support/windowfixture.h"

#include <QBuffer>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

using namespace kav;

Q_DECLARE_METATYPE(std::optional<int>)

namespace {

const QByteArray kNoFile; // a null array: no comport.inf at all

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

MessageRequest reselectMessage(const QString &detail)
{
    return {QStringLiteral("Please Re-Select available COM PORT"),
            QString(),
            MessageIcon::None,
            MessageButtons::Ok,
            MessageResult::Ok,
            detail};
}

} // namespace

class TestPortSetting : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void parsesPortNumber_data();
    void parsesPortNumber();
    void readsFirstLineOnly_data();
    void readsFirstLineOnly();
    void writesLineWithBlanksAndCrLf();
    void replacesFileInOneStep();

    void startsFromPortFile_data();
    void startsFromPortFile();
    void startsWithPortThatOpens();
    void createsMissingFolder();
    void startsQuietlyWhenFolderCannotBeCreated();
    void startsQuietlyWhenPortFileIsFolder();
    void startsAsPortOneWhenPortFileUnreadable();

    void choosingOpenablePortStoresAndMarksIt();
    void choosingThroughMenuWithMouse();
    void choosingPortThatFailsKeepsPreviousChoice();
    void failedChoiceWithUnlistedStoredNumberLeavesNoMark();
    void choosingWithUnlistedStoredNumberMarksChoice();
    void choosingCheckedItemWritesFileAgain();
    void choosingCheckedItemThatFailsKeepsItsMark();
    void choosingWhilePortIsHeldMovesTheNextExchange_data();
    void choosingWhilePortIsHeldMovesTheNextExchange();
    void choosingWhenPortFileCannotBeWritten();

private:
    // Starts the window with comport.inf holding content (kNoFile: none).
    void startWith(const QByteArray &content);
    QList<int> checkedItems() const;
    QAction *item(int n) const;
    QString portFile() const { return f->folder.filePath(QStringLiteral("comport.inf")); }
    // comport.map lines for ports mapped to pseudo-terminals, the rest absent.
    QByteArray portMap(const QList<int> &openable) const;

    std::unique_ptr<WindowFixture> f;
    std::unique_ptr<PseudoTerminal> m_pty;
};

void TestPortSetting::init()
{
    f = std::make_unique<WindowFixture>();
    m_pty = std::make_unique<PseudoTerminal>();
    QVERIFY(m_pty->isValid());
}

void TestPortSetting::cleanup()
{
    f.reset();
    m_pty.reset();
}

QByteArray TestPortSetting::portMap(const QList<int> &openable) const
{
    QByteArray map("# bench adapters\n");
    for (int port = 1; port <= 255; ++port) {
        const QString device = openable.contains(port) ? m_pty->devicePath() : f->absentDevice(port);
        map += "COM" + QByteArray::number(port) + " = " + QFile::encodeName(device) + '\n';
    }
    return map;
}

void TestPortSetting::startWith(const QByteArray &content)
{
    if (!content.isNull())
        QVERIFY(writeFile(portFile(), content));
    f->start();
}

QAction *TestPortSetting::item(int n) const
{
    QAction *items[] = {portItemOf(*f->window, 1), portItemOf(*f->window, 2), portItemOf(*f->window, 3),
                        portItemOf(*f->window, 4)};
    return items[n - 1];
}

QList<int> TestPortSetting::checkedItems() const
{
    QList<int> checked;
    for (int n = 1; n <= 4; ++n) {
        if (item(n)->isChecked())
            checked.append(n);
    }
    return checked;
}

void TestPortSetting::parsesPortNumber_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<std::optional<int>>("expected");

    const std::optional<int> none;
    QTest::newRow("as written") << QByteArray(" 3 ") << std::optional<int>(3);
    QTest::newRow("bare digit") << QByteArray("3") << std::optional<int>(3);
    QTest::newRow("tabs") << QByteArray("\t4\t") << std::optional<int>(4);
    QTest::newRow("zero") << QByteArray(" 0 ") << std::optional<int>(0);
    QTest::newRow("255") << QByteArray(" 255 ") << std::optional<int>(255);
    QTest::newRow("leading zeros") << QByteArray("007") << std::optional<int>(7);
    QTest::newRow("256") << QByteArray(" 256 ") << none;
    QTest::newRow("huge") << QByteArray("99999999999999999999") << none;
    QTest::newRow("empty") << QByteArray() << none;
    QTest::newRow("blanks only") << QByteArray("   ") << none;
    QTest::newRow("word") << QByteArray("COM3") << none;
    QTest::newRow("digit then letter") << QByteArray("3x") << none;
    QTest::newRow("negative") << QByteArray(" -3 ") << none;
    QTest::newRow("plus sign") << QByteArray("+3") << none;
    QTest::newRow("two numbers") << QByteArray("1 2") << none;
    QTest::newRow("fraction") << QByteArray("2.5") << none;
    QTest::newRow("binary junk") << QByteArray("\x00\xff\x03", 3) << none;
}

void TestPortSetting::parsesPortNumber()
{
    QFETCH(QByteArray, line);
    QFETCH(std::optional<int>, expected);
    QCOMPARE(parsePortNumber(line), expected);
}

void TestPortSetting::readsFirstLineOnly_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<std::optional<int>>("expected");

    QTest::newRow("CR LF") << QByteArray(" 2 \r\n") << std::optional<int>(2);
    QTest::newRow("LF") << QByteArray("2\n") << std::optional<int>(2);
    QTest::newRow("CR") << QByteArray("2\r") << std::optional<int>(2);
    QTest::newRow("no line end") << QByteArray("2") << std::optional<int>(2);
    QTest::newRow("second line ignored") << QByteArray(" 2 \r\n 3 \r\ngarbage\r\n") << std::optional<int>(2);
    QTest::newRow("empty first line") << QByteArray("\r\n 3 \r\n") << std::optional<int>();
    QTest::newRow("empty file") << QByteArray("") << std::optional<int>();
    QTest::newRow("overlong first line") << QByteArray(4000, ' ') + "3\r\n" << std::optional<int>();
    // Old Mac line ends: the first CR ends the line, whatever follows it.
    QTest::newRow("CR then a long rest without LF")
        << QByteArray(" 3 \r") + QByteArray(4000, 'x') << std::optional<int>(3);
    QTest::newRow("CR before LF") << QByteArray(" 4 \r 5 \n") << std::optional<int>(4);
}

void TestPortSetting::readsFirstLineOnly()
{
    QFETCH(QByteArray, content);
    QFETCH(std::optional<int>, expected);
    QBuffer buffer(&content);
    QCOMPARE(readPortNumber(buffer), expected);
}

void TestPortSetting::writesLineWithBlanksAndCrLf()
{
    QCOMPARE(portFileContent(3), QByteArray("\x20\x33\x20\x0D\x0A"));
    QCOMPARE(portFileContent(1), QByteArray("\x20\x31\x20\x0D\x0A"));
    QDir().mkpath(f->folder.appFolder());
    QVERIFY(writePortFile(portFile(), 4));
    QCOMPARE(readFile(portFile()), QByteArray(" 4 \r\n"));
    QCOMPARE(readPortFile(portFile()), std::optional<int>(4));
}

void TestPortSetting::replacesFileInOneStep()
{
    // The new file takes the old one's place whole: a second name for the old
    // file still shows the old content, so nothing was rewritten in place.
    QVERIFY(writeFile(portFile(), " 1 \r\n"));
    const QString oldName = f->folder.filePath(QStringLiteral("old-comport.inf"));
    QCOMPARE(::link(QFile::encodeName(portFile()).constData(), QFile::encodeName(oldName).constData()), 0);
    QVERIFY(writePortFile(portFile(), 2));
    QCOMPARE(readFile(portFile()), QByteArray(" 2 \r\n"));
    QCOMPARE(readFile(oldName), QByteArray(" 1 \r\n"));
    QCOMPARE(QDir(f->folder.appFolder()).entryList(QDir::Files | QDir::Hidden).size(), 2); // no leftovers
}

void TestPortSetting::startsFromPortFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("number");
    QTest::addColumn<QList<int>>("checked");
    QTest::addColumn<int>("servicePort"); // the port READ and WRITE open
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("missing") << kNoFile << 1 << QList<int>{1} << 1 << QByteArray(" 1 \r\n");
    QTest::newRow("3 as written") << QByteArray(" 3 \r\n") << 3 << QList<int>{3} << 3 << QByteArray(" 3 \r\n");
    QTest::newRow("3 without blanks") << QByteArray("3") << 3 << QList<int>{3} << 3 << QByteArray("3");
    QTest::newRow("4 then more lines") << QByteArray(" 4 \r\n 2 \r\n") << 4 << QList<int>{4} << 4
                                       << QByteArray(" 4 \r\n 2 \r\n");
    // 0 is refused as a port, which keeps the one configured before.
    QTest::newRow("0") << QByteArray(" 0 \r\n") << 0 << QList<int>{} << 1 << QByteArray(" 0 \r\n");
    QTest::newRow("5") << QByteArray(" 5 \r\n") << 5 << QList<int>{} << 5 << QByteArray(" 5 \r\n");
    QTest::newRow("7") << QByteArray(" 7 \r\n") << 7 << QList<int>{} << 7 << QByteArray(" 7 \r\n");
    QTest::newRow("255") << QByteArray(" 255 \r\n") << 255 << QList<int>{} << 255 << QByteArray(" 255 \r\n");
    // Unusable content counts as port 1 and stays until a port is chosen.
    QTest::newRow("256") << QByteArray(" 256 \r\n") << 1 << QList<int>{1} << 1 << QByteArray(" 256 \r\n");
    QTest::newRow("negative") << QByteArray(" -2 \r\n") << 1 << QList<int>{1} << 1 << QByteArray(" -2 \r\n");
    QTest::newRow("garbage") << QByteArray("COM3, please\r\n") << 1 << QList<int>{1} << 1
                             << QByteArray("COM3, please\r\n");
    QTest::newRow("empty file") << QByteArray("") << 1 << QList<int>{1} << 1 << QByteArray("");
    QTest::newRow("empty first line") << QByteArray("\r\n 3 \r\n") << 1 << QList<int>{1} << 1
                                      << QByteArray("\r\n 3 \r\n");
}

void TestPortSetting::startsFromPortFile()
{
    QFETCH(QByteArray, content);
    QFETCH(int, number);
    QFETCH(QList<int>, checked);
    QFETCH(int, servicePort);
    QFETCH(QByteArray, after);

    QVERIFY(f->writePortMap(portMap({})));
    startWith(content);
    QCOMPARE(f->parts->portSetting.portNumber(), number);
    QCOMPARE(checkedItems(), checked);
    QCOMPARE(readFile(portFile()), after);
    QCOMPARE(f->parts->portSetting.configuredPort(), servicePort);
    QVERIFY(!f->serial.isOpen());
    QCOMPARE(f->dialogs.messages, QList<MessageRequest>{}); // a port that cannot open is not reported here
    QCOMPARE(findField(*f->window, "Txt_Model")->text(), QStringLiteral("KV-7719NEW"));
}

void TestPortSetting::startsWithPortThatOpens()
{
    QVERIFY(f->writePortMap(portMap({3})));
    startWith(" 3 \r\n");
    QVERIFY(f->parts->portSetting.checkPort());
    QCOMPARE(checkedItems(), QList<int>{3});
    QVERIFY(!f->serial.isOpen()); // checked, then closed again
    QCOMPARE(f->serial.device(), m_pty->devicePath());
    QVERIFY(f->dialogs.messages.isEmpty());

    QVERIFY(f->writePortMap(portMap({})));
    QVERIFY(!f->parts->portSetting.checkPort());
    QVERIFY(f->dialogs.messages.isEmpty());
}

void TestPortSetting::createsMissingFolder()
{
    QTemporaryDir elsewhere;
    const QString map = QDir(elsewhere.path()).filePath(QStringLiteral("comport.map"));
    QVERIFY(writeFile(map, "COM1=" + QFile::encodeName(f->absentDevice(1))));
    f->portMapFile = map;
    QVERIFY(!QFileInfo::exists(f->folder.appFolder()));

    f->start();
    QVERIFY(QFileInfo(f->folder.appFolder()).isDir());
    QCOMPARE(readFile(portFile()), QByteArray(" 1 \r\n"));
    QCOMPARE(checkedItems(), QList<int>{1});
    QVERIFY(f->dialogs.messages.isEmpty());
}

void TestPortSetting::startsQuietlyWhenFolderCannotBeCreated()
{
    QTemporaryDir elsewhere;
    const QString map = QDir(elsewhere.path()).filePath(QStringLiteral("comport.map"));
    QVERIFY(writeFile(map,
                      "COM1=" + QFile::encodeName(f->absentDevice(1)) + "\nCOM2=" + m_pty->devicePath().toLocal8Bit()));
    f->portMapFile = map;
    QVERIFY(writeFile(f->folder.appFolder(), "a file where the folder belongs"));

    f->start();
    QCOMPARE(f->parts->portSetting.portNumber(), 1);
    QCOMPARE(checkedItems(), QList<int>{1});
    QVERIFY(f->dialogs.messages.isEmpty());
    QCOMPARE(findField(*f->window, "Txt_Model")->text(), QStringLiteral("KV-7719NEW"));

    // The port opens, but the choice cannot be kept: said so, nothing changes.
    item(2)->trigger();
    QCOMPARE(f->dialogs.messages.size(), 1);
    QCOMPARE(f->dialogs.messages.first().text, QStringLiteral("Please Re-Select available COM PORT"));
    QVERIFY2(f->dialogs.messages.first().informativeText.startsWith(portFile() + QStringLiteral(": ")),
             qPrintable(f->dialogs.messages.first().informativeText));
    QCOMPARE(checkedItems(), QList<int>{1});
    QCOMPARE(f->parts->portSetting.portNumber(), 1);
    QCOMPARE(readFile(f->folder.appFolder()), QByteArray("a file where the folder belongs"));
}

void TestPortSetting::startsQuietlyWhenPortFileIsFolder()
{
    QVERIFY(f->writePortMap(portMap({2})));
    QVERIFY(QDir().mkpath(portFile()));
    f->start();
    QCOMPARE(f->parts->portSetting.portNumber(), 1);
    QCOMPARE(checkedItems(), QList<int>{1});
    QVERIFY(f->dialogs.messages.isEmpty());
    QVERIFY(QFileInfo(portFile()).isDir());

    item(2)->trigger();
    QCOMPARE(f->dialogs.messages.size(), 1);
    const MessageRequest message = f->dialogs.messages.first();
    QCOMPARE(message, reselectMessage(message.informativeText));
    QVERIFY2(message.informativeText.startsWith(portFile() + QStringLiteral(": ")),
             qPrintable(message.informativeText));
    QCOMPARE(checkedItems(), QList<int>{1});
    QCOMPARE(f->parts->portSetting.portNumber(), 1);
    QVERIFY(QFileInfo(portFile()).isDir());
    QCOMPARE(f->parts->portSetting.configuredPort(), 2); // the check ran on port 2
}

void TestPortSetting::startsAsPortOneWhenPortFileUnreadable()
{
    if (geteuid() == 0)
        QSKIP("root reads every file");
    QVERIFY(f->writePortMap(portMap({})));
    QVERIFY(writeFile(portFile(), " 3 \r\n"));
    QCOMPARE(::chmod(QFile::encodeName(portFile()).constData(), 0), 0);
    f->start();
    QCOMPARE(f->parts->portSetting.portNumber(), 1);
    QCOMPARE(checkedItems(), QList<int>{1});
    QVERIFY(f->dialogs.messages.isEmpty());
    QCOMPARE(QFileInfo(portFile()).permissions() & (QFile::ReadOwner | QFile::WriteOwner), QFile::Permissions());
}

void TestPortSetting::choosingOpenablePortStoresAndMarksIt()
{
    QVERIFY(f->writePortMap(portMap({2})));
    startWith(kNoFile);
    QCOMPARE(checkedItems(), QList<int>{1});

    item(2)->trigger();
    QVERIFY(f->dialogs.messages.isEmpty());
    QCOMPARE(checkedItems(), QList<int>{2});
    QCOMPARE(f->parts->portSetting.portNumber(), 2);
    QCOMPARE(readFile(portFile()), QByteArray("\x20\x32\x20\x0D\x0A"));
    QCOMPARE(f->parts->portSetting.configuredPort(), 2);
    QVERIFY(!f->serial.isOpen());
}

void TestPortSetting::choosingThroughMenuWithMouse()
{
    QVERIFY(f->writePortMap(portMap({4})));
    startWith(" 1 \r\n");
    QVERIFY(f->show());
    MainWindow &w = *f->window;

    QMenuBar *bar = w.menuBar();
    const QRect entry = bar->actionGeometry(findControl<QMenu>(w, QStringLiteral("M_COM"))->menuAction());
    QVERIFY(entry.isValid());
    QTest::mouseClick(bar, Qt::LeftButton, {}, entry.center());
    QTRY_VERIFY(findControl<QMenu>(w, QStringLiteral("M_COM"))->isVisible());
    QTest::mouseClick(findControl<QMenu>(w, QStringLiteral("M_COM")), Qt::LeftButton, {},
                      findControl<QMenu>(w, QStringLiteral("M_COM"))->actionGeometry(portItemOf(w, 4)).center());
    QTRY_VERIFY(!findControl<QMenu>(w, QStringLiteral("M_COM"))->isVisible());

    QVERIFY(f->dialogs.messages.isEmpty());
    QCOMPARE(checkedItems(), QList<int>{4});
    QCOMPARE(readFile(portFile()), QByteArray(" 4 \r\n"));
}

void TestPortSetting::choosingPortThatFailsKeepsPreviousChoice()
{
    QVERIFY(f->writePortMap(portMap({1})));
    startWith(" 1 \r\n");

    item(3)->trigger(); // the click checks COM3 before the handler runs
    QCOMPARE(f->dialogs.messages.size(), 1);
    const MessageRequest &message = f->dialogs.messages.first();
    QCOMPARE(message, reselectMessage(message.informativeText));
    // The reason, then the devices that do exist.
    QVERIFY2(message.informativeText.startsWith(f->absentDevice(3) + QStringLiteral(": No such file or directory. ")),
             qPrintable(message.informativeText));
    QCOMPARE(checkedItems(), QList<int>{1});
    QCOMPARE(f->parts->portSetting.portNumber(), 1);
    QCOMPARE(readFile(portFile()), QByteArray(" 1 \r\n"));
    QVERIFY(!f->serial.isOpen());
    // The service stays on the port that failed: READ and WRITE now try COM3.
    QCOMPARE(f->parts->portSetting.configuredPort(), 3);
    QCOMPARE(f->parts->portSetting.portDevice(), f->absentDevice(3));
}

void TestPortSetting::failedChoiceWithUnlistedStoredNumberLeavesNoMark()
{
    QVERIFY(f->writePortMap(portMap({})));
    startWith(" 7 \r\n");
    QCOMPARE(checkedItems(), QList<int>{});

    item(2)->trigger();
    QCOMPARE(f->dialogs.messages.size(), 1);
    QCOMPARE(checkedItems(), QList<int>{});
    QCOMPARE(f->parts->portSetting.portNumber(), 7);
    QCOMPARE(readFile(portFile()), QByteArray(" 7 \r\n"));
}

void TestPortSetting::choosingWithUnlistedStoredNumberMarksChoice()
{
    QVERIFY(f->writePortMap(portMap({2})));
    startWith(" 0 \r\n");
    QCOMPARE(checkedItems(), QList<int>{});

    item(2)->trigger();
    QVERIFY(f->dialogs.messages.isEmpty());
    QCOMPARE(checkedItems(), QList<int>{2});
    QCOMPARE(readFile(portFile()), QByteArray(" 2 \r\n"));
}

void TestPortSetting::choosingCheckedItemWritesFileAgain()
{
    QVERIFY(f->writePortMap(portMap({2})));
    startWith("2"); // as some editor left it
    QCOMPARE(checkedItems(), QList<int>{2});

    item(2)->trigger(); // the click unchecks it before the handler runs
    QVERIFY(f->dialogs.messages.isEmpty());
    QCOMPARE(checkedItems(), QList<int>{2});
    QCOMPARE(readFile(portFile()), QByteArray(" 2 \r\n"));
}

void TestPortSetting::choosingCheckedItemThatFailsKeepsItsMark()
{
    QVERIFY(f->writePortMap(portMap({})));
    startWith(" 1 \r\n");
    item(1)->trigger();
    QCOMPARE(f->dialogs.messages.size(), 1);
    QCOMPARE(checkedItems(), QList<int>{1});
    QCOMPARE(readFile(portFile()), QByteArray(" 1 \r\n"));
}

void TestPortSetting::choosingWhilePortIsHeldMovesTheNextExchange_data()
{
    QTest::addColumn<QString>("held"); // how the port on COM1 came to be held when COM2 is chosen
    QTest::newRow("after a completed write") << "write";
    QTest::newRow("after No to the read's question") << "no";
    // The COM items start nothing while a run goes on: COM2 is chosen once the read has ended.
    QTest::newRow("after a read") << "read";
}

void TestPortSetting::choosingWhilePortIsHeldMovesTheNextExchange()
{
    QFETCH(QString, held);

    // Two radios on the bench, COM1 and COM2, each on a thread of its own.
    RadioThread first;
    RadioThread second;
    first.setImage(kExample);
    second.setImage(QByteArray(36, '\x03'));
    QVERIFY(first.openPty());
    QVERIFY(second.openPty());
    QVERIFY(f->writePortMap("COM1=" + QFile::encodeName(first.programPath()) +
                            "\nCOM2=" + QFile::encodeName(second.programPath()) + '\n'));
    startWith(" 1 \r\n");
    MainWindow &w = *f->window;
    QSignalSpy finished(&f->parts->session, &ProgrammingSession::finished);

    if (held == QLatin1String("write")) {
        rxFieldOf(w, 1)->setText(QStringLiteral("40.0125"));
        f->dialogs.answer(MessageResult::Yes);
        findButton(w, "Cmd_Write")->click();
        QVERIFY(finished.wait(5000));
        QCOMPARE(finished.constLast().at(0).value<SessionResult>().verdict, SessionVerdict::Written);
    } else {
        f->dialogs.answer(held == QLatin1String("no") ? MessageResult::No : MessageResult::Yes);
        findButton(w, "Cmd_Read")->click();
        QVERIFY(held == QLatin1String("no") || f->parts->session.isRunning());
    }
    QVERIFY(f->serial.isOpen());
    QCOMPARE(f->serial.device(), first.programPath());
    if (held == QLatin1String("read")) {
        // The read going ends on the radio it began with; meanwhile COM2 cannot be chosen.
        QVERIFY(!item(2)->isEnabled());
        item(2)->trigger();
        QCOMPARE(checkedItems(), QList<int>{1});
        QVERIFY(finished.wait(5000));
        const auto ended = finished.constLast().at(0).value<SessionResult>();
        QCOMPARE(ended.verdict, SessionVerdict::Read);
        QCOMPARE(ended.device, first.programPath());
        QCOMPARE(rxFieldOf(w, 1)->text(), QStringLiteral("40.0125"));
        QTRY_COMPARE(bytesOf(first, sim::LogEntry::Received), QByteArray::fromHex("e077"));
        QVERIFY(item(2)->isEnabled());
    }

    item(2)->trigger();
    QCOMPARE(f->dialogs.messageTexts().filter(QStringLiteral("Re-Select")), QStringList());
    QCOMPARE(checkedItems(), QList<int>{2});
    QCOMPARE(f->parts->portSetting.portNumber(), 2);
    QCOMPARE(readFile(portFile()), QByteArray(" 2 \r\n"));
    QVERIFY(!f->serial.isOpen());

    // The next READ reaches the COM2 radio only.
    first.clearLog();
    second.clearLog();
    finished.clear();
    f->dialogs.answer(MessageResult::Yes);
    findButton(w, "Cmd_Read")->click();
    QVERIFY(finished.wait(5000));
    const auto read = finished.constLast().at(0).value<SessionResult>();
    QCOMPARE(read.verdict, SessionVerdict::Read);
    QCOMPARE(read.device, second.programPath());
    QCOMPARE(read.image.toLinear(), QByteArray(36, '\x03'));
    QTRY_COMPARE(bytesOf(second, sim::LogEntry::Received), QByteArray::fromHex("e077"));
    QCOMPARE(bytesOf(first, sim::LogEntry::Received), QByteArray());
    QCOMPARE(rxFieldOf(w, 1)->text(), QStringLiteral("33.3333"));
}

void TestPortSetting::choosingWhenPortFileCannotBeWritten()
{
    QVERIFY(f->writePortMap(portMap({3})));
    startWith(" 1 \r\n");
    // The file turns into a folder behind the program's back.
    QVERIFY(QFile::remove(portFile()));
    QVERIFY(QDir().mkpath(portFile()));

    item(3)->trigger();
    QCOMPARE(f->dialogs.messages.size(), 1);
    QCOMPARE(f->dialogs.messages.first().text, QStringLiteral("Please Re-Select available COM PORT"));
    QVERIFY(f->dialogs.messages.first().informativeText.startsWith(portFile()));
    QCOMPARE(checkedItems(), QList<int>{1});
    QCOMPARE(f->parts->portSetting.portNumber(), 1);
}

QTEST_MAIN(TestPortSetting)
#include "tst_portsetting.moc"
