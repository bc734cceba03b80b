#include "support/filebytes.h"
#include "support/filesizelimit.h"
#include "support/windowfixture.h"

#include "radio/frequencyfile.h"
#include "sheet/channelsheet.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QScopeGuard>

using namespace kav;

namespace {

// CH1 RX 40.0125 MHz and nothing else, as documented: 180 bytes.
QByteArray ch1RxOnlyFile()
{
    QByteArray bytes = " 4 \r\n 0 \r\n 0 \r\n 1 \r\n 2 \r\n 5 \r\n";
    for (int i = 0; i < 30; ++i)
        bytes += " 0 \r\n";
    return bytes;
}

// A file with a full plan: CH1 40.0125 / 40.5000, CH2 38.0000 / 42.3000, CH3 41.0250 / 39.9875.
QByteArray fullPlanFile()
{
    QByteArray bytes;
    for (char digit : QByteArray("400125405000380000423000410250399875"))
        bytes += QByteArray(" ") + digit + " \r\n";
    return bytes;
}

const QStringList kFullPlanTexts{QStringLiteral("40.0125"), QStringLiteral("38.0000"), QStringLiteral("41.0250"),
                                 QStringLiteral("40.5000"), QStringLiteral("42.3000"), QStringLiteral("39.9875")};

QByteArray linesOf(const QList<QByteArray> &texts)
{
    QByteArray bytes;
    for (const QByteArray &text : texts)
        bytes += text + "\r\n";
    return bytes;
}

} // namespace

class TestFileCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void savesDocumentedBytesAfterStartup();
    void saveOfEmptySheetShowsOnlyDataIsEmpty();
    void cancelledSaveWritesNothing();
    void saveUsesNameAsTyped();
    void failedSaveKeepsOldFileAndFlags_data();
    void failedSaveKeepsOldFileAndFlags();
    void opensWhatWasSaved_data();
    void opensWhatWasSaved();
    void openAsksInAppFolder();
    void opensFileVariants_data();
    void opensFileVariants();
    void refusedFileChangesNothing_data();
    void refusedFileChangesNothing();
    void cancelledOpenChangesNothing();
    void refusedEntryStopsTheCommand_data();
    void refusedEntryStopsTheCommand();

private:
    QStringList fieldTexts() const;
    QString writeFile(const QString &name, const QByteArray &bytes) const;
    void openFile(const QString &path);

    std::unique_ptr<WindowFixture> f;
};

void TestFileCommands::initTestCase()
{
    QCoreApplication::setApplicationName(QStringLiteral("Kavrilink"));
}

void TestFileCommands::init()
{
    f = std::make_unique<WindowFixture>();
    f->start();
    QVERIFY(f->show());
    QVERIFY(QDir().mkpath(f->folder.appFolder()));
}

void TestFileCommands::cleanup()
{
    f.reset();
}

QStringList TestFileCommands::fieldTexts() const
{
    QStringList texts; // CH1-CH3 RX, then CH1-CH3 TX
    for (const PlanField field : kEntryOrder)
        texts << f->sheet().fieldText(field);
    return texts;
}

QString TestFileCommands::writeFile(const QString &name, const QByteArray &bytes) const
{
    const QString path = f->folder.filePath(name);
    return writeBytes(path, bytes) ? path : QString();
}

void TestFileCommands::openFile(const QString &path)
{
    f->dialogs.chooseFile(path);
    QTest::mouseClick(findButton(*f->window, "Cmd_Open"), Qt::LeftButton);
}

void TestFileCommands::savesDocumentedBytesAfterStartup()
{
    MainWindow &w = *f->window;
    WindowFixture::type(rxFieldOf(w, 1), QStringLiteral("40.0125"));
    const QString path = f->folder.filePath(QStringLiteral("plan.sav"));
    f->dialogs.chooseFile(path);
    QTest::mouseClick(findButton(w, "Cmd_Save"), Qt::LeftButton);

    QCOMPARE(fileBytes(path), ch1RxOnlyFile());
    QCOMPARE(f->dialogs.saveRequests.size(), 1);
    const FileDialogRequest &request = f->dialogs.saveRequests.first();
    QCOMPARE(request.title, QStringLiteral("Save to File"));
    QCOMPARE(request.folder, f->folder.appFolder());
    QCOMPARE(request.filter, QStringLiteral("Save File(*.sav)"));
    QVERIFY(request.confirmOverwrite);
    QVERIFY(f->dialogs.openRequests.isEmpty());
    QCOMPARE(f->dialogs.messages, (QList<MessageRequest>{{QStringLiteral("Saved to ") + QDir::toNativeSeparators(path),
                                                          QStringLiteral("Saved"),
                                                          MessageIcon::None,
                                                          MessageButtons::Ok,
                                                          MessageResult::Ok,
                                                          {}}}));
    QCOMPARE(f->parts->document.fromFile, true);
    QCOMPARE(f->parts->document.fileName, path);
}

void TestFileCommands::saveOfEmptySheetShowsOnlyDataIsEmpty()
{
    QTest::mouseClick(findButton(*f->window, "Cmd_Save"), Qt::LeftButton);
    QCOMPARE(f->dialogs.messageTexts(), QStringList{QStringLiteral("Data is Empty")});
    QVERIFY(f->dialogs.saveRequests.isEmpty());
    QCOMPARE(f->parts->document.fromFile, false);
}

void TestFileCommands::cancelledSaveWritesNothing()
{
    MainWindow &w = *f->window;
    WindowFixture::type(txFieldOf(w, 3), QStringLiteral("42.3000"));
    QTest::mouseClick(findButton(w, "Cmd_Save"), Qt::LeftButton); // no file chosen: the dialog is cancelled

    QCOMPARE(f->dialogs.saveRequests.size(), 1);
    QVERIFY(f->dialogs.messages.isEmpty());
    QStringList files = QDir(f->folder.appFolder()).entryList(QDir::Files);
    files.removeOne(QStringLiteral("comport.map")); // the fixture's, keeping tests off real ports
    files.removeOne(QStringLiteral("comport.inf")); // written by the start-up
    QCOMPARE(files, QStringList());
    QCOMPARE(f->parts->document.fromFile, false);
    QCOMPARE(f->parts->document.fileName, QString());
    // The encoding before the dialog has been done.
    QCOMPARE(f->parts->document.sendImage.toLinear().mid(30, 6), QByteArray::fromHex("040203000000"));
}

void TestFileCommands::saveUsesNameAsTyped()
{
    WindowFixture::type(rxFieldOf(*f->window, 1), QStringLiteral("40.0125"));
    const QString path = f->folder.filePath(QStringLiteral("van12"));
    f->dialogs.chooseFile(path);
    QTest::mouseClick(findButton(*f->window, "Cmd_Save"), Qt::LeftButton);

    QCOMPARE(fileBytes(path), ch1RxOnlyFile());
    QVERIFY(!QFile::exists(path + QStringLiteral(".sav")));
    QCOMPARE(f->dialogs.messageTexts(), QStringList{QStringLiteral("Saved to ") + QDir::toNativeSeparators(path)});
    QCOMPARE(f->parts->document.fileName, path);
}

void TestFileCommands::failedSaveKeepsOldFileAndFlags_data()
{
    QTest::addColumn<QString>("target"); // in the application folder
    QTest::addColumn<QString>("keeper"); // a file there that must stay as it was
    QTest::addColumn<int>("sizeLimit");  // 0: none; -1: the keeper is read-only
    QTest::addColumn<QString>("why");    // the box's detail, "@" the target as shown; empty: the system's reason
    QTest::newRow("path is a folder") << QStringLiteral("plans.sav") << QStringLiteral("plans.sav/inside.sav") << 0
                                      << QStringLiteral("@: this is a folder, not a regular file; it is left as it is");
    QTest::newRow("folder missing") << QStringLiteral("gone/new.sav") << QStringLiteral("old.sav") << 0 << QString();
    // A name that would steer a terminal or hide its end is quoted escaped.
    QTest::newRow("folder missing, control characters in the name")
        << QStringLiteral("gone/\x1B]0;x\x07\u202Etxt.sav") << QStringLiteral("old.sav") << 0 << QString();
#ifdef Q_OS_UNIX
    QTest::newRow("write fails") << QStringLiteral("old.sav") << QStringLiteral("old.sav") << 100 << QString();
#endif
#ifdef Q_OS_WIN // a read-only file, which root may write on Linux; -1 makes the keeper read-only
    QTest::newRow("read-only file") << QStringLiteral("old.sav") << QStringLiteral("old.sav") << -1
                                    << QStringLiteral("Existing file @ is not writable");
#endif
}

void TestFileCommands::failedSaveKeepsOldFileAndFlags()
{
    QFETCH(QString, target);
    QFETCH(QString, keeper);
    QFETCH(int, sizeLimit);
    QFETCH(QString, why);

    const QString opened = writeFile(QStringLiteral("opened.sav"), fullPlanFile());
    openFile(opened);
    QCOMPARE(f->parts->document.fromFile, true);
    QVERIFY(QDir(f->folder.appFolder()).mkpath(QFileInfo(keeper).path()));
    const QByteArray old = ch1RxOnlyFile();
    const QString keeperPath = writeFile(keeper, old);
    QVERIFY(!keeperPath.isEmpty());
    const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ReadUser;
    if (sizeLimit < 0)
        QVERIFY(QFile::setPermissions(keeperPath, readOnly));
    const auto writableAgain = qScopeGuard([&] { // or the test's folder cannot go
        if (sizeLimit < 0)
            QFile::setPermissions(keeperPath, readOnly | QFile::WriteOwner);
    });
    f->dialogs.clear();

    const QString path = f->folder.filePath(target);
    f->dialogs.chooseFile(path);
    {
#ifdef Q_OS_UNIX
        std::unique_ptr<FileSizeLimit> limit;
        if (sizeLimit > 0) {
            limit = std::make_unique<FileSizeLimit>(rlim_t(sizeLimit));
            QVERIFY(limit->active());
        }
#endif
        QTest::mouseClick(findButton(*f->window, "Cmd_Save"), Qt::LeftButton);
    }

    QCOMPARE(fileBytes(keeperPath), old);
    QCOMPARE(f->dialogs.messages.size(), 1);
    const MessageRequest &message = f->dialogs.messages.first();
    QString shown = QDir::toNativeSeparators(path); // C:\...\gone\new.sav on Windows
    shown.replace(QChar(0x1B), QStringLiteral("\\x1B")).replace(QChar(0x07), QStringLiteral("\\x07"));
    shown.replace(QChar(0x202E), QStringLiteral("\\u202E"));
    QCOMPARE(message.text, QStringLiteral("Could not save to ") + shown);
    QCOMPARE(message.title, QStringLiteral("Error"));
    QCOMPARE(message.icon, MessageIcon::Critical);
    QCOMPARE(message.buttons, MessageButtons::Ok);
    if (why.isEmpty())
        QVERIFY(!message.informativeText.isEmpty());
    else
        QCOMPARE(message.informativeText, why.replace(QLatin1Char('@'), QDir::toNativeSeparators(path)));
    QCOMPARE(f->parts->document.fromFile, true);
    QCOMPARE(f->parts->document.fileName, opened);
    QCOMPARE(fieldTexts(), kFullPlanTexts);
}

void TestFileCommands::opensWhatWasSaved_data()
{
    QTest::addColumn<bool>("afterNew");
    QTest::newRow("saved right after start-up") << false;
    QTest::newRow("saved right after NEW") << true;
}

void TestFileCommands::opensWhatWasSaved()
{
    QFETCH(bool, afterNew);
    MainWindow &w = *f->window;
    if (afterNew) {
        // A full plan opened and saved first, so every field of the send image
        // holds digits; NEW clears them, and the empty fields save as zeros.
        openFile(writeFile(QStringLiteral("full.sav"), fullPlanFile()));
        f->dialogs.chooseFile(f->folder.filePath(QStringLiteral("full again.sav")));
        QTest::mouseClick(findButton(w, "Cmd_Save"), Qt::LeftButton);
        QTest::mouseClick(findButton(w, "Cmd_New"), Qt::LeftButton); // the question's default is OK
        QCOMPARE(fieldTexts(), QStringList(6, QString()));
        f->dialogs.clear();
    }
    const QStringList typed{QStringLiteral("38.0125"), QString(), QStringLiteral("42.3000"), QStringLiteral("40.5000"),
                            QStringLiteral("41.0000"), QString()};
    for (size_t i = 0; i < kEntryOrder.size(); ++i) {
        if (!typed.at(qsizetype(i)).isEmpty())
            WindowFixture::type(f->sheet().field(kEntryOrder[i]), typed.at(qsizetype(i)));
    }
    const QString path = f->folder.filePath(QStringLiteral("round.sav"));
    f->dialogs.chooseFile(path);
    QTest::mouseClick(findButton(w, "Cmd_Save"), Qt::LeftButton);
    QCOMPARE(f->dialogs.messageTexts(), QStringList{QStringLiteral("Saved to ") + QDir::toNativeSeparators(path)});
    const QByteArray saved = fileBytes(path);

    // Back to an empty sheet, then open the file.
    if (afterNew) {
        QTest::mouseClick(findButton(w, "Cmd_New"), Qt::LeftButton);
        f->dialogs.clear();
    } else {
        w.startUpSheet(); // the sheet as the program starts with it
    }
    QCOMPARE(fieldTexts(), QStringList(6, QString()));
    QCOMPARE(f->parts->document.fromFile, false);
    const qsizetype messagesBefore = f->dialogs.messages.size();
    openFile(path);

    QCOMPARE(fieldTexts(), typed);
    QCOMPARE(findField(w, "Txt_Model")->text(), QStringLiteral("KV-7719NEW"));
    QCOMPARE(f->parts->document.fromFile, true);
    QCOMPARE(f->parts->document.fileName, path);
    QCOMPARE(f->dialogs.messages.size(), messagesBefore); // opened without a word

    // Saving the opened plan again writes the same bytes.
    const QString again = f->folder.filePath(QStringLiteral("again.sav"));
    f->dialogs.chooseFile(again);
    QTest::mouseClick(findButton(w, "Cmd_Save"), Qt::LeftButton);
    QCOMPARE(fileBytes(again), saved);
}

void TestFileCommands::openAsksInAppFolder()
{
    const RadioImage sendBefore = f->parts->document.sendImage;
    openFile(writeFile(QStringLiteral("plan.sav"), fullPlanFile()));
    QCOMPARE(f->dialogs.openRequests.size(), 1);
    const FileDialogRequest &request = f->dialogs.openRequests.first();
    QCOMPARE(request.title, QStringLiteral("Read from File"));
    QCOMPARE(request.folder, f->folder.appFolder());
    QCOMPARE(request.filter, QStringLiteral("Save File(*.sav)"));
    QVERIFY(!request.confirmOverwrite);
    QVERIFY(f->dialogs.saveRequests.isEmpty());
    QVERIFY(f->dialogs.messages.isEmpty());
    QCOMPARE(fieldTexts(), kFullPlanTexts);
    QCOMPARE(f->parts->document.sendImage, sendBefore); // OPEN does not touch what is sent or saved
}

void TestFileCommands::opensFileVariants_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("rx1");
    QList<QByteArray> plan(36, "0");
    const QList<QByteArray> ch1 = {"4", "0", "0", "1", "2", "5"};
    for (int i = 0; i < 6; ++i)
        plan[i] = ch1[i];

    QTest::newRow("40 lines") << linesOf(plan + QList<QByteArray>{"7", "x", "", "-1"}) << QStringLiteral("40.0125");
    QTest::newRow("no blanks") << linesOf(plan) << QStringLiteral("40.0125");
    QTest::newRow("CR only") << linesOf(plan).replace("\r\n", "\r") << QStringLiteral("40.0125");
    QList<QByteArray> halves = plan;
    halves[0] = "4.5"; // to 4
    halves[5] = "5.5"; // to 6
    QTest::newRow("halves to even") << linesOf(halves) << QStringLiteral("40.0126");
    QList<QByteArray> ten = plan;
    ten[0] = " 10 ";
    QTest::newRow("10 in a digit position") << linesOf(ten) << QStringLiteral("100.0125");
}

void TestFileCommands::opensFileVariants()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, rx1);
    const QString path = writeFile(QStringLiteral("variant.sav"), bytes);
    openFile(path);
    QVERIFY(f->dialogs.messages.isEmpty());
    QCOMPARE(rxFieldOf(*f->window, 1)->text(), rx1);
    QCOMPARE(f->parts->document.fromFile, true);
    QCOMPARE(f->parts->document.fileName, path);
}

void TestFileCommands::refusedFileChangesNothing_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("asFolder");
    const QByteArray good = fullPlanFile();
    const auto withLine = [&](int index, const QByteArray &text) {
        QList<QByteArray> texts;
        for (char digit : QByteArray("400125405000380000423000410250399875"))
            texts << QByteArray(1, digit);
        texts[index] = text;
        return linesOf(texts);
    };
    QTest::newRow("LF only") << QByteArray(good).replace("\r\n", "\n") << false;
    QTest::newRow("35 lines") << good.left(35 * 5) << false;
    QTest::newRow("empty line") << withLine(17, "") << false;
    QTest::newRow("256") << withLine(3, "256") << false;
    QTest::newRow("-1") << withLine(3, "-1") << false;
    QTest::newRow("text") << withLine(0, "four") << false;
    QTest::newRow("NUL") << withLine(35, QByteArray("\0", 1)) << false;
    QTest::newRow("bad last line after good ones") << withLine(35, "9x") << false;
    QByteArray huge(10 * 1024 * 1024, '4');
    for (qsizetype i = 1; i < huge.size(); i += 2)
        huge[i] = '\n';
    QTest::newRow("10 MB without CR") << huge << false;
    QTest::newRow("a folder") << QByteArray() << true;
}

void TestFileCommands::refusedFileChangesNothing()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, asFolder);

    const QString good = writeFile(QStringLiteral("good.sav"), ch1RxOnlyFile());
    openFile(good);
    const QStringList textsBefore = fieldTexts();
    f->dialogs.clear();

    QString bad = f->folder.filePath(QStringLiteral("bad.sav"));
    if (asFolder)
        QVERIFY(QDir().mkpath(bad));
    else
        QVERIFY(writeBytes(bad, bytes));
    openFile(bad);

    QCOMPARE(f->dialogs.messages, (QList<MessageRequest>{{QStringLiteral("This is not Saved File"),
                                                          QStringLiteral("Error"),
                                                          MessageIcon::Critical,
                                                          MessageButtons::Ok,
                                                          MessageResult::Ok,
                                                          {}}}));
    QCOMPARE(fieldTexts(), textsBefore);
    QCOMPARE(findField(*f->window, "Txt_Model")->text(), QStringLiteral("KV-7719NEW"));
    QCOMPARE(f->parts->document.fromFile, true);
    QCOMPARE(f->parts->document.fileName, good);
}

void TestFileCommands::cancelledOpenChangesNothing()
{
    WindowFixture::type(rxFieldOf(*f->window, 2), QStringLiteral("41.0000"));
    QTest::mouseClick(findButton(*f->window, "Cmd_Open"), Qt::LeftButton); // no file chosen
    QCOMPARE(f->dialogs.openRequests.size(), 1);
    QVERIFY(f->dialogs.messages.isEmpty());
    QCOMPARE(rxFieldOf(*f->window, 2)->text().left(2), QStringLiteral("41"));
    QCOMPARE(f->parts->document.fromFile, false);
}

void TestFileCommands::refusedEntryStopsTheCommand_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("OPEN") << QStringLiteral("Cmd_Open");
    QTest::newRow("SAVE") << QStringLiteral("Cmd_Save");
    QTest::newRow("PRINT") << QStringLiteral("CMd_Print");
}

void TestFileCommands::refusedEntryStopsTheCommand()
{
    QFETCH(QString, button);
    auto *command = f->window->findChild<QPushButton *>(button);
    QVERIFY(command);
    WindowFixture::type(rxFieldOf(*f->window, 1), QStringLiteral("40.0125"));
    WindowFixture::type(rxFieldOf(*f->window, 2), QStringLiteral("38.0126")); // off the raster
    QTest::mouseClick(command, Qt::LeftButton);

    QCOMPARE(f->dialogs.messageTexts(), QStringList{QStringLiteral("Confirm Frequency Range!")});
    QVERIFY(f->dialogs.openRequests.isEmpty());
    QVERIFY(f->dialogs.saveRequests.isEmpty());
    QVERIFY(f->dialogs.printRequests.isEmpty());

    // The field, emptied, now lets go: the same click acts (and is cancelled in its dialog).
    QTest::mouseClick(command, Qt::LeftButton);
    const qsizetype requests =
        f->dialogs.openRequests.size() + f->dialogs.saveRequests.size() + f->dialogs.printRequests.size();
    QCOMPARE(requests, qsizetype(1));
    QCOMPARE(f->dialogs.messages.size(), 1);
}

QTEST_MAIN(TestFileCommands)
#include "tst_filecommands.moc"
