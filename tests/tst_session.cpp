// The programming session on a fake port: its steps on one device, the read
// before a write (backup, skipping an unchanged radio, the changes asked
// about), interruption, its one verdict, and the record it leaves in the history.
#include "link/programminghistory.h"
#include "link/programmingsession.h"
#include "radio/backupstore.h"
#include "radio/decoder.h"
#include "support/exchangerig.h"
#include "support/testfolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace kav;
using namespace kav::test;

namespace {

// CH1 RX and TX one digit higher each than the example block.
QByteArray otherBlock()
{
    QByteArray other = kExampleBlock;
    other[5] = char(other[5] + 1);
    other[11] = char(other[11] + 1);
    other[36] = char(other[36] + 2);
    return other;
}

QString verdictName(SessionVerdict verdict)
{
    return QString::fromLatin1(QMetaEnum::fromType<SessionVerdict>().valueToKey(int(verdict)));
}

} // namespace

class TestSession : public QObject
{
    Q_OBJECT

private slots:
    void sessionEndsInOneVerdict_data();
    void sessionEndsInOneVerdict();
    void startingOverEndsTheRunGoing();
    void nothingElseTakesTheRunsPort();
    void recordTellsWhatWasWritten();
    void historyThatCannotBeWrittenLeavesTheVerdict();
};

void TestSession::sessionEndsInOneVerdict_data()
{
    QTest::addColumn<bool>("writing");
    // backup, verify, keep (the port after a write), skip, confirm, yes/no (the
    // answer to the changes), badfolder, nomap
    QTest::addColumn<QString>("options");
    QTest::addColumn<QStringList>("steps"); // the radio's side; "interrupt" stops the run
    QTest::addColumn<SessionVerdict>("verdict");
    QTest::addColumn<SessionStep>("endStep");
    QTest::addColumn<int>("differences"); // read-back differences
    QTest::addColumn<int>("changes");     // fields the plan changes, found by the read before
    QTest::addColumn<bool>("portOpen");
    QTest::addColumn<QString>("recorded"); // the history's outcome, empty for no record

    using V = SessionVerdict;
    using S = SessionStep;
    const auto row = [](const char *name, bool writing, const char *options, QStringList steps, V verdict, S step,
                        int differences, int changes, bool open, const char *recorded) {
        QTest::newRow(name) << writing << QString::fromLatin1(options) << steps << verdict << step << differences
                            << changes << open << QString::fromLatin1(recorded);
    };
    row("read", false, "", {"0e", "block"}, V::Read, S::Read, 0, 0, false, "");
    row("write, port closed after it", true, "", {"0f", "77"}, V::Written, S::Write, 0, 0, false, "written");
    row("write, port kept after it", true, "keep", {"0f", "77"}, V::Written, S::Write, 0, 0, true, "written");
    row("backup, write, read-back", true, "backup,verify,keep", {"0e", "block", "0f", "77", "0e", "block"}, V::Verified,
        S::VerifyRead, 0, 0, true, "verified");
    row("read-back differs", true, "verify", {"0f", "77", "0e", "other"}, V::VerifyMismatch, S::VerifyRead, 2, 0, false,
        "verify mismatch: CH1 RX: written 40.0125, the radio holds 40.0126; CH1 TX: written 40.5000, the "
        "radio holds 40.5001");
    row("write refused", true, "", {"0f", "55"}, V::WriteRefused, S::Write, 0, 0, false, "refused");
    row("no answer to 0xF0", true, "", {"timeout"}, V::NoAnswer, S::Write, 0, 0, false, "Connection Error to Radio");
    row("backup read fails: nothing written", true, "backup", {"0f"}, V::BackupFailed, S::ReadBeforeWrite, 0, 0, false,
        "");
    row("backup read silent: nothing written", true, "backup", {"timeout"}, V::BackupFailed, S::ReadBeforeWrite, 0, 0,
        false, "");
    row("backup cannot be kept: nothing written", true, "backup,badfolder", {"0e", "block"}, V::BackupFailed,
        S::KeepBackup, 0, 0, false, "");
    row("write refused after the backup", true, "backup,verify,keep", {"0e", "block", "0f", "55"}, V::WriteRefused,
        S::Write, 0, 0, false, "refused");
    row("no device: nothing opened", true, "backup,nomap", {}, V::PortUnavailable, S::ReadBeforeWrite, 0, 0, false, "");
    row("skip: the radio holds the plan", true, "skip", {"0e", "block"}, V::Unchanged, S::ReadBeforeWrite, 0, 0, false,
        "");
    row("skip: the radio holds another", true, "skip", {"0e", "other", "0f", "77"}, V::Written, S::Write, 0, 2, false,
        "written");
    row("skip with a backup: one read for both", true, "skip,backup", {"0e", "block"}, V::Unchanged, S::ReadBeforeWrite,
        0, 0, false, "");
    row("skip: the read fails without a backup", true, "skip", {"0e", "badblock"}, V::CommunicationError,
        S::ReadBeforeWrite, 0, 0, false, "");
    row("changes confirmed", true, "confirm,yes,keep", {"0e", "other", "0f", "77"}, V::Written, S::Write, 0, 2, true,
        "written");
    row("changes declined", true, "confirm,no,keep", {"0e", "other"}, V::Declined, S::ConfirmChanges, 0, 2, false, "");
    row("no changes, written anyway", true, "confirm,yes", {"0e", "block", "0f", "77"}, V::Written, S::Write, 0, 0,
        false, "written");
    row("changes: the read fails", true, "confirm,yes", {"timeout"}, V::NoAnswer, S::ReadBeforeWrite, 0, 0, false, "");
    row("interrupted reading", false, "", {"0e", "partial20", "interrupt"}, V::Interrupted, S::Read, 0, 0, false, "");
    row("interrupted before the block", true, "keep", {"interrupt"}, V::Interrupted, S::Write, 0, 0, false,
        "interrupted");
    row("interrupted waiting for the verdict", true, "keep", {"0f", "interrupt"}, V::Interrupted, S::Write, 0, 0, false,
        "interrupted");
    row("interrupted in the read-back", true, "verify,keep", {"0f", "77", "0e", "interrupt"}, V::InterruptedAfterAccept,
        S::VerifyRead, 0, 0, false, "interrupted after the radio accepted the plan");
    row("interrupted while the changes are asked", true, "confirm", {"0e", "other", "interrupt"}, V::Interrupted,
        S::ConfirmChanges, 0, 2, false, "");
}

void TestSession::sessionEndsInOneVerdict()
{
    QFETCH(bool, writing);
    QFETCH(QString, options);
    QFETCH(QStringList, steps);
    QFETCH(SessionVerdict, verdict);
    QFETCH(SessionStep, endStep);
    QFETCH(int, differences);
    QFETCH(int, changes);
    QFETCH(bool, portOpen);
    QFETCH(QString, recorded);

    TestFolder folder;
    FakeSerialService serial;
    PortHolder port(serial);
    int resolved = 0;
    // The device of the COM port changes at every asking: a session asks once.
    ProgrammingSession session(port, [&resolved, &options] {
        ++resolved;
        if (options.contains(QLatin1String("nomap")))
            return PortTarget{{}, QStringLiteral("COM1: the device map comport.map: it is a folder")};
        return PortTarget{QStringLiteral("/dev/fake%1").arg(resolved), {}};
    });
    session.exchange().setResponseTimeout(kShortTimeout);
    QSignalSpy finished(&session, &ProgrammingSession::finished);
    QSignalSpy backedUp(&session, &ProgrammingSession::backedUp);
    QSignalSpy asked(&session, &ProgrammingSession::changesFound);
    const bool yes = options.contains(QLatin1String("yes"));
    const bool no = options.contains(QLatin1String("no,")) || options.endsWith(QLatin1String(",no"));
    // The answer is given from the slot, as the window's question box does.
    QObject::connect(&session, &ProgrammingSession::changesFound, &session, [&session, yes, no] {
        if (yes)
            session.proceed();
        else if (no)
            session.decline();
    });
    const QString backupFolder =
        folder.filePath(options.contains(QLatin1String("badfolder")) ? QStringLiteral("file") : QStringLiteral("kept"));
    if (options.contains(QLatin1String("badfolder"))) {
        QVERIFY(QDir().mkpath(QFileInfo(backupFolder).path()));
        QFile file(backupFolder); // a file where the folder should be
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const BackupStore backups(backupFolder);
    const ProgrammingHistory history(folder.filePath(QStringLiteral("history.csv")));
    SessionOptions chosen;
    chosen.backups = &backups;
    chosen.backUpBeforeWrite = options.contains(QLatin1String("backup"));
    chosen.verifyAfterWrite = options.contains(QLatin1String("verify"));
    chosen.keepPortAfterWrite = options.contains(QLatin1String("keep"));
    chosen.skipUnchanged = options.contains(QLatin1String("skip"));
    chosen.confirmChanges = options.contains(QLatin1String("confirm"));
    chosen.history = &history;
    chosen.historyContext = {QStringLiteral("kavrilink-test"), 3, QStringLiteral("van.sav")};

    if (writing)
        session.write(kExampleImage, chosen);
    else
        session.read(chosen);
    for (const QString &step : steps) {
        if (step == QLatin1String("block"))
            serial.inject(kExampleBlock);
        else if (step == QLatin1String("other"))
            serial.inject(otherBlock());
        else if (step == QLatin1String("badblock"))
            serial.inject(kExampleBlock.left(36) + '\x16');
        else if (step == QLatin1String("partial20"))
            serial.inject(kExampleBlock.left(20));
        else if (step == QLatin1String("timeout"))
            ExchangeProbe::expireResponseTimeout(session.exchange());
        else if (step == QLatin1String("interrupt"))
            session.interrupt();
        else
            serial.inject(QByteArray::fromHex(step.toLatin1()));
    }
    session.interrupt(); // after the end: nothing more

    QCOMPARE(finished.size(), 1);
    const auto result = finished.constFirst().at(0).value<SessionResult>();
    QCOMPARE(verdictName(result.verdict), verdictName(verdict));
    QCOMPARE(result.step, endStep);
    QCOMPARE(int(result.differences.size()), differences);
    QCOMPARE(int(result.changes.size()), changes);
    QCOMPARE(asked.size(), chosen.confirmChanges && endStep != SessionStep::ReadBeforeWrite ? 1 : 0);
    QCOMPARE(serial.isOpen(), portOpen);
    QVERIFY(!session.isRunning());
    QVERIFY(!session.exchange().isRunning());
    QVERIFY(!session.exchange().responseTimer().isActive());
    // One device for the whole run, opened once and held from the first step to the last.
    QCOMPARE(resolved, 1);
    const bool hadPort = verdict != SessionVerdict::PortUnavailable;
    QCOMPARE(serial.opens, hadPort ? 1 : 0);
    if (hadPort) {
        QCOMPARE(result.device, QStringLiteral("/dev/fake1"));
        QCOMPARE(serial.device(), QStringLiteral("/dev/fake1"));
    } else {
        QVERIFY(result.reason.contains(QStringLiteral("comport.map")));
    }
    // A read before the write is one read, for the backup and the changes alike.
    const QByteArray sent = serial.sentBytes();
    const bool readFirst = chosen.backUpBeforeWrite || chosen.skipUnchanged || chosen.confirmChanges;
    if (writing && readFirst && hadPort)
        QCOMPARE(sent.left(1), QByteArray(1, char(WireBytes::ReadCommand)));
    QCOMPARE(result.readBefore,
             writing && readFirst && (endStep != SessionStep::ReadBeforeWrite || verdict == SessionVerdict::Unchanged));
    // The backup is named after that device, and the write went out only after it was kept.
    const bool kept = chosen.backUpBeforeWrite && result.readBefore && endStep != SessionStep::KeepBackup;
    QCOMPARE(backedUp.size(), kept ? 1 : 0);
    QCOMPARE(result.backupPath.isEmpty(), !kept);
    if (kept)
        QVERIFY2(QFileInfo(result.backupPath).fileName().startsWith(backupDeviceName(result.device)),
                 qPrintable(result.backupPath));
    const bool wrote = sent.contains(char(WireBytes::WriteCommand));
    QCOMPARE(wrote, !recorded.isEmpty());
    QCOMPARE(result.succeeded(), verdict == SessionVerdict::Read || verdict == SessionVerdict::Written ||
                                     verdict == SessionVerdict::Verified || verdict == SessionVerdict::Unchanged);

    // Every write that sent 0xF0, and only such a write, is in the history, with how it ended.
    const HistoryRead read = history.read();
    QCOMPARE(read.error, QString());
    QCOMPARE(read.skippedLines, 0);
    QCOMPARE(int(read.records.size()), recorded.isEmpty() ? 0 : 1);
    QCOMPARE(result.recorded, !recorded.isEmpty());
    QCOMPARE(result.historyFailure, QString());
    if (!recorded.isEmpty())
        QCOMPARE(read.records.constFirst().outcome, recorded);
}

void TestSession::startingOverEndsTheRunGoing()
{
    Rig rig;
    QSignalSpy finished(&rig.session, &ProgrammingSession::finished);
    rig.session.read();
    rig.play(QStringLiteral("0e"));
    QCOMPARE(rig.exchange.state(), LinkState::ImageExpected);
    rig.write(); // over the running read: the port is open already
    // The read has ended, once, before the write began.
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.constFirst().at(0).value<SessionResult>().verdict, SessionVerdict::Interrupted);
    QCOMPARE(rig.exchange.state(), LinkState::WriteRequested);
    QCOMPARE(rig.serial.opens, 1);
    QVERIFY(rig.exchange.responseTimer().isActive());
    rig.play(QStringLiteral("0f"));
    rig.play(QStringLiteral("77"));
    QCOMPARE(rig.sentHex(),
             (QStringList{QStringLiteral("e0"), QStringLiteral("f0"), QString::fromLatin1(kExampleBlock.toHex())}));
    QCOMPARE(rig.completions(), 1);
    QCOMPARE(rig.failures(), QStringList{QStringLiteral("Superseded")}); // the read's exchange, dropped
    QCOMPARE(finished.size(), 2);
    QCOMPARE(finished.constLast().at(0).value<SessionResult>().verdict, SessionVerdict::Written);
}

void TestSession::nothingElseTakesTheRunsPort()
{
    // The COM port chosen meanwhile names another device: the write keeps its own.
    FakeSerialService serial;
    PortHolder port(serial);
    QString device = QStringLiteral("/dev/fake1");
    ProgrammingSession session(port, [&device] { return PortTarget{device, {}}; });
    QSignalSpy finished(&session, &ProgrammingSession::finished);
    session.write(kExampleImage);
    serial.inject(QByteArray::fromHex("0f"));
    device = QStringLiteral("/dev/fake2");
    QString reason;
    QVERIFY(!session.openPort(&reason));
    QVERIFY2(reason.contains(QStringLiteral("/dev/fake1")), qPrintable(reason));
    session.releasePort(); // at the end, not now
    QVERIFY(serial.isOpen());
    QCOMPARE(serial.device(), QStringLiteral("/dev/fake1"));
    serial.inject(QByteArray::fromHex("77"));
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.constFirst().at(0).value<SessionResult>().verdict, SessionVerdict::Written);
    QCOMPARE(serial.opens, 1);
    QVERIFY(!serial.isOpen());
    QVERIFY(session.openPort(&reason));
    QCOMPARE(serial.device(), QStringLiteral("/dev/fake2"));
}

void TestSession::recordTellsWhatWasWritten()
{
    TestFolder folder;
    Rig rig;
    const BackupStore backups(folder.filePath(QStringLiteral("backups")));
    const ProgrammingHistory history(folder.filePath(QStringLiteral("history.csv")));
    QSignalSpy finished(&rig.session, &ProgrammingSession::finished);
    SessionOptions options;
    options.backups = &backups;
    options.backUpBeforeWrite = true;
    options.verifyAfterWrite = true;
    options.history = &history;
    options.historyContext = {QStringLiteral("kavrilink"), 2, QStringLiteral("sheet")};
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    rig.session.write(kExampleImage, options);
    for (const char *step : {"0e", "other", "0f", "77", "0e", "block"}) {
        if (QByteArray(step) == "other")
            rig.serial.inject(otherBlock());
        else if (QByteArray(step) == "block")
            rig.serial.inject(kExampleBlock);
        else
            rig.play(QString::fromLatin1(step));
    }
    QCOMPARE(finished.size(), 1);
    const auto result = finished.constFirst().at(0).value<SessionResult>();
    QCOMPARE(result.verdict, SessionVerdict::Verified);
    QVERIFY(result.recorded);

    const HistoryRead read = history.read();
    QCOMPARE(int(read.records.size()), 1);
    const HistoryRecord &record = read.records.constFirst();
    QCOMPARE(record.program, QStringLiteral("kavrilink"));
    QCOMPARE(record.com, 2);
    QCOMPARE(record.device, QStringLiteral("/dev/fake1"));
    QCOMPARE(record.planFile, QStringLiteral("sheet"));
    QCOMPARE(record.user, ProgrammingHistory::currentUser());
    QCOMPARE(record.sha256,
             QString::fromLatin1(QCryptographicHash::hash(kExampleBlock.left(36), QCryptographicHash::Sha256).toHex()));
    QCOMPARE(record.before, decodePlan(RadioImage::fromLinear(otherBlock())));
    QCOMPARE(record.written, decodePlan(kExampleImage));
    QCOMPARE(record.backupPath, result.backupPath);
    QCOMPARE(record.outcome, QStringLiteral("verified"));
    // The time with its offset from UTC, as the machine's clock had it.
    QVERIFY(record.time >= before && record.time <= QDateTime::currentDateTime().addSecs(1));
    QCOMPARE(record.time.offsetFromUtc(), QDateTime::currentDateTime().offsetFromUtc());
    const QByteArray line = historyLine(record).toUtf8();
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d(Z|[+-]\\d\\d:\\d\\d),"))
                 .match(QString::fromUtf8(line))
                 .hasMatch(),
             line.constData());
}

void TestSession::historyThatCannotBeWrittenLeavesTheVerdict()
{
    TestFolder folder;
    Rig rig;
    const QString path = folder.filePath(QStringLiteral("history.csv"));
    QVERIFY(QDir().mkpath(path)); // a folder where the file should be
    const ProgrammingHistory history(path);
    QSignalSpy finished(&rig.session, &ProgrammingSession::finished);
    SessionOptions options;
    options.history = &history;
    rig.session.write(kExampleImage, options);
    rig.play(QStringLiteral("0f"));
    rig.play(QStringLiteral("77"));
    QCOMPARE(finished.size(), 1);
    const auto result = finished.constFirst().at(0).value<SessionResult>();
    QCOMPARE(result.verdict, SessionVerdict::Written);
    QVERIFY(!result.recorded);
    QVERIFY2(result.historyFailure.contains(QStringLiteral("a folder")), qPrintable(result.historyFailure));
}

QTEST_MAIN(TestSession)
#include "tst_session.moc"
