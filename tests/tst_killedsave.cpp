// A process killed (SIGKILL) in the middle of repeated saves leaves every
// file whole: a *.sav file holds the old or the new 180 bytes, comport.inf
// the old or the new line, never a part of either, and every backup is whole
// (no empty *.sav claimed before it was filled).
#include "support/testfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

class TestKilledSave : public QObject
{
    Q_OBJECT

private slots:
    void fileIsOldOrNewAfterKill_data();
    void fileIsOldOrNewAfterKill();
};

namespace {

QByteArray savFile(const QByteArray &ch1Rx)
{
    QByteArray bytes;
    for (int i = 0; i < 36; ++i)
        bytes += ' ' + (i < 6 ? ch1Rx.mid(i, 1) : QByteArray("0")) + " \r\n";
    return bytes;
}

} // namespace

void TestKilledSave::fileIsOldOrNewAfterKill_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArrayList>("wholeContents");

    QTest::newRow("SAVE of a plan") << "sav"
                                    << "plan.sav" << QByteArrayList{savFile("400125"), savFile("415000")};
    QTest::newRow("COM port choice") << "inf"
                                     << "Kavrilink/comport.inf" << QByteArrayList{" 2 \r\n", " 3 \r\n"};
    // A folder: every *.sav in it must be whole.
    QTest::newRow("backups") << "backup"
                             << "backups" << QByteArrayList{savFile("400125")};
}

void TestKilledSave::fileIsOldOrNewAfterKill()
{
    QFETCH(QString, kind);
    QFETCH(QString, file);
    QFETCH(QByteArrayList, wholeContents);
    QCOMPARE(wholeContents.first().size(), kind == QLatin1String("inf") ? 5 : 180);

    TestFolder folder;
    const QString root = folder.dataHome(); // XDG_DATA_HOME of the helper
    QVERIFY(QDir().mkpath(folder.appFolder()));
    const QString path = QDir(root).filePath(file);

    // Kill after a growing number of saves, so that the kills land at
    // different points of the save.
    for (int round = 0; round < 40; ++round) {
        QProcess helper;
        helper.start(QStringLiteral(KAVRILINK_SAVELOOP), {kind, root});
        QVERIFY2(helper.waitForStarted(), qPrintable(helper.errorString()));
        int saves = 0;
        const int killAfter = 1 + round * 2;
        QByteArray pending;
        while (saves < killAfter) {
            QVERIFY2(helper.waitForReadyRead(10000), helper.readAllStandardError().constData());
            pending += helper.readAllStandardOutput();
            saves = int(pending.count('\n'));
        }
        helper.kill(); // SIGKILL: no handler, no cleanup
        QVERIFY(helper.waitForFinished(10000));
        QCOMPARE(helper.exitStatus(), QProcess::CrashExit);

        const QStringList files = QFileInfo(path).isDir()
                                      ? QDir(path).entryList({QStringLiteral("*.sav")}, QDir::Files | QDir::Hidden)
                                      : QStringList{QFileInfo(path).fileName()};
        QVERIFY(!files.isEmpty());
        for (const QString &name : files) {
            QFile saved(QFileInfo(path).isDir() ? QDir(path).filePath(name) : path);
            QVERIFY2(saved.open(QIODevice::ReadOnly), qPrintable(saved.fileName()));
            const QByteArray content = saved.readAll();
            QVERIFY2(wholeContents.contains(content),
                     qPrintable(name + u' ' + QString::fromLatin1(content.toHex(' '))));
        }
    }
}

QTEST_MAIN(TestKilledSave)
#include "tst_killedsave.moc"
