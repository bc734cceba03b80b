// The built program, started as real processes on an X server of their own,
// with a box dismissed by a key press as a user would.

#include "support/testfolder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <csignal>

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void secondInstanceShowsBoxAndEndsWithoutWindow();
    void staleLockFromKilledProcessDoesNotBlock();
    void damagedApplicationFolderStillGivesWorkingWindow_data();
    void damagedApplicationFolderStillGivesWorkingWindow();
    void lockOfAnotherComputerNamesItsHolder_data();
    void lockOfAnotherComputerNamesItsHolder();
    void noHomeSaysSoAndEndsWithoutWindow();

private:
    // Visible windows whose title matches, of one program or of all.
    QStringList visibleWindows(const QString &namePattern, const QProcess *program = nullptr) const;
    // errors: standard error is kept for the test rather than passed on;
    // unset: variables taken from its environment.
    QProcess *startProgram(bool errors = false, const QStringList &unset = {});

    QProcess m_xserver;
    QString m_display;
    std::unique_ptr<TestFolder> m_folder;
    QList<QProcess *> m_programs;
};

void TestSingleInstance::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        QSKIP("needs Xvfb and xdotool (installed by scripts/test)");
    m_xserver.start(QStringLiteral("Xvfb"),
                    {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                     QStringLiteral("1024x768x24"), QStringLiteral("-noreset"), QStringLiteral("-nolisten"),
                     QStringLiteral("tcp")});
    QVERIFY(m_xserver.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(m_xserver.canReadLine(), 20000);
    m_display = QLatin1Char(':') + QString::fromLatin1(m_xserver.readLine().trimmed());
}

void TestSingleInstance::cleanupTestCase()
{
    m_xserver.terminate();
    m_xserver.waitForFinished();
}

void TestSingleInstance::init()
{
    m_folder = std::make_unique<TestFolder>();
}

void TestSingleInstance::cleanup()
{
    for (QProcess *program : std::as_const(m_programs)) {
        program->kill();
        program->waitForFinished();
        delete program;
    }
    m_programs.clear();
    m_folder.reset();
}

QStringList TestSingleInstance::visibleWindows(const QString &namePattern, const QProcess *program) const
{
    QProcess search;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    search.setProcessEnvironment(env);
    QStringList arguments{QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible")};
    if (program)
        arguments << QStringLiteral("--pid") << QString::number(program->processId());
    search.start(QStringLiteral("xdotool"), arguments << QStringLiteral("--name") << namePattern);
    search.waitForFinished();
    return QString::fromLatin1(search.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QProcess *TestSingleInstance::startProgram(bool errors, const QStringList &unset)
{
    auto *program = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), m_folder->dataHome());
    for (const QString &name : unset)
        env.remove(name);
    program->setProcessEnvironment(env);
    program->setProcessChannelMode(errors ? QProcess::SeparateChannels : QProcess::ForwardedErrorChannel);
    program->start(QStringLiteral(KAVRILINK_EXECUTABLE), {});
    m_programs.append(program);
    return program;
}

static const QString kMainTitle = QStringLiteral("^KAVRILINK CORPORATION$");
static const QString kBoxTitle = QStringLiteral("^Kavrilink$");

void TestSingleInstance::secondInstanceShowsBoxAndEndsWithoutWindow()
{
    QProcess *first = startProgram();
    QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(kMainTitle, first).size(), 1, 60000);
    const QDir folder(m_folder->appFolder());
    const QStringList filesBefore = folder.entryList(QDir::Files);
    const QString settings = folder.filePath(QStringLiteral("comport.inf"));
    const QDateTime settingsTime = QFileInfo(settings).lastModified();

    QProcess *second = startProgram();
    QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(kBoxTitle, second).size(), 1, 60000);
    QCOMPARE(visibleWindows(kMainTitle, second).size(), 0); // the second never shows its window
    QCOMPARE(second->state(), QProcess::Running);           // it waits for the box

    const QString box = visibleWindows(kBoxTitle, second).constFirst();
    QProcess key;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    key.setProcessEnvironment(env);
    key.start(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), QStringLiteral("--sync"), box,
                                          QStringLiteral("key"), QStringLiteral("Return")});
    QVERIFY(key.waitForFinished());

    QVERIFY(second->waitForFinished(20000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    QCOMPARE(first->state(), QProcess::Running);
    QCOMPARE(visibleWindows(kMainTitle, first).size(), 1);
    QCOMPARE(folder.entryList(QDir::Files), filesBefore);
    QCOMPARE(QFileInfo(settings).lastModified(), settingsTime);
}

void TestSingleInstance::staleLockFromKilledProcessDoesNotBlock()
{
    QProcess *first = startProgram();
    QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(kMainTitle, first).size(), 1, 60000);
    ::kill(pid_t(first->processId()), SIGKILL);
    QVERIFY(first->waitForFinished());
    QVERIFY(QFileInfo::exists(QDir(m_folder->appFolder()).filePath(QStringLiteral("kavrilink.lock"))));

    QProcess *next = startProgram();
    QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(kMainTitle, next).size(), 1, 60000);
    QCOMPARE(visibleWindows(kBoxTitle, next).size(), 0);
    QCOMPARE(next->state(), QProcess::Running);
}

void TestSingleInstance::damagedApplicationFolderStillGivesWorkingWindow_data()
{
    QTest::addColumn<QString>("damage");
    // The folder cannot be made because a regular file holds its name. Tests
    // run as root, which ignores permission bits; this blocks root as well.
    QTest::newRow("application folder cannot be written") << "folder is a file";
    QTest::newRow("comport.inf is a directory") << "comport.inf is a directory";
    QTest::newRow("stale lock of a process long gone") << "stale lock";
}

void TestSingleInstance::damagedApplicationFolderStillGivesWorkingWindow()
{
    QFETCH(QString, damage);
    const QDir folder(m_folder->appFolder());
    if (damage == QLatin1String("folder is a file")) {
        QFile blocker(folder.path());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    } else if (damage == QLatin1String("comport.inf is a directory")) {
        QVERIFY(QDir().mkpath(folder.filePath(QStringLiteral("comport.inf"))));
    } else {
        // The lock as a copy of the program leaves it, naming a process that no longer runs.
        QProcess gone;
        gone.start(QStringLiteral("true"), {});
        QVERIFY(gone.waitForStarted());
        const qint64 pid = gone.processId();
        QVERIFY(gone.waitForFinished());
        QVERIFY(QDir().mkpath(folder.path()));
        QFile lock(folder.filePath(QStringLiteral("kavrilink.lock")));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray::number(pid) + "\nkavrilink\n" + QSysInfo::machineHostName().toUtf8() + '\n');
    }

    QProcess *program = startProgram();
    QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(kMainTitle, program).size(), 1, 60000);
    QCOMPARE(visibleWindows(kBoxTitle, program).size(), 0); // no box at start-up
    QCOMPARE(program->state(), QProcess::Running);

    // It answers the user: EXIT asks the exit question, and No (the default) keeps it.
    const QString window = visibleWindows(kMainTitle, program).constFirst();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    QProcess click;
    click.setProcessEnvironment(env);
    // The middle of EXIT (3960, 240, 855, 495 twips) below the menu bar.
    click.start(QStringLiteral("xdotool"),
                {QStringLiteral("mousemove"), QStringLiteral("--sync"), QStringLiteral("--window"), window,
                 QStringLiteral("292"), QStringLiteral("48"), QStringLiteral("click"), QStringLiteral("1")});
    QVERIFY(click.waitForFinished());
    QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(QStringLiteral("^Exit$"), program).size(), 1, 20000);
    QProcess no;
    no.setProcessEnvironment(env);
    no.start(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), QStringLiteral("--sync"),
                                         visibleWindows(QStringLiteral("^Exit$"), program).constFirst(),
                                         QStringLiteral("key"), QStringLiteral("Return")});
    QVERIFY(no.waitForFinished());
    QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(QStringLiteral("^Exit$"), program).size(), 0, 20000);
    QCOMPARE(program->state(), QProcess::Running);
    QCOMPARE(visibleWindows(kMainTitle, program).size(), 1);
    if (damage == QLatin1String("comport.inf is a directory"))
        QVERIFY(QFileInfo(folder.filePath(QStringLiteral("comport.inf"))).isDir()); // left alone
}

void TestSingleInstance::lockOfAnotherComputerNamesItsHolder_data()
{
    QTest::addColumn<int>("ageHours"); // of the lock, by its modification time
    QTest::addColumn<bool>("takenOver");
    QTest::addColumn<QString>("said"); // on standard error
    QTest::newRow("an hour old: it may still run there")
        << 1 << false << "is held by process 4242 (kavrilink) on host oldpc since ";
    QTest::newRow("a day old: taken over") << 25 << true << "Took over the lock file ";
}

void TestSingleInstance::lockOfAnotherComputerNamesItsHolder()
{
    QFETCH(int, ageHours);
    QFETCH(bool, takenOver);
    QFETCH(QString, said);
    // A restored or roaming home folder brings the lock of a copy on another computer.
    const QDir folder(m_folder->appFolder());
    QVERIFY(QDir().mkpath(folder.path()));
    const QString path = folder.filePath(QStringLiteral("kavrilink.lock"));
    QFile lock(path);
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.write("4242\nkavrilink\noldpc\n");
    QVERIFY(lock.flush()); // before the time is set, which a later write would change
    QVERIFY(
        lock.setFileTime(QDateTime::currentDateTime().addSecs(-3600 * ageHours), QFileDevice::FileModificationTime));
    lock.close();

    QProcess *program = startProgram(true);
    if (takenOver) {
        QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(kMainTitle, program).size(), 1, 60000);
        QCOMPARE(visibleWindows(kBoxTitle, program).size(), 0);
        QFile now(path); // the lock is this copy's now
        QVERIFY(now.open(QIODevice::ReadOnly));
        QCOMPARE(now.readLine().trimmed(), QByteArray::number(program->processId()));
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(kBoxTitle, program).size(), 1, 60000);
        QCOMPARE(visibleWindows(kMainTitle, program).size(), 0);
    }
    QString errors;
    QString line; // the program's own line, among Qt's notes
    const QString start = takenOver ? said + path : QStringLiteral("The lock file ") + path + u' ' + said;
    QTRY_VERIFY_WITH_TIMEOUT((errors += QString::fromLocal8Bit(program->readAllStandardError()),
                              line = errors.split(u'\n').filter(start).value(0), !line.isEmpty()),
                             20000);
    QVERIFY2(line.contains(QStringLiteral("process 4242")) && line.contains(QStringLiteral("host oldpc")),
             qPrintable(line));
}

void TestSingleInstance::noHomeSaysSoAndEndsWithoutWindow()
{
    QProcess *program = startProgram(true, {QStringLiteral("HOME"), QStringLiteral("XDG_DATA_HOME")});
    QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(kBoxTitle, program).size(), 1, 60000);
    QCOMPARE(visibleWindows(kMainTitle, program).size(), 0);
    QProcess key;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    key.setProcessEnvironment(env);
    key.start(QStringLiteral("xdotool"),
              {QStringLiteral("windowfocus"), QStringLiteral("--sync"), visibleWindows(kBoxTitle, program).constFirst(),
               QStringLiteral("key"), QStringLiteral("Return")});
    QVERIFY(key.waitForFinished());
    QVERIFY(program->waitForFinished(20000));
    QCOMPARE(program->exitStatus(), QProcess::NormalExit);
    QCOMPARE(program->exitCode(), 1);
    const QString err = QString::fromLocal8Bit(program->readAllStandardError());
    QVERIFY2(err.contains(QStringLiteral("there is no application folder: HOME is not set")), qPrintable(err));
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
