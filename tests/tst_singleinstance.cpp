// The built program, started as real processes on an X server of their own,
// with a box dismissed by a key press as a user would.

#include "support/testfolder.h"

#include <QDir>
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

private:
    // Visible windows whose title matches, of one program or of all.
    QStringList visibleWindows(const QString &namePattern, const QProcess *program = nullptr) const;
    QProcess *startProgram();

    QProcess m_xserver;
    QString m_display;
    std::unique_ptr<TestFolder> m_folder;
    QList<QProcess *> m_programs;
};

void TestSingleInstance::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()
        || QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        QSKIP("needs Xvfb and xdotool (installed by scripts/test)");
    m_xserver.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                            QStringLiteral("-screen"), QStringLiteral("0"),
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

QProcess *TestSingleInstance::startProgram()
{
    auto *program = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), m_folder->dataHome());
    program->setProcessEnvironment(env);
    program->setProcessChannelMode(QProcess::ForwardedErrorChannel);
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
    QCOMPARE(second->state(), QProcess::Running);   // it waits for the box

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
    click.start(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QStringLiteral("--sync"),
                                            QStringLiteral("--window"), window, QStringLiteral("292"),
                                            QStringLiteral("48"), QStringLiteral("click"), QStringLiteral("1")});
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

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
