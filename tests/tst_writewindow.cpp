// WRITE as a technician meets it, in the real window with the simulated radio
// on a pseudo-terminal: one exchange at a time (nothing started meanwhile takes
// the write's port or its answer), EXIT during a run, the changes asked about
// before 0xF0, and the record each write leaves in history.csv.
#include "common/appfolder.h"
#include "link/programminghistory.h"
#include "radio/decoder.h"
#include "support/radiolog.h"
#include "support/radiowindowfixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMetaEnum>

using namespace kav;
using namespace std::chrono_literals;
using kav::sim::Fault;
using kav::sim::LogEntry;

namespace {

// The sheet typed before each WRITE: CH1 RX and TX, CH2 RX.
const ChannelPlan kSheet{
    {{{QStringLiteral("41.0000"), QStringLiteral("41.5000")}, {QStringLiteral("38.5000"), {}}, {}}}};
// A radio that answers slowly but in time.
constexpr auto kSlowTurnaround = 600ms;

QString verdictName(SessionVerdict verdict)
{
    return QString::fromLatin1(QMetaEnum::fromType<SessionVerdict>().valueToKey(int(verdict)));
}

ChannelPlan radioTexts(const RadioThread &radio)
{
    return decodePlan(RadioImage::fromLinear(radio.image()));
}

} // namespace

class TestWriteWindow : public QObject
{
    Q_OBJECT

private slots:
    void init() { f = std::make_unique<RadioWindowFixture>(); }
    void cleanup() { f.reset(); }

    void oneExchangeAtATime_data();
    void oneExchangeAtATime();
    void exitDuringARun_data();
    void exitDuringARun();
    void changesAskedBeforeWriting_data();
    void changesAskedBeforeWriting();
    void everyWriteIsRecorded_data();
    void everyWriteIsRecorded();
    void openProgrammingHistory();

private:
    void typeSheet(const ChannelPlan &plan);
    // Every control that starts an exchange or touches its port, with whether it is enabled.
    QStringList startingControls() const;

    std::unique_ptr<RadioWindowFixture> f;
};

void TestWriteWindow::typeSheet(const ChannelPlan &plan)
{
    for (int channel = 0; channel < kChannelCount; ++channel) {
        f->rxField(channel + 1)->setText(plan.channels[size_t(channel)].rx);
        f->txField(channel + 1)->setText(plan.channels[size_t(channel)].tx);
    }
}

QStringList TestWriteWindow::startingControls() const
{
    QStringList enabled;
    for (const char *name : {"Cmd_Read", "Cmd_Write", "Cmd_New", "Cmd_Open"}) {
        if (f->button(QString::fromLatin1(name))->isEnabled())
            enabled << QString::fromLatin1(name);
    }
    for (const char *name : {"M_COM1", "M_COM2", "M_COM3", "M_COM4", "M_AssignDevices"}) {
        if (f->item(QString::fromLatin1(name))->isEnabled())
            enabled << QString::fromLatin1(name);
    }
    return enabled;
}

void TestWriteWindow::oneExchangeAtATime_data()
{
    QTest::addColumn<QString>("when");  // "asked": just after Yes; "sent": the block has left, the verdict awaited
    QTest::addColumn<QString>("tried"); // what the user tries meanwhile

    for (const char *when : {"asked", "sent"}) {
        for (const char *tried : {"READ", "COM2 then READ", "WRITE", "NEW", "OPEN"})
            QTest::addRow("%s: %s", tried, when) << QString::fromLatin1(when) << QString::fromLatin1(tried);
    }
}

void TestWriteWindow::oneExchangeAtATime()
{
    QFETCH(QString, when);
    QFETCH(QString, tried);

    QVERIFY(f->startWithRadio(kExample));
    f->radio.call([](sim::SimulatedRadio &radio) { radio.setTurnaround(kSlowTurnaround); });
    f->exchange().setResponseTimeout(10s); // slow, but never too slow on a busy machine
    const QStringList allControls = startingControls();
    QCOMPARE(allControls.size(), 9);
    typeSheet(kSheet);
    f->clickWrite();
    QVERIFY(f->session().isRunning());
    if (when == QLatin1String("sent"))
        QTRY_COMPARE_WITH_TIMEOUT(f->exchange().state(), LinkState::ImageSent, 10000);

    // From Yes to the end nothing that would start another exchange can be clicked; SAVE, PRINT and EXIT can.
    QCOMPARE(startingControls(), QStringList());
    // Greying WRITE out moved the focus into no field (leaving one would check its entry).
    QVERIFY(!qobject_cast<QLineEdit *>(f->window->focusWidget()));
    for (const char *name : {"Cmd_Save", "CMd_Print", "CMD_EXit"})
        QVERIFY2(f->button(QString::fromLatin1(name))->isEnabled(), name);
    f->dialogs.answer(MessageResult::Yes);
    if (tried.startsWith(QLatin1String("COM2")))
        f->item(QStringLiteral("M_COM2"))->trigger();
    const char *button = tried.endsWith(QLatin1String("READ")) ? "Cmd_Read"
                         : tried == QLatin1String("WRITE")     ? "Cmd_Write"
                         : tried == QLatin1String("NEW")       ? "Cmd_New"
                                                               : "Cmd_Open";
    QTest::mouseClick(f->button(QString::fromLatin1(button)), Qt::LeftButton);
    QTest::keyClick(f->button(QString::fromLatin1(button)), Qt::Key_Space);

    // The write ends whole on the radio it began with, and says so once.
    QVERIFY(f->waitForSessionEnd());
    QCOMPARE(f->sessionResults().size(), 1);
    QCOMPARE(verdictName(f->sessionResults().constFirst().verdict), verdictName(SessionVerdict::Written));
    QCOMPARE(f->dialogs.messageTexts(), QStringList{QStringLiteral("Write Data to Radio?")});
    QCOMPARE(radioTexts(f->radio), kSheet);
    QCOMPARE(bytesOf(f->radio, LogEntry::Received).left(1), QByteArray::fromHex("f0"));
    QVERIFY(!bytesOf(f->radio, LogEntry::Received).contains('\xe0'));
    QCOMPARE(f->parts->portSetting.configuredPort(), 1);
    QCOMPARE(f->serial.device(), f->radio.programPath());
    QCOMPARE(startingControls(), allControls);
    QCOMPARE(f->window->focusWidget(), f->button(QStringLiteral("Cmd_Write")));
    QVERIFY(f->isQuiet());
    // The sheet is as typed: NEW and OPEN did nothing.
    QCOMPARE(f->rxField(1)->text(), kSheet.channels[0].rx);
}

void TestWriteWindow::exitDuringARun_data()
{
    QTest::addColumn<QString>("run");     // "write" or "read"
    QTest::addColumn<QString>("how");     // "EXIT", or "close" for the window's close button
    QTest::addColumn<bool>("yes");        // the answer to "Program exit to Windows."
    QTest::addColumn<bool>("endsAtOnce"); // the program ends before the run would have

    QTest::newRow("EXIT during a write") << "write"
                                         << "EXIT" << true << false;
    QTest::newRow("close during a write") << "write"
                                          << "close" << true << false;
    QTest::newRow("EXIT answered No during a write") << "write"
                                                     << "EXIT" << false << false;
    QTest::newRow("EXIT during a read") << "read"
                                        << "EXIT" << true << true;
    QTest::newRow("close during a read") << "read"
                                         << "close" << true << true;
}

void TestWriteWindow::exitDuringARun()
{
    QFETCH(QString, run);
    QFETCH(QString, how);
    QFETCH(bool, yes);
    QFETCH(bool, endsAtOnce);

    QVERIFY(f->startWithRadio(kExample));
    f->radio.call([](sim::SimulatedRadio &radio) { radio.setTurnaround(kSlowTurnaround); });
    f->exchange().setResponseTimeout(10s);
    typeSheet(kSheet);
    if (run == QLatin1String("write"))
        f->clickWrite();
    else
        f->clickRead();
    QVERIFY(f->session().isRunning());
    f->dialogs.answer(yes ? MessageResult::Yes : MessageResult::No);
    if (how == QLatin1String("EXIT"))
        QTest::mouseClick(f->button(QStringLiteral("CMD_EXit")), Qt::LeftButton);
    else
        f->window->close();
    QCOMPARE(f->dialogs.messageTexts().constLast(), QStringLiteral("Program exit to Windows."));

    if (endsAtOnce) {
        // A read is dropped at once, its port closed, and the program ends.
        QCOMPARE(f->endProgramCalls, 1);
        QVERIFY(!f->session().isRunning());
        QVERIFY(!f->serial.isOpen());
        QCOMPARE(f->sessionResults().size(), 1);
        QCOMPARE(f->sessionResults().constFirst().verdict, SessionVerdict::Interrupted);
        QVERIFY(f->isQuiet());
        return;
    }
    // A write goes on to its end, and only then does the program end.
    QCOMPARE(f->endProgramCalls, 0);
    QVERIFY(f->window->isVisible());
    QVERIFY(f->session().isRunning());
    QVERIFY(f->waitForSessionEnd());
    QCOMPARE(f->sessionResults().constFirst().verdict, SessionVerdict::Written);
    QCOMPARE(radioTexts(f->radio), kSheet);
    QCOMPARE(f->endProgramCalls, yes ? 1 : 0);
    QCOMPARE(f->errorTexts(), QStringList());
}

void TestWriteWindow::changesAskedBeforeWriting_data()
{
    QTest::addColumn<QByteArray>("held"); // the radio's plan
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<bool>("backUp");
    QTest::addColumn<bool>("yes");         // the answer to the changes
    QTest::addColumn<QString>("question"); // empty: none asked
    QTest::addColumn<QString>("detail");
    QTest::addColumn<QString>("error"); // the box the run ends in, empty for none
    QTest::addColumn<bool>("written");

    // kSheet as the radio holds it: CH1 RX and TX, then CH2 RX.
    const QByteArray sheetImage = QByteArray::fromHex("040100000000040105000000030805000000") + QByteArray(18, '\0');
    const QString changes = QStringLiteral("Write these changes to the radio?");
    const QString same = QStringLiteral("The radio already holds this plan. Write it anyway?");
    const QString detail = QStringLiteral("CH1 RX: the radio holds 40.0125, the sheet has 41.0000\n"
                                          "CH1 TX: the radio holds 40.5000, the sheet has 41.5000\n"
                                          "CH2 RX: the radio holds nothing, the sheet has 38.5000");
    QTest::newRow("changes, Yes") << kExample << Fault::None << false << true << changes << detail << QString() << true;
    QTest::newRow("changes, No") << kExample << Fault::None << false << false << changes << detail << QString()
                                 << false;
    QTest::newRow("changes and a backup, one read")
        << kExample << Fault::None << true << true << changes << detail << QString() << true;
    QTest::newRow("the radio holds the plan, No")
        << sheetImage << Fault::None << false << false << same << QString() << QString() << false;
    QTest::newRow("the radio holds the plan, Yes")
        << sheetImage << Fault::None << false << true << same << QString() << QString() << true;
    QTest::newRow("the read fails") << kExample << Fault::Silent << false << true << QString() << QString()
                                    << QStringLiteral("Connection Error to Radio") << false;
    QTest::newRow("the read fails, with a backup") << kExample << Fault::BadChecksum << true << true << QString()
                                                   << QString() << QStringLiteral("Communication Error") << false;
}

void TestWriteWindow::changesAskedBeforeWriting()
{
    QFETCH(QByteArray, held);
    QFETCH(Fault, fault);
    QFETCH(bool, backUp);
    QFETCH(bool, yes);
    QFETCH(QString, question);
    QFETCH(QString, detail);
    QFETCH(QString, error);
    QFETCH(bool, written);

    QVERIFY(f->startWithRadio(held));
    f->radio.setFault(fault);
    // Off by default; the choice is kept in kavrilink.ini.
    QAction *item = f->item(QStringLiteral("M_ShowChangesBeforeWriting"));
    QVERIFY(item->isCheckable());
    QVERIFY(!item->isChecked());
    item->trigger();
    if (backUp)
        f->item(QStringLiteral("M_BackUpBeforeWriting"))->trigger();
    QFile ini(applicationFile(QStringLiteral("kavrilink.ini")));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QVERIFY(ini.readAll().contains("ShowChangesBeforeWriting=true"));
    f->dialogs.clear();

    typeSheet(kSheet);
    f->clickWrite();
    f->dialogs.answer(yes ? MessageResult::Yes : MessageResult::No);
    QVERIFY(f->waitForSessionEnd());

    QStringList expected{QStringLiteral("Write Data to Radio?")};
    if (!question.isEmpty())
        expected << question;
    if (!error.isEmpty())
        expected << error;
    QCOMPARE(f->dialogs.messageTexts(), expected);
    if (!question.isEmpty()) {
        const MessageRequest &box = f->dialogs.messages.at(1);
        QCOMPARE(box, (MessageRequest{question, QStringLiteral("Write"), MessageIcon::Question, MessageButtons::YesNo,
                                      MessageResult::No, detail}));
    }
    // One read before the write, whatever asked for it; 0xF0 only after Yes.
    const QByteArray received = bytesOf(f->radio, LogEntry::Received);
    QCOMPARE(received.left(1), QByteArray::fromHex("e0"));
    QCOMPARE(received.count('\xe0'), 1);
    QCOMPARE(received.contains('\xf0'), written);
    QCOMPARE(radioTexts(f->radio), written ? kSheet : decodePlan(RadioImage::fromLinear(held)));
    const SessionResult result = f->sessionResults().constFirst();
    if (written)
        QCOMPARE(result.verdict, SessionVerdict::Written);
    else if (error.isEmpty())
        QCOMPARE(result.verdict, SessionVerdict::Declined);
    QCOMPARE(result.backupPath.isEmpty(), !(backUp && error.isEmpty()));
    QCOMPARE(startingControls().size(), 9);
}

void TestWriteWindow::everyWriteIsRecorded_data()
{
    QTest::addColumn<QString>("setup"); // backup+verify, refuse, folder (history.csv cannot be written)
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("outcome"); // the record's, empty for no record

    const QString unrecorded = QStringLiteral("The plan was written, but it could not be recorded in the history.");
    QTest::newRow("written") << "" << QStringList{} << "written";
    QTest::newRow("backed up and verified") << "backup+verify" << QStringList{} << "verified";
    QTest::newRow("refused") << "refuse" << QStringList{QStringLiteral("Write Error")} << "refused";
    QTest::newRow("history cannot be written") << "folder" << QStringList{unrecorded} << "";
    QTest::newRow("refused, history cannot be written")
        << "refuse+folder"
        << QStringList{QStringLiteral("Write Error"), QStringLiteral("The write could not be recorded in the history.")}
        << "";
}

void TestWriteWindow::everyWriteIsRecorded()
{
    QFETCH(QString, setup);
    QFETCH(QStringList, boxes);
    QFETCH(QString, outcome);

    QVERIFY(f->startWithRadio(kExample));
    const QString path = applicationFile(QString::fromLatin1(kHistoryFileName));
    if (setup.contains(QLatin1String("folder")))
        QVERIFY(QDir().mkpath(path));
    if (setup.contains(QLatin1String("refuse")))
        f->radio.setFault(Fault::RejectBlock);
    if (setup.contains(QLatin1String("backup"))) {
        f->item(QStringLiteral("M_BackUpBeforeWriting"))->trigger();
        f->item(QStringLiteral("M_VerifyAfterWrite"))->trigger();
    }
    typeSheet(kSheet);
    f->clickWrite();
    QVERIFY(f->waitForSessionEnd());

    // The outcome's own box first, then what became of the record.
    QCOMPARE(f->errorTexts(), boxes);
    if (setup.contains(QLatin1String("folder"))) {
        QVERIFY2(f->dialogs.messages.constLast().informativeText.contains(QStringLiteral("a folder")),
                 qPrintable(f->dialogs.messages.constLast().informativeText));
        return;
    }
    const HistoryRead read = ProgrammingHistory(path).read();
    QCOMPARE(read.skippedLines, 0);
    QCOMPARE(int(read.records.size()), 1);
    const HistoryRecord &record = read.records.constFirst();
    QCOMPARE(record.outcome, outcome);
    QCOMPARE(record.program, QStringLiteral("kavrilink"));
    QCOMPARE(record.com, 1);
    QCOMPARE(record.device, f->radio.programPath());
    QCOMPARE(record.planFile, QStringLiteral("sheet"));
    QCOMPARE(record.written, kSheet);
    const bool backedUp = setup.contains(QLatin1String("backup"));
    QCOMPARE(record.before, backedUp ? decodePlan(RadioImage::fromLinear(kExample)) : ChannelPlan{});
    QCOMPARE(record.backupPath.isEmpty(), !backedUp);
}

void TestWriteWindow::openProgrammingHistory()
{
    QVERIFY(f->startWithRadio(kExample));
    const QString path = applicationFile(QString::fromLatin1(kHistoryFileName));
    QVERIFY(!QFileInfo::exists(path));
    f->item(QStringLiteral("M_OpenHistory"))->trigger();
    // Made with its header, and opened as the backups folder is.
    QCOMPARE(f->dialogs.openedFolders, QStringList{path});
    QCOMPARE(f->dialogs.messages.size(), 0);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().startsWith("\xEF\xBB\xBFtime,program,"));
    file.close();

    // A write after it appends below the header.
    typeSheet(kSheet);
    f->clickWrite();
    QVERIFY(f->waitForSessionEnd());
    QCOMPARE(int(ProgrammingHistory(path).read().records.size()), 1);

    f->dialogs.failOpenFolder(true);
    f->item(QStringLiteral("M_OpenHistory"))->trigger();
    QCOMPARE(f->dialogs.messageTexts().constLast(), QStringLiteral("No program could open the programming history."));
    QCOMPARE(int(ProgrammingHistory(path).read().records.size()), 1);
}

QTEST_MAIN(TestWriteWindow)
#include "tst_writewindow.moc"
