// Backups, verify after write, the remembered choices and the line trace,
// through the real window and serial service with the simulated radio on a
// pseudo-terminal.
#include "common/appsettings.h"
#include "link/linetrace.h"
#include "link/programmingexchange.h"
#include "radio/backuppruner.h"
#include "radio/backupstore.h"
#include "simulatedradio.h"
#include "support/radiolog.h"
#include "support/radiowindowfixture.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSignalSpy>

using namespace kav;
using kav::sim::Fault;
using kav::sim::LogEntry;
using kav::sim::SimulatedRadio;

namespace {

// What the radio holds before a write: CH2 RX 41.1250, the rest empty.
const QByteArray kOldPlan = QByteArray(12, '\0') + QByteArray::fromHex("040101020500") + QByteArray(18, '\0');
// The sheet written: CH1 RX 40.0125, CH1 TX 40.5000 (kExample) and CH3 TX 41.2375.
const QByteArray kNewPlan = kExample.left(30) + QByteArray::fromHex("040102030705");

enum class Backups { Kept, FolderIsAFile };

} // namespace

class TestSafeWrite : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void backupsKeepWhatTheRadioHeld_data();
    void backupsKeepWhatTheRadioHeld();
    void verifyReadsBackAndNamesTheFields_data();
    void verifyReadsBackAndNamesTheFields();
    void choicesAreRememberedAcrossARestart();
    void lineTraceAndBackupsFolderFromTheMenu();
    void oldBackupsArePrunedAfterTheWindowShows();

private:
    [[nodiscard]] bool start(Backups backups = Backups::Kept);
    void typeNewPlan();
    // Clicks button with Yes to its question; true once the last exchange of the command has ended.
    [[nodiscard]] bool run(QPushButton *button, int exchanges);
    QStringList backupFiles() const;
    QString backupFolder() const { return f->folder.filePath(QStringLiteral("backups")); }

    std::unique_ptr<RadioWindowFixture> f;
};

void TestSafeWrite::init()
{
    f = std::make_unique<RadioWindowFixture>();
}

void TestSafeWrite::cleanup()
{
    f.reset();
}

bool TestSafeWrite::start(Backups backups)
{
    // A file where the folder should be: no backup can be saved.
    if (backups == Backups::FolderIsAFile) {
        QDir().mkpath(f->folder.appFolder());
        QFile blocker(backupFolder());
        if (!blocker.open(QIODevice::WriteOnly))
            return false;
    }
    return f->startWithRadio(kOldPlan);
}

void TestSafeWrite::typeNewPlan()
{
    WindowFixture::type(f->rxField(1), QStringLiteral("40.0125"));
    WindowFixture::type(f->txField(1), QStringLiteral("40.5"));
    WindowFixture::type(f->txField(3), QStringLiteral("41.2375"));
}

bool TestSafeWrite::run(QPushButton *button, int exchanges)
{
    f->click(button);
    // The session ends once, after its last exchange, and nothing is left running or armed to follow its end.
    return f->waitForSessionEnd() && f->sessionEnds->size() == 1 && f->exchangeEnds->size() == exchanges &&
           f->isQuiet();
}

QStringList TestSafeWrite::backupFiles() const
{
    return QDir(backupFolder()).entryList({QStringLiteral("*.sav")}, QDir::Files, QDir::Name);
}

void TestSafeWrite::backupsKeepWhatTheRadioHeld_data()
{
    QTest::addColumn<bool>("writing");
    QTest::addColumn<bool>("backUpFirst");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<Backups>("backups");
    QTest::addColumn<int>("exchanges");
    QTest::addColumn<QByteArray>("programSent"); // the written block is kNewPlan and its checksum
    QTest::addColumn<QStringList>("boxes");      // after the question
    QTest::addColumn<bool>("backupKept");        // one file, holding kOldPlan

    const QByteArray written = '\xf0' + kNewPlan + char(SimulatedRadio::checksum(kNewPlan));
    const QString notKept = QStringLiteral("The plan was read, but a backup of it could not be kept.");
    const QString notBackedUp = QStringLiteral("Nothing was written: the radio's plan could not be backed up.");
    QTest::newRow("write, item off: today's bytes")
        << true << false << Fault::None << Backups::Kept << 1 << written << QStringList() << false;
    QTest::newRow("write, item on: read and kept before the F0")
        << true << true << Fault::None << Backups::Kept << 2 << QByteArray::fromHex("e077") + written << QStringList()
        << true;
    QTest::newRow("write, backup read unanswered")
        << true << true << Fault::Silent << Backups::Kept << 1 << QByteArray::fromHex("e0")
        << QStringList{QStringLiteral("Connection Error to Radio")} << false;
    QTest::newRow("write, backup cannot be saved") << true << true << Fault::None << Backups::FolderIsAFile << 1
                                                   << QByteArray::fromHex("e077") << QStringList{notBackedUp} << false;
    QTest::newRow("read: kept, nothing more on the line")
        << false << false << Fault::None << Backups::Kept << 1 << QByteArray::fromHex("e077") << QStringList() << true;
    QTest::newRow("read, backup cannot be saved: the plan still shows")
        << false << false << Fault::None << Backups::FolderIsAFile << 1 << QByteArray::fromHex("e077")
        << QStringList{notKept} << false;
}

void TestSafeWrite::backupsKeepWhatTheRadioHeld()
{
    QFETCH(bool, writing);
    QFETCH(bool, backUpFirst);
    QFETCH(Fault, fault);
    QFETCH(Backups, backups);
    QFETCH(int, exchanges);
    QFETCH(QByteArray, programSent);
    QFETCH(QStringList, boxes);
    QFETCH(bool, backupKept);

    QVERIFY(start(backups));
    f->radio.setFault(fault);
    if (backUpFirst)
        f->item(QStringLiteral("M_BackUpBeforeWriting"))->trigger();
    QCOMPARE(f->item(QStringLiteral("M_BackUpBeforeWriting"))->isChecked(), backUpFirst);
    if (writing)
        typeNewPlan();
    QVERIFY(run(writing ? f->button(QStringLiteral("Cmd_Write")) : f->button(QStringLiteral("Cmd_Read")), exchanges));

    QTRY_COMPARE(bytesOf(f->radio, LogEntry::Received), programSent);
    QCOMPARE(f->dialogs.messageTexts().mid(1), boxes);
    const bool written = programSent.size() > 36; // the block went out
    QCOMPARE(f->radio.image(), written ? kNewPlan : kOldPlan);
    if (!boxes.isEmpty()) {
        const MessageRequest &box = f->dialogs.messages.last();
        // A write that did not happen is an error; a read whose backup failed still read.
        QCOMPARE(box.icon, writing ? MessageIcon::Critical : MessageIcon::None);
        QVERIFY(!box.informativeText.isEmpty());
        if (backups == Backups::FolderIsAFile) // the system's reason, naming the file in the way
            QVERIFY2(box.informativeText.contains(backupFolder() + QStringLiteral(" is a file, not a folder")),
                     qPrintable(box.informativeText));
        else // what to check, naming the device
            QVERIFY2(box.informativeText.contains(f->radio.programPath()), qPrintable(box.informativeText));
    }
    // The backup read never shows on the sheet; a READ does.
    QCOMPARE(f->rxField(2)->text(), writing ? QString() : QStringLiteral("41.1250"));
    QCOMPARE(f->txField(3)->text(), writing ? QStringLiteral("41.2375") : QString());

    const QStringList files = backups == Backups::Kept ? backupFiles() : QStringList();
    QCOMPARE(files.size(), backupKept ? 1 : 0);
    if (backupKept) {
        const QString name = backupDeviceName(f->radio.programPath());
        QVERIFY2(files.first().startsWith(name + QLatin1Char('-')), qPrintable(files.first()));
        QCOMPARE(SimulatedRadio::imageFromSav(QDir(backupFolder()).filePath(files.first())), kOldPlan);
    }
}

void TestSafeWrite::verifyReadsBackAndNamesTheFields_data()
{
    QTest::addColumn<bool>("verify");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<bool>("silentAfterWrite"); // the radio stops answering once it has stored the block
    QTest::addColumn<int>("exchanges");
    QTest::addColumn<QStringList>("boxes"); // after the question
    QTest::addColumn<QString>("detail");

    QTest::newRow("item off: no read back")
        << false << Fault::StoresWrongly << false << 1 << QStringList() << QString();
    QTest::newRow("radio holds what was written") << true << Fault::None << false << 2 << QStringList() << QString();
    QTest::newRow("radio stores the block wrongly")
        << true << Fault::StoresWrongly << false << 2 << QStringList{QStringLiteral("Verify Error")}
        << QStringLiteral("CH3 TX: written 41.2375, the radio holds 41.2376");
    QTest::newRow("read back unanswered")
        << true << Fault::None << true << 2 << QStringList{QStringLiteral("Connection Error to Radio")} << QString();
}

void TestSafeWrite::verifyReadsBackAndNamesTheFields()
{
    QFETCH(bool, verify);
    QFETCH(Fault, fault);
    QFETCH(bool, silentAfterWrite);
    QFETCH(int, exchanges);
    QFETCH(QStringList, boxes);
    QFETCH(QString, detail);

    QVERIFY(start());
    f->radio.setFault(fault);
    if (silentAfterWrite)
        f->radio.call([](SimulatedRadio &radio) {
            QObject::connect(&radio, &SimulatedRadio::imageWritten, &radio,
                             [&radio] { radio.setFault(Fault::Silent); });
        });
    if (verify)
        f->item(QStringLiteral("M_VerifyAfterWrite"))->trigger();
    typeNewPlan();
    QVERIFY(run(f->button(QStringLiteral("Cmd_Write")), exchanges));

    const QByteArray block = kNewPlan + char(SimulatedRadio::checksum(kNewPlan));
    QByteArray sent = '\xf0' + block;
    if (verify)
        sent += silentAfterWrite ? QByteArray::fromHex("e0") : QByteArray::fromHex("e077");
    QTRY_COMPARE(bytesOf(f->radio, LogEntry::Received), sent);
    QCOMPARE(f->dialogs.messageTexts().mid(1), boxes);
    if (!boxes.isEmpty()) {
        const MessageRequest &box = f->dialogs.messages.last();
        QCOMPARE(box.title, QStringLiteral("Error"));
        QCOMPARE(box.icon, MessageIcon::Critical);
        if (!detail.isEmpty())
            QCOMPARE(box.informativeText, detail);
    }
    // The read back leaves the sheet as written.
    QCOMPARE(f->txField(3)->text(), QStringLiteral("41.2375"));
    QCOMPARE(f->rxField(2)->text(), QString());
}

void TestSafeWrite::choicesAreRememberedAcrossARestart()
{
    QVERIFY(start());
    f->item(QStringLiteral("M_VerifyAfterWrite"))->trigger();
    f->item(QStringLiteral("M_BackUpBeforeWriting"))->trigger();
    f->item(QStringLiteral("M_BackUpBeforeWriting"))->trigger();
    QVERIFY(f->dialogs.messages.isEmpty());
    f->window.reset();

    f->start();
    QVERIFY(f->item(QStringLiteral("M_VerifyAfterWrite"))->isChecked());
    QVERIFY(!f->item(QStringLiteral("M_BackUpBeforeWriting"))->isChecked());
    QVERIFY(AppSettings(f->folder.appFolder()).value(Choice::VerifyAfterWrite)); // as the file holds it
    QVERIFY(QFile::exists(f->folder.filePath(QString::fromLatin1(kSettingsFileName))));
    f->window.reset();

    // As a Windows editor leaves it, with a value in QSettings' stored-variant form, which is not "true".
    const QString path = f->folder.filePath(QString::fromLatin1(kSettingsFileName));
    QFile edited(path);
    QVERIFY(edited.open(QIODevice::WriteOnly));
    edited.write("\xEF\xBB\xBF[Programming]\r\nBackUpBeforeWriting=@Variant(\\0\\0\\0\\x1\\x1)\r\n"
                 "VerifyAfterWrite=True\r\n");
    edited.close();
    f->start();
    QVERIFY(!f->item(QStringLiteral("M_BackUpBeforeWriting"))->isChecked());
    QVERIFY(f->item(QStringLiteral("M_VerifyAfterWrite"))->isChecked());
    f->item(QStringLiteral("M_BackUpBeforeWriting"))->trigger();
    QVERIFY(f->dialogs.messages.isEmpty());
    QVERIFY(!QFileInfo::exists(path + QStringLiteral(".bad"))); // kept and rewritten, not put aside
    f->window.reset();
    f->start();
    QVERIFY(f->item(QStringLiteral("M_BackUpBeforeWriting"))->isChecked());
    QVERIFY(f->item(QStringLiteral("M_VerifyAfterWrite"))->isChecked());
}

void TestSafeWrite::lineTraceAndBackupsFolderFromTheMenu()
{
    QVERIFY(start());
    f->radio.setFault(Fault::WrongAcknowledge);
    QVERIFY(run(f->button(QStringLiteral("Cmd_Read")), 1));
    f->radio.setFault(Fault::None);
    QVERIFY(run(f->button(QStringLiteral("Cmd_Read")), 1));

    const QString path = f->folder.filePath(QStringLiteral("trace.txt"));
    f->dialogs.clear();
    f->dialogs.chooseFile(path);
    f->item(QStringLiteral("M_SaveLineTrace"))->trigger();
    QCOMPARE(f->dialogs.saveRequests.size(), 1);
    QCOMPARE(f->dialogs.saveRequests.first().folder, f->folder.appFolder());
    QVERIFY(f->dialogs.messages.isEmpty());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    const QString label = QStringLiteral("Read ") + f->radio.programPath() + QStringLiteral(" started ");
    QCOMPARE(text.count(label), 2);
    QVERIFY2(text.contains(QStringLiteral("-> E0\n")) && text.contains(QStringLiteral("<- 0F\n")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("= Communication Error\n\n")), qPrintable(text));
    QVERIFY2(text.endsWith(QStringLiteral("-> 77\n= ok\n")), qPrintable(text));

    // A folder for a file: the box says why, the old trace file stays.
    f->dialogs.clear();
    f->dialogs.chooseFile(f->folder.appFolder());
    f->item(QStringLiteral("M_SaveLineTrace"))->trigger();
    QCOMPARE(f->dialogs.messageTexts(),
             QStringList{QStringLiteral("Could not save the line trace to ") + f->folder.appFolder()});

    QVERIFY(QDir(backupFolder()).removeRecursively());
    // A file in the folder's place: the box says so, nothing is opened.
    QFile blocker(backupFolder());
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    f->dialogs.clear();
    f->item(QStringLiteral("M_OpenBackups"))->trigger();
    QCOMPARE(f->dialogs.messageTexts(),
             QStringList{QStringLiteral("Could not create the backups folder ") + backupFolder()});
    QCOMPARE(f->dialogs.messages.first().informativeText,
             backupFolder() + QStringLiteral(": the folder cannot be created: ") + backupFolder() +
                 QStringLiteral(" is a file, not a folder"));
    QVERIFY(f->dialogs.openedFolders.isEmpty());
    QVERIFY(blocker.remove());

    f->dialogs.clear();
    f->item(QStringLiteral("M_OpenBackups"))->trigger();
    QCOMPARE(f->dialogs.openedFolders, QStringList{backupFolder()});
    QVERIFY(QFileInfo(backupFolder()).isDir());
    QVERIFY(f->dialogs.messages.isEmpty());
}

void TestSafeWrite::oldBackupsArePrunedAfterTheWindowShows()
{
    // More than the newest kept, all older than a year, and a file of the user's.
    const int old = kBackupsAlwaysKept + 4 * BackupPruner::kEntriesPerTurn;
    QVERIFY(QDir().mkpath(backupFolder()));
    const QDateTime now = QDateTime::currentDateTime();
    for (int i = 0; i < old; ++i) {
        QFile file(QDir(backupFolder()).filePath(backupFileName(QStringLiteral("ttyUSB0"), now.addDays(-400 - i))));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QFile notes(QDir(backupFolder()).filePath(QStringLiteral("notes.txt")));
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.close();
    const auto count = [this] { return QDir(backupFolder()).entryList(QDir::Files).size(); };

    MainWindow &w = f->start();
    QCOMPARE(count(), old + 1); // start-up itself deletes nothing
    w.show();
    QVERIFY(w.isVisible());
    QCOMPARE(count(), old + 1); // shown before any pruning
    QTRY_COMPARE(count(), kBackupsAlwaysKept + 1);
    const QStringList kept = QDir(backupFolder()).entryList(QDir::Files, QDir::Name);
    QVERIFY(kept.contains(QStringLiteral("notes.txt")));
    QVERIFY(kept.contains(backupFileName(QStringLiteral("ttyUSB0"), now.addDays(-400)))); // the newest stay
    QVERIFY(!kept.contains(backupFileName(QStringLiteral("ttyUSB0"), now.addDays(-400 - kBackupsAlwaysKept))));
}

QTEST_MAIN(TestSafeWrite)
#include "tst_safewrite.moc"
