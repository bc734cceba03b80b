#include "app/singleinstance.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace kav;

// Who may start, decided by the lock file in the application folder; run on
// Linux and, under Wine, on Windows, whose lock files work otherwise.
class TestInstanceLock : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lockFileDecidesWhoStarts_data();
    void lockFileDecidesWhoStarts();
};

void TestInstanceLock::lockFileDecidesWhoStarts_data()
{
    QTest::addColumn<QByteArray>("lock"); // what the lock file holds; "@" is this computer's name
    QTest::addColumn<int>("ageHours");    // by its modification time
    QTest::addColumn<bool>("starts");
    QTest::addColumn<QString>("said"); // the start of notice() or holder(), "@" the lock file

    QTest::newRow("no lock") << QByteArray() << 0 << true << QString();
    QTest::newRow("another copy on this computer")
        << QByteArray("*") << 0 << false << "The lock file @ is held by process ";
    QTest::newRow("another computer's, an hour old")
        << QByteArray("4242\nkavrilink\noldpc\n") << 1 << false
        << "The lock file @ is held by process 4242 (kavrilink) on host oldpc since ";
    QTest::newRow("another computer's, a day old")
        << QByteArray("4242\nkavrilink\noldpc\n") << 25 << true
        << "Took over the lock file @ of process 4242 on host oldpc, unchanged since ";
    QTest::newRow("garbled by a power loss") << QByteArray("\x01\x02garbage") << 1 << true << QString();
}

void TestInstanceLock::lockFileDecidesWhoStarts()
{
    QFETCH(QByteArray, lock);
    QFETCH(int, ageHours);
    QFETCH(bool, starts);
    QFETCH(QString, said);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("kavrilink.lock"));
    std::unique_ptr<SingleInstance> first; // the other copy, in this process
    if (lock == "*") {
        first = std::make_unique<SingleInstance>(path);
        QVERIFY(first->acquire());
    } else if (!lock.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(lock), lock.size());
        QVERIFY(file.flush()); // before the time is set, which a later write would change
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600 * ageHours),
                                 QFileDevice::FileModificationTime));
    }

    SingleInstance instance(path);
    QCOMPARE(instance.acquire(), starts);
    const QString text = starts ? instance.notice() : instance.holder();
    if (said.isEmpty())
        QVERIFY2(text.isEmpty() || text.startsWith(QStringLiteral("Took over")), qPrintable(text));
    else
        QVERIFY2(text.startsWith(said.replace(QLatin1Char('@'), QDir::toNativeSeparators(path))), qPrintable(text));
    if (starts) { // the lock is this copy's now, and no other may start
        QVERIFY(QFile::exists(path));
        SingleInstance second(path);
        QVERIFY(!second.acquire());
        QVERIFY2(second.holder().contains(QStringLiteral(" on this computer since ")), qPrintable(second.holder()));
    }
}

QTEST_GUILESS_MAIN(TestInstanceLock)
#include "tst_instancelock.moc"
