// The programming history on real files: what a spreadsheet opens, records
// that read back as written, lines torn by a power loss, a full disk, and
// appends from several threads at once.
#include "link/programminghistory.h"
#include "support/filesizelimit.h"
#include "support/testfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QThread>

#include <memory>
#include <vector>

using namespace kav;

namespace {

HistoryRecord sampleRecord(int n)
{
    HistoryRecord record;
    const QDateTime local = QDateTime::currentDateTime();
    record.time = local.toOffsetFromUtc(local.offsetFromUtc()).addSecs(n);
    record.time = record.time.addMSecs(-record.time.time().msec()); // the file keeps seconds
    record.program = QStringLiteral("kavrilink-cli");
    record.user = QStringLiteral("bench");
    record.com = n % 3;
    record.device = QStringLiteral("/dev/ttyUSB%1").arg(n);
    record.adapterSerial = QStringLiteral("A%1").arg(n);
    record.adapterId = QStringLiteral("0403:6001");
    record.adapterDescription = QStringLiteral("FT232R USB UART");
    record.planFile = QStringLiteral("/plans/van %1.sav").arg(n);
    record.sha256 = QString(64, QLatin1Char('a'));
    record.before.channels[0] = {QStringLiteral("40.0125"), QStringLiteral("40.5000")};
    record.written.channels[0] = {QStringLiteral("41.0000"), QStringLiteral("41.5000")};
    record.written.channels[1] = {QStringLiteral("38.0000"), {}};
    record.backupPath = QStringLiteral("/backups/ttyUSB%1.sav").arg(n);
    record.outcome = QStringLiteral("written");
    return record;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool appendBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Append) && file.write(bytes) == bytes.size();
}

} // namespace

class TestHistory : public QObject
{
    Q_OBJECT

private slots:
    void recordsReadBackAsWritten_data();
    void recordsReadBackAsWritten();
    void fileOpensInASpreadsheet();
    void fullDiskKeepsEarlierRecords();
    void appendsAtOnceNeverInterleave();
};

void TestHistory::recordsReadBackAsWritten_data()
{
    QTest::addColumn<QByteArray>("before"); // the file before the appends; "-" for none
    QTest::addColumn<QString>("tricky");    // a value with characters CSV must quote
    QTest::addColumn<int>("skipped");       // lines the read leaves out

    const QByteArray header =
        QByteArray("\xEF\xBB\xBF") + ProgrammingHistory::columns().join(QLatin1Char(',')).toUtf8() + "\r\n";
    QTest::newRow("new file") << QByteArray("-") << QString() << 0;
    QTest::newRow("empty file") << QByteArray() << QString() << 0;
    QTest::newRow("comma and quotes in a name") << QByteArray("-") << QStringLiteral("van, \"north\".sav") << 0;
    QTest::newRow("line breaks in a name") << QByteArray("-") << QStringLiteral("plan\nCOM7: written\r.sav") << 0;
    QTest::newRow("not Latin-1") << QByteArray("-") << QStringLiteral("Fahrzeug \u00e4\u20ac\u4e2d.sav") << 0;
    // A power loss in the middle of an append: the next record starts on its own line.
    QTest::newRow("torn last line") << header + "2026-12-10T10:00:00+01:00,kavrilink,bench,1,/dev/tty" << QString()
                                    << 1;
    QTest::newRow("torn line inside a quote")
        << header + "2026-12-10T10:00:00+01:00,kavrilink,bench,1,\"/dev/tty" << QString() << 1;
    QTest::newRow("a line that is no record") << header + "not,a,record\r\n" << QString() << 1;
}

void TestHistory::recordsReadBackAsWritten()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, tricky);
    QFETCH(int, skipped);

    TestFolder folder;
    const QString path = folder.filePath(QStringLiteral("history.csv"));
    if (before != "-")
        QVERIFY(appendBytes(path, before));
    const ProgrammingHistory history(path);
    QList<HistoryRecord> written;
    for (int n = 1; n <= 3; ++n) {
        HistoryRecord record = sampleRecord(n);
        if (!tricky.isEmpty())
            record.planFile = tricky;
        QString reason;
        QVERIFY2(history.append(record, &reason), qPrintable(reason));
        written.append(record);
    }

    const HistoryRead read = history.read();
    QCOMPARE(read.error, QString());
    QCOMPARE(read.skippedLines, skipped);
    QCOMPARE(int(read.records.size()), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(historyLine(read.records.at(i)), historyLine(written.at(i)));
        QCOMPARE(read.records.at(i).planFile, written.at(i).planFile);
        QCOMPARE(read.records.at(i).time, written.at(i).time);
    }
    // One header, every record a line of its own.
    const QByteArray bytes = fileBytes(path);
    QCOMPARE(bytes.count("\xEF\xBB\xBF"), 1);
    QVERIFY(bytes.endsWith("\r\n"));
    const QList<QByteArray> lines = bytes.split('\n');
    QCOMPARE(int(lines.size()), 1 + 3 + skipped + 1);
}

void TestHistory::fileOpensInASpreadsheet()
{
    TestFolder folder;
    const QString path = folder.filePath(QStringLiteral("history.csv"));
    const ProgrammingHistory history(path);
    QString reason;
    QVERIFY2(history.ensureExists(&reason), qPrintable(reason));
    QVERIFY(history.ensureExists(&reason)); // once only
    const QByteArray header = fileBytes(path);
    // UTF-8 with its mark, comma-separated, CRLF: a spreadsheet opens it as it is.
    QVERIFY(header.startsWith("\xEF\xBB\xBF"
                              "time,program,user,COM,device,adapter serial number,adapter VID:PID,"));
    QVERIFY(header.endsWith(",backup,outcome\r\n"));
    QCOMPARE(header.count('\n'), 1);
    QCOMPARE(int(ProgrammingHistory::columns().size()), 24);
    QVERIFY(history.read().records.isEmpty());
    QVERIFY(history.append(sampleRecord(1), &reason));
    QCOMPARE(fileBytes(path).count("time,program"), 1);
}

void TestHistory::fullDiskKeepsEarlierRecords()
{
#ifdef Q_OS_UNIX
    TestFolder folder;
    const QString path = folder.filePath(QStringLiteral("history.csv"));
    const ProgrammingHistory history(path);
    QString reason;
    QVERIFY(history.append(sampleRecord(1), &reason));
    const QByteArray before = fileBytes(path);
    {
        // Room for part of one record more: the append fails and takes its part back.
        FileSizeLimit limit(before.size() + 40);
        QVERIFY(limit.active());
        QVERIFY(!history.append(sampleRecord(2), &reason));
    }
    QVERIFY2(!reason.isEmpty(), "a reason is given");
    QCOMPARE(fileBytes(path), before);
    QVERIFY2(history.append(sampleRecord(3), &reason), qPrintable(reason));
    const HistoryRead read = history.read();
    QCOMPARE(int(read.records.size()), 2);
    QCOMPARE(read.skippedLines, 0);
    QCOMPARE(read.records.at(1).device, QStringLiteral("/dev/ttyUSB3"));
#else
    QSKIP("the file size limit is Unix only");
#endif
}

void TestHistory::appendsAtOnceNeverInterleave()
{
    TestFolder folder;
    const QString path = folder.filePath(QStringLiteral("history.csv"));
    constexpr int kWriters = 8;
    constexpr int kEach = 12;
    std::vector<std::unique_ptr<QThread>> writers;
    QAtomicInt failures = 0;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back(QThread::create([path, w, &failures] {
            const ProgrammingHistory history(path); // each its own, as each program has
            for (int n = 0; n < kEach; ++n) {
                QString reason;
                if (!history.append(sampleRecord(w * 100 + n), &reason)) {
                    failures.ref();
                    qWarning("%s", qPrintable(reason));
                }
            }
        }));
    }
    for (auto &writer : writers)
        writer->start();
    for (auto &writer : writers)
        QVERIFY(writer->wait(60000));
    QCOMPARE(failures.loadRelaxed(), 0);
    const HistoryRead read = ProgrammingHistory(path).read();
    QCOMPARE(read.skippedLines, 0);
    QCOMPARE(int(read.records.size()), kWriters * kEach);
    QSet<QString> devices;
    for (const HistoryRecord &record : read.records)
        devices.insert(record.device);
    QCOMPARE(int(devices.size()), kWriters * kEach);
    QCOMPARE(fileBytes(path).count("time,program"), 1);
}

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
