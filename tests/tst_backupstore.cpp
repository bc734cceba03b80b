#include "radio/backuppruner.h"
#include "radio/backupstore.h"
#include "support/filebytes.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace kav;

namespace {

const QDateTime kNow(QDate(2025, 6, 15), QTime(12, 0, 0));

// The name of a backup of ttyUSB0 taken days and seconds before now.
QString backupAged(int days, int seconds = 0, int copy = 1)
{
    return backupFileName(QStringLiteral("ttyUSB0"), kNow.addDays(-days).addSecs(-seconds), copy);
}

QStringList backupsAged(int fromDays, int count)
{
    QStringList names;
    for (int i = 0; i < count; ++i)
        names.append(backupAged(fromDays + i));
    return names;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestBackupStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keepsEveryBackupUnderItsOwnName();
    void folderFailuresSayWhy_data();
    void folderFailuresSayWhy();
    void prunesOnlyOldBackupsBeyondTheNewest_data();
    void prunesOnlyOldBackupsBeyondTheNewest();
};

void TestBackupStore::keepsEveryBackupUnderItsOwnName()
{
    QTemporaryDir dir;
    const QString folder = BackupStore::defaultFolder(dir.filePath(QStringLiteral("app"))); // not there yet
    const BackupStore store(folder, [] { return kNow; });
    RadioImage image = RadioImage::fromLinear(QByteArray::fromHex("040000010205040005000000") + QByteArray(24, '\0'));

    const BackupResult first = store.save(QStringLiteral("/dev/ttyUSB0"), image);
    image.at(0) = 3;
    const BackupResult second = store.save(QStringLiteral("/dev/ttyUSB0"), image); // the same second
    const BackupResult byId = store.save(QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_A5:1-if00-port0"), image);
    const BackupResult odd = store.save(QStringLiteral("../../etc/passwd"), image);

    QVERIFY2(first.saved && second.saved && byId.saved && odd.saved, qPrintable(first.reason));
    QCOMPARE(first.path, QDir(folder).filePath(QStringLiteral("ttyUSB0-20250615-120000.sav")));
    QCOMPARE(second.path, QDir(folder).filePath(QStringLiteral("ttyUSB0-20250615-120000-2.sav")));
    QCOMPARE(byId.path, QDir(folder).filePath(QStringLiteral("usb-FTDI_FT232R_A5_1-if00-port0-20250615-120000.sav")));
    QCOMPARE(odd.path, QDir(folder).filePath(QStringLiteral("_._.._etc_passwd-20250615-120000.sav")));
    QByteArray expected = " 4 \r\n 0 \r\n 0 \r\n 1 \r\n 2 \r\n 5 \r\n 4 \r\n 0 \r\n 5 \r\n 0 \r\n 0 \r\n 0 \r\n";
    for (int i = 0; i < 24; ++i)
        expected += " 0 \r\n";
    QCOMPARE(fileBytes(first.path), expected);
    QCOMPARE(fileBytes(second.path), QByteArray(" 3 \r\n") + expected.mid(5));
    QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 4); // no temporary file left behind
}

void TestBackupStore::folderFailuresSayWhy_data()
{
    QTest::addColumn<QString>("folder"); // below the test's folder, where "file" is a file
    QTest::addColumn<bool>("homeSet");
    QTest::addColumn<QString>("reason"); // "@" is the test's folder
    QTest::newRow("the folder is a file")
        << "file" << true << "@/file: the folder cannot be created: @/file is a file, not a folder";
    QTest::newRow("a file above it") << "file/backups" << true
                                     << "@/file/backups: the folder cannot be created: @/file is a file, not a folder";
#ifndef Q_OS_WIN // the system's own words for a long name; no HOME there
    QTest::newRow("name too long") << QString(300, QLatin1Char('n')) << true
                                   << "@/" + QString(300, QLatin1Char('n')) +
                                          ": the folder cannot be created: File name too long";
    QTest::newRow("HOME not set") << "file/backups" << false
                                  << "@/file/backups: the folder cannot be created: @/file is a file, not a folder "
                                     "(HOME is not set)";
#endif
}

void TestBackupStore::folderFailuresSayWhy()
{
    QFETCH(QString, folder);
    QFETCH(bool, homeSet);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(QStringLiteral("file")), "not a folder"));
    const QByteArray home = qgetenv("HOME");
    if (!homeSet)
        qunsetenv("HOME");
    const BackupResult result =
        BackupStore(dir.filePath(folder), [] { return kNow; }).save(QStringLiteral("/dev/ttyUSB0"), RadioImage());
    qputenv("HOME", home);
    QVERIFY(!result.saved);
    // Both folders named as the system writes paths: C:\Users\...\file\backups on Windows.
    QCOMPARE(result.reason, QDir::toNativeSeparators(reason.replace(QLatin1Char('@'), dir.path())));
    QCOMPARE(fileBytes(dir.filePath(QStringLiteral("file"))), QByteArray("not a folder"));
}

void TestBackupStore::prunesOnlyOldBackupsBeyondTheNewest_data()
{
    QTest::addColumn<QStringList>("backups");
    // "dir:NAME", "link:NAME" (to an old file elsewhere), "old:NAME" (a file last
    // changed two days before the store's now), or a file name
    QTest::addColumn<QStringList>("others");
    QTest::addColumn<QStringList>("deleted");

    const int kept = kBackupsAlwaysKept;
    const int maxAge = kBackupMaxAgeDays;
    QTest::newRow("many, none old") << backupsAged(0, kept + 50) << QStringList() << QStringList();
    QTest::newRow("old, but the newest") << backupsAged(maxAge + 1, kept) << QStringList() << QStringList();
    QTest::newRow("old beyond the newest")
        << backupsAged(0, kept) + backupsAged(maxAge + 10, 10) << QStringList() << backupsAged(maxAge + 10, 10);
    QTest::newRow("the newest old ones stay")
        << backupsAged(0, kept - 10) + backupsAged(maxAge + 1, 30) << QStringList() << backupsAged(maxAge + 11, 20);
    QTest::newRow("more than a few turns' worth")
        << backupsAged(0, kept) + backupsAged(maxAge + 10, 3 * BackupPruner::kEntriesPerTurn) << QStringList()
        << backupsAged(maxAge + 10, 3 * BackupPruner::kEntriesPerTurn);
    QTest::newRow("exactly a year is not older")
        << backupsAged(0, kept) + QStringList{backupAged(maxAge), backupAged(maxAge, 1)} << QStringList()
        << QStringList{backupAged(maxAge, 1)};
    QTest::newRow("a second copy is newer than the first")
        << backupsAged(0, kept - 1) + QStringList{backupAged(maxAge + 1, 0, 1), backupAged(maxAge + 1, 0, 2)}
        << QStringList() << QStringList{backupAged(maxAge + 1, 0, 1)};
    QTest::newRow("other files are never touched") << backupsAged(0, kept)
                                                   << QStringList{QStringLiteral("notes.txt"),
                                                                  QStringLiteral("ttyUSB0-20200101-120000.sav.bak"),
                                                                  QStringLiteral("ttyUSB0-20201341-120000.sav"),
                                                                  QStringLiteral("ttyUSB0-20200101-1200.sav"),
                                                                  QStringLiteral(".hidden-20200101-120000.sav"),
                                                                  QStringLiteral("ttyUSB0-20200101-120000-1.sav"),
                                                                  QStringLiteral("dir:ttyUSB0-20200101-120000.sav"),
                                                                  QStringLiteral("link:ttyUSB0-20200102-120000.sav"),
                                                                  QStringLiteral(".backup-Ab12Cd.part"),
                                                                  QStringLiteral("old:.backup-Ab12Cd.part.txt"),
                                                                  QStringLiteral("old:backup-Ab12Cd.part")}
                                                   << QStringList();
    // A backup whose program was killed before it had its name.
    QTest::newRow("an unfinished backup a day old goes")
        << QStringList()
        << QStringList{QStringLiteral("old:.backup-Xy34Zw.part"), QStringLiteral(".backup-Fresh1.part")}
        << QStringList{QStringLiteral(".backup-Xy34Zw.part")};
}

void TestBackupStore::prunesOnlyOldBackupsBeyondTheNewest()
{
    QFETCH(QStringList, backups);
    QFETCH(QStringList, others);
    QFETCH(QStringList, deleted);
    deleted.sort();

    // The same verdicts all at once (the command line) and a bounded number of
    // entries per event-loop turn (the window's pruner).
    for (const bool inTurns : {false, true}) {
        QTemporaryDir dir;
        QTemporaryDir elsewhere;
        const QDir folder(dir.path());
        for (const QString &name : backups)
            QVERIFY(writeFile(folder.filePath(name), " 0 \r\n"));
        QStringList otherNames;
        for (const QString &other : others) {
            if (other.startsWith(QLatin1String("dir:"))) {
                otherNames.append(other.mid(4));
                QVERIFY(folder.mkdir(otherNames.last()));
            } else if (other.startsWith(QLatin1String("link:"))) {
                otherNames.append(other.mid(5));
                const QString target = QDir(elsewhere.path()).filePath(QStringLiteral("kept.sav"));
                QVERIFY(writeFile(target, " 0 \r\n"));
                QVERIFY(QFile::link(target, folder.filePath(otherNames.last())));
            } else if (other.startsWith(QLatin1String("old:"))) {
                otherNames.append(other.mid(4));
                QFile file(folder.filePath(otherNames.last()));
                QVERIFY(file.open(QIODevice::WriteOnly));
                QVERIFY(file.setFileTime(kNow.addDays(-2), QFileDevice::FileModificationTime)); // by the store's clock
            } else {
                otherNames.append(other);
                QVERIFY(writeFile(folder.filePath(other), " 0 \r\n"));
            }
        }
        const auto entries = [&folder] {
            QStringList names = folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
            names.sort();
            return names;
        };
        QStringList expected = backups + otherNames;
        expected.sort();
        QCOMPARE(entries(), expected);

        const BackupStore store(dir.path(), [] { return kNow; });
        QStringList actual;
        if (inTurns) {
            BackupPruner pruner(store);
            QSignalSpy finished(&pruner, &BackupPruner::finished);
            pruner.start();
            QVERIFY(!pruner.isFinished());
            QCOMPARE(entries(), expected); // nothing goes before the event loop turns
            QVERIFY(finished.wait());
            QCOMPARE(finished.size(), 1);
            actual = finished.first().first().toStringList();
        } else {
            actual = store.prune();
        }
        actual.sort();
        QCOMPARE(actual, deleted);
        for (const QString &name : deleted)
            expected.removeOne(name);
        QCOMPARE(entries(), expected);
    }
}

QTEST_GUILESS_MAIN(TestBackupStore)
#include "tst_backupstore.moc"
