#include "common/appsettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace kav;

class TestAppSettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void badFileGivesDefaultsAndNeverFails_data();
    void badFileGivesDefaultsAndNeverFails();
};

void TestAppSettings::badFileGivesDefaultsAndNeverFails_data()
{
    QTest::addColumn<QString>("kind"); // "file", "dir", "fifo", "dangling"
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("backUp");   // as read at start
    QTest::addColumn<bool>("verify");   // as read at start
    QTest::addColumn<QString>("said");  // why a choice made cannot be kept, "@" the file; empty: kept
    QTest::addColumn<bool>("putAside"); // saving moves the old file to kavrilink.ini.bad

    QByteArray binary;
    for (int i = 0; i < 512; ++i)
        binary.append(char((i * 167 + 13) % 256));
    const QByteArray clear = "[Programming]\r\nBackUpBeforeWriting=true\r\nVerifyAfterWrite=1\r\n";
    const QString notAFile = QStringLiteral("@: not a regular file");

    QTest::newRow("clear choices are read") << "file" << clear << true << true << QString() << false;
    QTest::newRow("garbage text") << "file" << QByteArray("]]]=[\n\\\n=== true\n[Programming\nBackUp") << false << false
                                  << QString() << true;
    QTest::newRow("binary") << "file" << binary << false << false << QString() << true;
    QTest::newRow("values neither yes nor no")
        << "file" << QByteArray("[Programming]\nBackUpBeforeWriting=yes please\nVerifyAfterWrite=@Variant(\\0\\0)\n")
        << false << false << QString() << false;
    QTest::newRow("larger than a settings file")
        << "file" << clear + QByteArray(AppSettings::kMaxSettingsFileSize, ';') << false << false
        << QStringLiteral("@: larger than 65536 bytes") << false;
    QTest::newRow("a directory") << "dir" << QByteArray() << false << false << notAFile << false;
#ifdef Q_OS_UNIX // Windows has no FIFOs, and what Qt makes there as a link is a shortcut, an ordinary file
    QTest::newRow("a FIFO, not waited on") << "fifo" << QByteArray() << false << false << notAFile << false;
    QTest::newRow("a dangling link") << "dangling" << QByteArray() << false << false << notAFile << false;
#endif
    // As a Windows editor saves it.
    QTest::newRow("byte-order mark and CRLF") << "file"
                                              << "\xEF\xBB\xBF" + clear << true << true << QString() << false;
    // A value QSettings would read as a stored variant is no text: off.
    QTest::newRow("a stored variant is not true")
        << "file"
        << QByteArray("[Programming]\r\nBackUpBeforeWriting=@Variant(\\0\\0\\0\\x1\\x1)\r\nVerifyAfterWrite=\"@Variant("
                      "\\0\\0\\0\\x1\\x1)\"\r\n")
        << false << false << QString() << false;
    QTest::newRow("case and blanks do not matter") << "file"
                                                   << QByteArray("[Programming]\nBackUpBeforeWriting = TRUE \n"
                                                                 "VerifyAfterWrite=yes\n")
                                                   << true << false << QString() << false;
}

void TestAppSettings::badFileGivesDefaultsAndNeverFails()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, content);
    QFETCH(bool, backUp);
    QFETCH(bool, verify);
    QFETCH(QString, said);
    QFETCH(bool, putAside);

    QTemporaryDir folder;
    const QString path = QDir(folder.path()).filePath(QString::fromLatin1(kSettingsFileName));
    if (kind == QLatin1String("file")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(content), content.size());
    } else if (kind == QLatin1String("dir")) {
        QVERIFY(QDir().mkdir(path));
#ifdef Q_OS_UNIX
    } else if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
#endif
    } else {
        QVERIFY(QFile::link(QDir(folder.path()).filePath(QStringLiteral("gone.ini")), path));
    }

    AppSettings settings(folder.path());
    QCOMPARE(settings.value(Choice::BackUpBeforeWriting), backUp);
    QCOMPARE(settings.value(Choice::VerifyAfterWrite), verify);

    // A choice holds for the run whether or not it can be kept, and is kept where it can.
    QString reason;
    const bool saveable = said.isEmpty();
    QCOMPARE(settings.set(Choice::VerifyAfterWrite, !verify, &reason), saveable);
    // The file named as the system writes paths: C:\Users\...\kavrilink.ini on Windows.
    QCOMPARE(reason, said.replace(QLatin1Char('@'), QDir::toNativeSeparators(path)));
    QCOMPARE(settings.value(Choice::VerifyAfterWrite), !verify);
    const AppSettings again(folder.path());
    QCOMPARE(again.value(Choice::VerifyAfterWrite), saveable ? !verify : verify);
    QCOMPARE(again.value(Choice::BackUpBeforeWriting), backUp);
    QCOMPARE(QFileInfo::exists(path + QStringLiteral(".bad")), putAside);
}

QTEST_GUILESS_MAIN(TestAppSettings)
#include "tst_appsettings.moc"
