// kavrilink-cli run as a process, as a script or a technician runs it.

#include "link/openfailure.h"
#include "link/programminghistory.h"
#include "radio/backupstore.h"
#include "radio/frequencyfile.h"
#include "support/pseudoterminal.h"
#include "support/testfolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <algorithm>
#include <climits>
#include <csignal>
#include <vector>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

// Sequence numbers across every simulated radio's log, in the order the test saw the lines.
int g_logSequence = 0;

// A simulated radio in its own process on a new pseudo-terminal.
class SimRadio
{
public:
    explicit SimRadio(const QStringList &arguments)
    {
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &m_process, [this] { readLog(); });
        m_process.start(QStringLiteral(KAVRILINK_SIMRADIO), arguments);
    }
    ~SimRadio()
    {
        m_process.terminate();
        m_process.waitForFinished();
    }

    [[nodiscard]] bool waitForDevice()
    {
        return QTest::qWaitFor([this] { return !m_device.isEmpty(); }, 20000);
    }
    QString device() const { return m_device; }
    // Sequence number of the first log line containing text, or -1.
    int firstSeen(const QString &text) const
    {
        for (const auto &[sequence, line] : m_log) {
            if (line.contains(text))
                return sequence;
        }
        return -1;
    }
    // The bytes the program sent, as hex without spaces, in order.
    QString programBytes() const
    {
        static const QRegularExpression sent(QStringLiteral("program -> ([0-9A-F]{2})"));
        QString bytes;
        for (const auto &entry : m_log) {
            if (const QRegularExpressionMatch match = sent.match(entry.second); match.hasMatch())
                bytes += match.captured(1);
        }
        return bytes;
    }
    QStringList lines() const
    {
        QStringList all;
        for (const auto &entry : m_log)
            all.append(entry.second);
        return all;
    }
    // Called with each log line as it comes in.
    std::function<void(const QString &line)> onLine;

private:
    void readLog()
    {
        while (m_process.canReadLine()) {
            const QString line = QString::fromLatin1(m_process.readLine()).trimmed();
            if (m_device.isEmpty())
                m_device = line;
            else
                m_log.append({g_logSequence++, line});
            if (onLine && m_log.size() > 0 && m_log.constLast().second == line)
                onLine(line);
        }
    }

    QProcess m_process;
    QString m_device;
    QList<std::pair<int, QString>> m_log;
};

// The two signals that stop kavrilink-cli, and the exit code each gives.
void addSignalRows()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("SIGINT") << int(SIGINT) << 130;
    QTest::newRow("SIGTERM") << int(SIGTERM) << 143;
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void showPrintsFourDecimalPlan();
    void showJsonGivesTextsAndImage();
    void refusedFilesExitWithFileRefused_data();
    void refusedFilesExitWithFileRefused();
    void reportPrintsTheTwentyLines();
    void reportWritesOnePdfPage();
    void usageErrorsExitWithTwo_data();
    void usageErrorsExitWithTwo();
    void helpListsCommandsAndExitCodes();
    void portsListsWithoutFailing();
    void exportAndImportKeepThePlanAndRefuseWhole();
    void importRefusalsNameRowAndColumn_data();
    void importRefusalsNameRowAndColumn();
    void resultsThatCannotReachStandardOutputExitThree_data();
    void outputsThatAreAnInputAreRefused_data();
    void outputsThatAreAnInputAreRefused();
    void resultsThatCannotReachStandardOutputExitThree();
    void readPrintsAndSavesThePlan();
    void writeProgramsTheRadio();
    void writesSeveralRadiosAtOnce();
    void verifyCatchesARadioThatStoredOtherwise();
    void writeBacksUpEachRadioFirst_data();
    void writeBacksUpEachRadioFirst();
    void writePrunesItsBackupFolderAfterTheRun_data();
    void writePrunesItsBackupFolderAfterTheRun();
    void writeKeepsToOneDeviceWhenTheMapChanges();
    void traceSavesEachDevicesExchanges_data();
    void traceSavesEachDevicesExchanges();
    void radioFailuresExitWithTheirCodes_data();
    void radioFailuresExitWithTheirCodes();
    void refusesTargetsThatAreNotFilesBeforeTheRadio();
    void interruptedWriteClosesItsPorts_data();
    void interruptedWriteClosesItsPorts();
    void diffNamesWhatEachRadioHolds_data();
    void diffNamesWhatEachRadioHolds();
    void namesWithLineBreaksStayOnTheirLine_data();
    void namesWithLineBreaksStayOnTheirLine();
    void applicationFolderFollowsTheXdgRules_data();
    void applicationFolderFollowsTheXdgRules();
    void everyCommandHasItsOwnHelp();
    void skipUnchangedWritesOnlyWhatDiffers_data();
    void skipUnchangedWritesOnlyWhatDiffers();
    void historyRecordsEveryWriteThatSentThePlan_data();
    void historyRecordsEveryWriteThatSentThePlan();
    void historySelectsByDeviceAndDate_data();
    void historySelectsByDeviceAndDate();
    void unrecordedWriteIsSaidAndKeepsItsExitCode();
    void interruptedFleetSaysWhatEachRadioHolds_data();
    void interruptedFleetSaysWhatEachRadioHolds();

private:
    // standardOutput: a file that takes the program's standard output instead of the test.
    Run run(const QStringList &arguments, const QString &standardOutput = {}) const;
    // Starts a program run while the event loop keeps reading the radios' logs.
    Run runWithRadios(const QStringList &arguments, const QString &standardOutput = {}) const;
    // As runWithRadios, with the environment changed (an empty value unsets
    // the variable) and in workingDirectory when one is given.
    Run runWithEnvironment(const QStringList &arguments, const QMap<QString, QString> &changes,
                           const QString &workingDirectory = {}) const;
    QString writePlan(const QString &name, const QByteArray &hexImage) const;

    std::unique_ptr<TestFolder> m_folder;
};

void TestCli::init()
{
    m_folder = std::make_unique<TestFolder>();
}

void TestCli::cleanup()
{
    m_folder.reset();
}

Run TestCli::run(const QStringList &arguments, const QString &standardOutput) const
{
    QProcess process;
    if (!standardOutput.isEmpty())
        process.setStandardOutputFile(standardOutput);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), m_folder->dataHome());
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(KAVRILINK_CLI), arguments);
    process.waitForFinished(60000);
    Run result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

Run TestCli::runWithRadios(const QStringList &arguments, const QString &standardOutput) const
{
    QProcess process;
    if (!standardOutput.isEmpty())
        process.setStandardOutputFile(standardOutput);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), m_folder->dataHome());
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(KAVRILINK_CLI), arguments);
    // The event loop runs while waiting, so the radios' logs keep flowing.
    Run result;
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 60000))
        return result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

Run TestCli::runWithEnvironment(const QStringList &arguments, const QMap<QString, QString> &changes,
                                const QString &workingDirectory) const
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), m_folder->dataHome());
    for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
        if (it.value().isEmpty())
            env.remove(it.key());
        else
            env.insert(it.key(), it.value());
    }
    process.setProcessEnvironment(env);
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.start(QStringLiteral(KAVRILINK_CLI), arguments);
    Run result;
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 60000))
        return result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

QString TestCli::writePlan(const QString &name, const QByteArray &hexImage) const
{
    QByteArray bytes = QByteArray::fromHex(hexImage);
    bytes.resize(36, '\0');
    const QString path = QDir(m_folder->dataHome()).filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(kav::formatFrequencyFile(kav::RadioImage::fromLinear(bytes)));
    return path;
}

void TestCli::showPrintsFourDecimalPlan()
{
    // CH1 RX 40.0125, CH1 TX 40.5000, CH3 TX 42.3000
    const QString plan = writePlan(QStringLiteral("plan.sav"), "040000010205040005000000"
                                                               "000000000000000000000000"
                                                               "000000000000040203000000");
    const Run r = run({QStringLiteral("show"), plan});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QStringLiteral("CH1  RX 40.0125    TX 40.5000\n"
                                   "CH2  RX            TX\n"
                                   "CH3  RX            TX 42.3000\n"));
}

void TestCli::showJsonGivesTextsAndImage()
{
    const QString plan = writePlan(QStringLiteral("plan.sav"), "040000010205040005000000");
    const Run r = run({QStringLiteral("show"), plan, QStringLiteral("--json")});
    QCOMPARE(r.exitCode, 0);
    const QJsonObject object = QJsonDocument::fromJson(r.out.toUtf8()).object();
    const QJsonArray channels = object.value(QStringLiteral("channels")).toArray();
    QCOMPARE(channels.size(), 3);
    QCOMPARE(channels.at(0)[QStringLiteral("rx")].toString(), QStringLiteral("40.0125"));
    QCOMPARE(channels.at(0)[QStringLiteral("tx")].toString(), QStringLiteral("40.5000"));
    QVERIFY(channels.at(1)[QStringLiteral("rx")].isNull());
    QCOMPARE(object.value(QStringLiteral("image")).toString(),
             QStringLiteral("040000010205040005000000") + QString(48, QLatin1Char('0')));
    QCOMPARE(object.value(QStringLiteral("file")).toString(), plan);
}

void TestCli::refusedFilesExitWithFileRefused_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("LF line ends") << QByteArray(" 4 \n").repeated(36);
    QTest::newRow("35 lines") << QByteArray(" 4 \r\n").repeated(35);
    QTest::newRow("256") << QByteArray(" 256 \r\n") + QByteArray(" 0 \r\n").repeated(35);
    QTest::newRow("empty") << QByteArray();
}

void TestCli::refusedFilesExitWithFileRefused()
{
    QFETCH(QByteArray, content);
    const QString path = QDir(m_folder->dataHome()).filePath(QStringLiteral("bad.sav"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    for (const char *command : {"show", "report"}) {
        const Run r = run({QString::fromLatin1(command), path});
        QCOMPARE(r.exitCode, 3);
        QVERIFY2(r.err.contains(QStringLiteral("This is not Saved File")), qPrintable(r.err));
        QCOMPARE(r.out, QString());
    }
    QCOMPARE(run({QStringLiteral("show"), path + QStringLiteral(".missing")}).exitCode, 3);
}

void TestCli::reportPrintsTheTwentyLines()
{
    const QString plan = writePlan(QStringLiteral("plan.sav"), "040000010205040005000000");
    const Run r = run({QStringLiteral("report"), plan});
    QCOMPARE(r.exitCode, 0);
    const QStringList lines = r.out.split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 21); // 20 lines and the final newline
    QCOMPARE(lines.at(6), QString(66, QLatin1Char(' ')) + QStringLiteral("FREQUENCY DATA"));
    QVERIFY(lines.at(10).startsWith(QStringLiteral("           FILE NAME : ") + plan + QLatin1Char(' ')));
    QCOMPARE(lines.at(14), QStringLiteral("             CH1              40.0125              40.5000"));
}

void TestCli::reportWritesOnePdfPage()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("needs pdftotext (poppler-utils, installed by scripts/test)");
    const QString plan = writePlan(QStringLiteral("plan.sav"), "040000010205040005000000");
    const QString pdf = QDir(m_folder->dataHome()).filePath(QStringLiteral("report.pdf"));
    const Run r = run({QStringLiteral("report"), plan, QStringLiteral("--pdf"), pdf});
    QCOMPARE(r.exitCode, 0);

    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QVERIFY(text.waitForFinished());
    const QString extracted = QString::fromUtf8(text.readAllStandardOutput());
    QCOMPARE(extracted.count(QLatin1Char('\f')), 1); // one page
    const qsizetype title = extracted.indexOf(QStringLiteral("FREQUENCY DATA"));
    const qsizetype file = extracted.indexOf(QStringLiteral("FILE NAME : ") + plan);
    const qsizetype ch1 = extracted.indexOf(QStringLiteral("CH1"));
    const qsizetype ch3 = extracted.indexOf(QStringLiteral("CH3"));
    QVERIFY(title >= 0 && title < file && file < ch1 && ch1 < ch3);
    QVERIFY(extracted.contains(QStringLiteral("40.0125")));

    const Run unwritable = run({QStringLiteral("report"), plan, QStringLiteral("--pdf"),
                                QDir(m_folder->dataHome()).filePath(QStringLiteral("no/such/dir/r.pdf"))});
    QCOMPARE(unwritable.exitCode, 3);
    QVERIFY(unwritable.err.contains(QStringLiteral("Could not print the frequency report")));
}

void TestCli::usageErrorsExitWithTwo_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("nothing") << QStringList();
    QTest::newRow("unknown command") << QStringList{QStringLiteral("program")};
    QTest::newRow("show without file") << QStringList{QStringLiteral("show")};
    QTest::newRow("show with two files") << QStringList{QStringLiteral("show"), QStringLiteral("a"),
                                                        QStringLiteral("b")};
    QTest::newRow("unknown option") << QStringList{QStringLiteral("show"), QStringLiteral("a.sav"),
                                                   QStringLiteral("--colour")};
    QTest::newRow("pdf without name") << QStringList{QStringLiteral("report"), QStringLiteral("a.sav"),
                                                     QStringLiteral("--pdf")};
    // An unset shell variable must not mean COM1: refused before any port is opened.
    QTest::newRow("empty device") << QStringList{QStringLiteral("read"), QStringLiteral("--device"), QString()};
    QTest::newRow("blank device") << QStringList{QStringLiteral("write"), QStringLiteral("a.sav"),
                                                 QStringLiteral("--device"), QStringLiteral(" ")};
    QTest::newRow("COM0") << QStringList{QStringLiteral("read"), QStringLiteral("--com"), QStringLiteral("0")};
    QTest::newRow("COM256") << QStringList{QStringLiteral("read"), QStringLiteral("--com"), QStringLiteral("256")};
    QTest::newRow("device and com") << QStringList{QStringLiteral("read"), QStringLiteral("--device"),
                                                   QStringLiteral("/dev/ttyUSB0"), QStringLiteral("--com"),
                                                   QStringLiteral("1")};
    QTest::newRow("export without file") << QStringList{QStringLiteral("export"), QStringLiteral("-o"),
                                                        QStringLiteral("a.csv")};
    QTest::newRow("import without -o") << QStringList{QStringLiteral("import"), QStringLiteral("a.csv")};
    QTest::newRow("backup-dir and no-backup") << QStringList{QStringLiteral("write"),
                                                             QStringLiteral("a.sav"),
                                                             QStringLiteral("--device"),
                                                             QStringLiteral("/dev/ttyUSB0"),
                                                             QStringLiteral("--no-backup"),
                                                             QStringLiteral("--backup-dir"),
                                                             QStringLiteral("b")};
    QTest::newRow("blank backup-dir") << QStringList{QStringLiteral("write"),        QStringLiteral("a.sav"),
                                                     QStringLiteral("--device"),     QStringLiteral("/dev/ttyUSB0"),
                                                     QStringLiteral("--backup-dir"), QStringLiteral(" ")};
}

void TestCli::usageErrorsExitWithTwo()
{
    QFETCH(QStringList, arguments);
    const Run r = run(arguments);
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.err.contains(QStringLiteral("--help")));
    QCOMPARE(r.out, QString());
}

void TestCli::helpListsCommandsAndExitCodes()
{
    const Run r = run({QStringLiteral("--help")});
    QCOMPARE(r.exitCode, 0);
    for (const char *word : {"show", "read", "write", "report", "ports", "export", "import", "--verify", "--device",
                             "--com", "--backup-dir", "--no-backup", "--trace"})
        QVERIFY2(r.out.contains(QString::fromLatin1(word)), word);
    for (int code : {0, 2, 3, 4, 5, 6, 7, 8, 9})
        QVERIFY2(r.out.contains(QStringLiteral("\n  %1  ").arg(code)), qPrintable(QString::number(code)));
}

void TestCli::portsListsWithoutFailing()
{
    const Run r = run({QStringLiteral("ports"), QStringLiteral("--json")});
    QCOMPARE(r.exitCode, 0);
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(r.out.toUtf8(), &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    QVERIFY(doc.isArray());
    for (const QJsonValue &port : doc.array()) {
        QVERIFY(port.toObject().value(QStringLiteral("device")).toString().startsWith(QLatin1Char('/')));
        const QJsonValue byId = port.toObject().value(QStringLiteral("byId"));
        QVERIFY(byId.isNull() || byId.toString().startsWith(QStringLiteral("/dev/serial/by-id/")));
    }
}

void TestCli::exportAndImportKeepThePlanAndRefuseWhole()
{
    const QDir dir(m_folder->dataHome());
    const QString plan = writePlan(QStringLiteral("plan.sav"), "040000010205040005000000"
                                                               "000000000000000000000000"
                                                               "040203000000040203000000");
    const Run shown = run({QStringLiteral("export"), plan});
    QCOMPARE(shown.exitCode, 0);
    QVERIFY2(shown.out.startsWith(QStringLiteral("Location,Name,Frequency,Duplex,Offset,")), qPrintable(shown.out));
    QVERIFY(shown.out.endsWith(QStringLiteral("\r\n3,CH3,42.300000,,0.000000,,88.5,88.5,023,NN,FM,12.50,,,,,,\r\n")));

    const QString csv = dir.filePath(QStringLiteral("plan.csv"));
    QCOMPARE(run({QStringLiteral("export"), plan, QStringLiteral("-o"), csv}).exitCode, 0);
    QFile written(csv);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), shown.out.toLatin1());

    const QString copy = dir.filePath(QStringLiteral("copy.sav"));
    QCOMPARE(run({QStringLiteral("import"), csv, QStringLiteral("-o"), copy}).exitCode, 0);
    QFile original(plan);
    QFile imported(copy);
    QVERIFY(original.open(QIODevice::ReadOnly) && imported.open(QIODevice::ReadOnly));
    QCOMPARE(imported.readAll(), original.readAll());

    // A refused value names its place and leaves the target as it was.
    QFile bad(dir.filePath(QStringLiteral("bad.csv")));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("Location,Frequency\r\n1,40.0125\r\n2,44.0\r\n");
    bad.close();
    const Run refused = run({QStringLiteral("import"), bad.fileName(), QStringLiteral("-o"), copy});
    QCOMPARE(refused.exitCode, 3);
    QVERIFY2(refused.err.contains(QStringLiteral("row 3, column Frequency: '44.0'")), qPrintable(refused.err));
    QVERIFY(imported.seek(0));
    QVERIFY(original.seek(0));
    QCOMPARE(imported.readAll(), original.readAll());

    // A FIFO is refused at once rather than waited on; nothing is created.
    const QString fifo = dir.filePath(QStringLiteral("fifo.csv"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString none = dir.filePath(QStringLiteral("none.sav"));
    QCOMPARE(run({QStringLiteral("import"), fifo, QStringLiteral("-o"), none}).exitCode, 3);
    QVERIFY(!QFile::exists(none));

    // CH2 has only a TX frequency, which no CSV row can hold.
    const QString txOnly = writePlan(QStringLiteral("txonly.sav"), "040000010205040005000000"
                                                                   "000000000000040203000000");
    const Run noRow =
        run({QStringLiteral("export"), txOnly, QStringLiteral("-o"), dir.filePath(QStringLiteral("t.csv"))});
    QCOMPARE(noRow.exitCode, 3);
    QVERIFY2(noRow.err.contains(QStringLiteral("CH2 has a TX frequency but no RX frequency")), qPrintable(noRow.err));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("t.csv"))));
}

static const char kPlanHex[] = "040000010205040005000000"
                               "000000000000000000000000"
                               "000000000000040203000000";

void TestCli::importRefusalsNameRowAndColumn_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QString>("message"); // after "Cannot import <file>: "
    const QByteArray head = "Location,Frequency,Duplex,Offset\r\n";
    QTest::newRow("out of the band") << head + "1,40.0125,,\r\n2,44.0,,\r\n"
                                     << "row 3, column Frequency: '44.0' is not a frequency in 38.0000-42.3000 MHz "
                                        "on the 12.5 kHz raster";
    // A sign would turn the shift round: 40.6 for "-" and 39.5 for "+".
    const QString signedOffset = QStringLiteral(" has a sign; the offset is the size of the shift, Duplex gives its "
                                                "direction");
    QTest::newRow("minus shift, negative offset") << head + "2,40.0,-,-0.6\r\n"
                                                  << "row 2, column Offset: '-0.6'" + signedOffset;
    QTest::newRow("plus shift, negative offset") << head + "1,40.0125,,\r\n2,40.0,+,-0.5\r\n"
                                                 << "row 3, column Offset: '-0.5'" + signedOffset;
    QTest::newRow("plus shift, offset with plus") << head + "1,40.0,+, +0.5\r\n"
                                                  << "row 2, column Offset: ' +0.5'" + signedOffset;
    QTest::newRow("repeated header, other case") << QByteArray("Location,Frequency,Offset,frequency\r\n1,40.0,,41\r\n")
                                                 << "row 1, column Frequency: the header names this column twice "
                                                    "(fields 2 and 4)";
    // A hostile field that would set the terminal's title and clear it.
    QTest::newRow("control characters") << head + "1,\x1B]0;owned\x07\x1B[2J40.0,,\r\n"
                                        << "row 2, column Frequency: '\\x1B]0;owned\\x07\\x1B[2J40.0' is not a "
                                           "frequency in 38.0000-42.3000 MHz on the 12.5 kHz raster";
    QTest::newRow("bidirectional override in the duplex") << head + "1,40.0,\xE2\x80\xAEtilps,40.5\r\n"
                                                          << "row 2, column Duplex: '\\u202Etilps' is not one of: "
                                                             "empty, +, -, split, off";
}

void TestCli::importRefusalsNameRowAndColumn()
{
    QFETCH(QByteArray, csv);
    QFETCH(QString, message);
    const QDir dir(m_folder->dataHome());
    const QString path = dir.filePath(QStringLiteral("plan.csv"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(csv);
    file.close();
    const QString target = dir.filePath(QStringLiteral("plan.sav"));
    const Run r = run({QStringLiteral("import"), path, QStringLiteral("-o"), target});
    QCOMPARE(r.exitCode, 3);
    QCOMPARE(r.err, QStringLiteral("Cannot import %1: %2\n").arg(path, message));
    QVERIFY(!QFileInfo::exists(target));
}

void TestCli::resultsThatCannotReachStandardOutputExitThree_data()
{
    QTest::addColumn<QStringList>("arguments"); // "@plan" is a plan file, "@radio" a simulated radio's device
    const QString plan = QStringLiteral("@plan");
    const QString radio = QStringLiteral("@radio");
    QTest::newRow("help") << QStringList{QStringLiteral("--help")};
    QTest::newRow("show") << QStringList{QStringLiteral("show"), plan};
    QTest::newRow("show --json") << QStringList{QStringLiteral("show"), plan, QStringLiteral("--json")};
    QTest::newRow("report") << QStringList{QStringLiteral("report"), plan};
    QTest::newRow("export") << QStringList{QStringLiteral("export"), plan};
    QTest::newRow("read") << QStringList{QStringLiteral("read"), QStringLiteral("--device"), radio};
    QTest::newRow("read --json") << QStringList{QStringLiteral("read"), QStringLiteral("--device"), radio,
                                                QStringLiteral("--json")};
    QTest::newRow("write's result line") << QStringList{QStringLiteral("write"), plan, QStringLiteral("--no-backup"),
                                                        QStringLiteral("--device"), radio};
}

void TestCli::resultsThatCannotReachStandardOutputExitThree()
{
    QFETCH(QStringList, arguments);
    if (!QFileInfo(QStringLiteral("/dev/full")).isWritable())
        QSKIP("needs /dev/full");
    std::unique_ptr<SimRadio> radio;
    if (arguments.contains(QStringLiteral("@radio"))) {
        radio = std::make_unique<SimRadio>(QStringList{QStringLiteral("--image"), QString::fromLatin1(kPlanHex)});
        QVERIFY(radio->waitForDevice());
        arguments.replaceInStrings(QStringLiteral("@radio"), radio->device());
    }
    // A plan every command takes, export too (which needs an RX beside every TX).
    arguments.replaceInStrings(QStringLiteral("@plan"),
                               writePlan(QStringLiteral("plan.sav"), "040000010205040005000000"
                                                                     "000000000000000000000000"
                                                                     "040203000000040203000000"));
    const Run r = runWithRadios(arguments, QStringLiteral("/dev/full"));
    QCOMPARE(r.exitCode, 3);
    QVERIFY2(r.err.contains(QStringLiteral("standard output (No space left on device)")), qPrintable(r.err));
}

void TestCli::outputsThatAreAnInputAreRefused_data()
{
    // In the test's folder: p.sav a plan, p.csv its CSV, link.sav a symlink to
    // p.sav, hard.sav a hard link to it; the device does not exist, so a run
    // that got as far as opening it would exit 4.
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("problem");
    const QString device = QStringLiteral("/dev/kavrilink-no-such-device");
    QTest::newRow("write --trace onto the plan")
        << QStringList{"write", "p.sav", "--device", device, "--trace", "p.sav"}
        << "--trace p.sav is the same file as the plan p.sav";
    QTest::newRow("write --trace onto a symlink to the plan")
        << QStringList{"write", "p.sav", "--device", device, "--trace", "link.sav"}
        << "--trace link.sav is the same file as the plan p.sav";
    QTest::newRow("read: -o and --trace one file by a hard link")
        << QStringList{"read", "--device", device, "-o", "p.sav", "--trace", "hard.sav"}
        << "--trace hard.sav is the same file as -o p.sav";
    QTest::newRow("export -o onto the plan")
        << QStringList{"export", "p.sav", "-o", "p.sav"} << "-o p.sav is the same file as the plan p.sav";
    QTest::newRow("export -o onto a hard link to the plan")
        << QStringList{"export", "p.sav", "-o", "hard.sav"} << "-o hard.sav is the same file as the plan p.sav";
    QTest::newRow("import -o onto the CSV")
        << QStringList{"import", "p.csv", "-o", "./p.csv"} << "-o ./p.csv is the same file as the CSV p.csv";
    QTest::newRow("report --pdf onto the plan")
        << QStringList{"report", "link.sav", "--pdf", "p.sav"} << "--pdf p.sav is the same file as the plan link.sav";
}

void TestCli::outputsThatAreAnInputAreRefused()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, problem);
    const QDir dir(m_folder->dataHome());
    const QString plan = writePlan(QStringLiteral("p.sav"), kPlanHex);
    QFile csv(dir.filePath(QStringLiteral("p.csv")));
    QVERIFY(csv.open(QIODevice::WriteOnly) && csv.write("Location,Frequency\r\n1,40.0125\r\n") > 0);
    csv.close();
    QVERIFY(QFile::link(plan, dir.filePath(QStringLiteral("link.sav"))));
    QCOMPARE(::link(QFile::encodeName(plan).constData(),
                    QFile::encodeName(dir.filePath(QStringLiteral("hard.sav"))).constData()),
             0);
    const QByteArray planBytes = kav::formatFrequencyFile(kav::RadioImage::fromLinear(QByteArray::fromHex(kPlanHex)));

    QProcess process; // in the test's folder, so the names are relative as typed
    process.setWorkingDirectory(dir.path());
    process.start(QStringLiteral(KAVRILINK_CLI), arguments);
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 2);
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());
    QVERIFY2(err.startsWith(QStringLiteral("kavrilink-cli: ") + problem + QStringLiteral(", which it would replace")),
             qPrintable(err));
    QFile file(plan);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), planBytes);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    QCOMPARE(csv.readAll(), QByteArray("Location,Frequency\r\n1,40.0125\r\n"));
    QCOMPARE(dir.entryList(QDir::Files | QDir::System).size(), 4); // nothing new
}

void TestCli::readPrintsAndSavesThePlan()
{
    SimRadio radio({QStringLiteral("--image"), QString::fromLatin1(kPlanHex)});
    QVERIFY(radio.waitForDevice());
    const QString saved = QDir(m_folder->dataHome()).filePath(QStringLiteral("read.sav"));
    const Run r = runWithRadios(
        {QStringLiteral("read"), QStringLiteral("--device"), radio.device(), QStringLiteral("-o"), saved});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QStringLiteral("CH1  RX 40.0125    TX 40.5000\n"
                                   "CH2  RX            TX\n"
                                   "CH3  RX            TX 42.3000\n"));
    QVERIFY(r.err.contains(QStringLiteral("Saved to ") + saved));
    QFile file(saved);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray expected = QByteArray::fromHex(kPlanHex);
    QCOMPARE(file.readAll(), kav::formatFrequencyFile(kav::RadioImage::fromLinear(expected)));
    QVERIFY(radio.firstSeen(QStringLiteral("program -> 77")) >= 0); // the block was acknowledged
}

void TestCli::writeProgramsTheRadio()
{
    SimRadio radio({});
    QVERIFY(radio.waitForDevice());
    const QString plan = writePlan(QStringLiteral("plan.sav"), kPlanHex);
    const Run r = runWithRadios({QStringLiteral("write"), plan, QStringLiteral("--device"), radio.device()});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, radio.device() + QStringLiteral(": written\n"));
    QTRY_VERIFY(radio.firstSeen(QStringLiteral("radio   -> 77")) >= 0);

    // What the radio stored comes back from it.
    const Run back =
        runWithRadios({QStringLiteral("read"), QStringLiteral("--device"), radio.device(), QStringLiteral("--json")});
    QCOMPARE(back.exitCode, 0);
    QCOMPARE(QJsonDocument::fromJson(back.out.toUtf8()).object().value(QStringLiteral("image")).toString(),
             QString::fromLatin1(kPlanHex));
}

void TestCli::writesSeveralRadiosAtOnce()
{
    std::vector<std::unique_ptr<SimRadio>> radios;
    QStringList arguments{QStringLiteral("write"), writePlan(QStringLiteral("plan.sav"), kPlanHex)};
    for (int i = 0; i < 3; ++i) {
        radios.push_back(std::make_unique<SimRadio>(QStringList{QStringLiteral("--turnaround"), QStringLiteral("50")}));
        QVERIFY(radios.back()->waitForDevice());
        arguments << QStringLiteral("--device") << radios.back()->device();
    }
    const Run r = runWithRadios(arguments);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out.count(QStringLiteral(": written\n")), 3);
    for (const auto &radio : radios)
        QVERIFY(r.out.contains(radio->device() + QStringLiteral(": written")));

    // In parallel, not one after the other: every radio had its write command
    // before any of them had its whole block.
    QTRY_VERIFY(std::all_of(radios.begin(), radios.end(),
                            [](const auto &radio) { return radio->firstSeen(QStringLiteral("radio   -> 77")) >= 0; }));
    int lastCommand = -1;
    int firstVerdict = INT_MAX;
    for (const auto &radio : radios) {
        lastCommand = std::max(lastCommand, radio->firstSeen(QStringLiteral("program -> F0")));
        firstVerdict = std::min(firstVerdict, radio->firstSeen(QStringLiteral("radio   -> 77")));
    }
    QVERIFY2(lastCommand >= 0 && lastCommand < firstVerdict,
             qPrintable(radios.front()->lines().join(QLatin1Char('\n'))));
}

void TestCli::verifyCatchesARadioThatStoredOtherwise()
{
    SimRadio good({});
    SimRadio bad({QStringLiteral("--fault"), QStringLiteral("stores-wrongly")});
    QVERIFY(good.waitForDevice());
    QVERIFY(bad.waitForDevice());
    const QString plan = writePlan(QStringLiteral("plan.sav"), kPlanHex);
    const Run r =
        runWithRadios({QStringLiteral("write"), plan, QStringLiteral("--verify"), QStringLiteral("--no-backup"),
                       QStringLiteral("--device"), good.device(), QStringLiteral("--device"), bad.device()});
    // On failure, what the program said: a radio that did not answer in time, or something else.
    QVERIFY2(r.exitCode == 8, qPrintable(QStringLiteral("exit %1\n%2%3").arg(r.exitCode).arg(r.out, r.err)));
    QVERIFY(r.out.contains(good.device() + QStringLiteral(": written and verified")));
    QVERIFY(r.out.contains(bad.device() + QStringLiteral(": failed: Verify Error")));
    // That radio adds one to the last digit it stores: CH3 TX, 42.3000 written.
    QVERIFY2(r.err.contains(bad.device() + QStringLiteral(": Verify Error\n"
                                                          "  CH3 TX: written 42.3000, the radio holds 42.3001\n")),
             qPrintable(r.err));
    QCOMPARE(r.err.count(QStringLiteral("the radio holds")), 1);
    QVERIFY(good.firstSeen(QStringLiteral("program -> E0")) > good.firstSeen(QStringLiteral("radio   -> 77")));
}

// What the radios hold before the write: CH1 39.2500 / 39.7500.
static const char kOldPlanHex[] = "030902050000030907050000"
                                  "000000000000000000000000"
                                  "000000000000000000000000";
// F0, then kPlanHex with its checksum (the sum of its bytes, 0x1E).
static QString writeBytes()
{
    return QStringLiteral("F0") + QString::fromLatin1(kPlanHex).toUpper() + QStringLiteral("1E");
}

void TestCli::writeBacksUpEachRadioFirst_data()
{
    QTest::addColumn<QStringList>("options"); // "@" stands for the test's folder
    QTest::addColumn<QString>("backups");     // where the backups go, below the test's folder; empty for none
    QTest::addColumn<QString>("secondFault"); // of the second radio
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("firstBytes");    // what the program sent the first radio
    QTest::addColumn<QString>("secondFailure"); // its result line after "failed: ", empty when written
    QTest::addColumn<QString>("because");       // the reason given for it on standard error

    const QString readAndAck = QStringLiteral("E077");
    QTest::newRow("into the application folder") << QStringList() << "Kavrilink/backups"
                                                 << "none" << 0 << readAndAck + writeBytes() << QString() << QString();
    QTest::newRow("--backup-dir, created")
        << QStringList{QStringLiteral("--backup-dir"), QStringLiteral("@/kept/here")} << "kept/here"
        << "none" << 0 << readAndAck + writeBytes() << QString() << QString();
    QTest::newRow("--no-backup: only the write") << QStringList{QStringLiteral("--no-backup")} << ""
                                                 << "none" << 0 << writeBytes() << QString() << QString();
    QTest::newRow("one backup read fails, the other radio goes on")
        << QStringList() << "Kavrilink/backups"
        << "bad-checksum" << 9 << readAndAck + writeBytes() << "Backup failed, nothing written: Communication Error"
        << QString();
    // A file where the folder should be: read, not kept, so not written.
    QTest::newRow("backup cannot be kept")
        << QStringList{QStringLiteral("--backup-dir"), QStringLiteral("@/plan.sav")} << ""
        << "none" << 9 << readAndAck << "Backup failed, nothing written: the radio's plan could not be kept"
        << "the folder cannot be created: @/plan.sav is a file, not a folder";
    QTest::newRow("backup folder's name too long")
        << QStringList{QStringLiteral("--backup-dir"), QStringLiteral("@/") + QString(300, QLatin1Char('b'))} << ""
        << "none" << 9 << readAndAck << "Backup failed, nothing written: the radio's plan could not be kept"
        << "the folder cannot be created: File name too long";
}

void TestCli::writeBacksUpEachRadioFirst()
{
    QFETCH(QStringList, options);
    QFETCH(QString, backups);
    QFETCH(QString, secondFault);
    QFETCH(int, exitCode);
    QFETCH(QString, firstBytes);
    QFETCH(QString, secondFailure);
    QFETCH(QString, because);

    SimRadio first({QStringLiteral("--image"), QString::fromLatin1(kOldPlanHex)});
    SimRadio second(
        {QStringLiteral("--image"), QString::fromLatin1(kOldPlanHex), QStringLiteral("--fault"), secondFault});
    QVERIFY(first.waitForDevice());
    QVERIFY(second.waitForDevice());
    const QString plan = writePlan(QStringLiteral("plan.sav"), kPlanHex);
    options.replaceInStrings(QStringLiteral("@"), m_folder->dataHome());
    const Run r = runWithRadios(
        QStringList{QStringLiteral("write"), plan} + options +
        QStringList{QStringLiteral("--device"), first.device(), QStringLiteral("--device"), second.device()});
    QCOMPARE(r.exitCode, exitCode);
    QTRY_COMPARE(first.programBytes(), firstBytes); // the backup's read done before the F0
    if (secondFailure.isEmpty()) {
        QTRY_COMPARE(second.programBytes(), firstBytes);
    } else {
        QVERIFY2(r.out.contains(second.device() + QStringLiteral(": failed: ") + secondFailure), qPrintable(r.out));
        QVERIFY2(r.err.contains(second.device() + QStringLiteral(": ") + secondFailure), qPrintable(r.err));
        QCOMPARE(second.firstSeen(QStringLiteral("program -> F0")), -1);
    }
    because.replace(QStringLiteral("@"), m_folder->dataHome());
    QVERIFY2(r.err.contains(because), qPrintable(r.err));

    const QDir folder(QDir(m_folder->dataHome()).filePath(backups));
    if (backups.isEmpty()) {
        QVERIFY(!QFileInfo::exists(QDir(m_folder->dataHome()).filePath(QStringLiteral("Kavrilink/backups"))));
        return;
    }
    // One backup per radio read, named after its device, holding what the radio held.
    QStringList expected{kav::backupDeviceName(first.device())};
    if (secondFailure.isEmpty())
        expected.append(kav::backupDeviceName(second.device()));
    const QStringList files = folder.entryList(QDir::Files, QDir::Name);
    QCOMPARE(files.size(), expected.size());
    const QByteArray oldPlan = kav::formatFrequencyFile(kav::RadioImage::fromLinear(QByteArray::fromHex(kOldPlanHex)));
    for (const QString &name : files) {
        QVERIFY2(expected.contains(name.section(QLatin1Char('-'), 0, -3)) && kav::backupTime(name).isValid(),
                 qPrintable(name));
        QVERIFY2(r.err.contains(QStringLiteral(": Backed up to ") + folder.filePath(name)), qPrintable(r.err));
        QFile file(folder.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), oldPlan);
    }
}

void TestCli::writeKeepsToOneDeviceWhenTheMapChanges()
{
    SimRadio first({QStringLiteral("--image"), QString::fromLatin1(kOldPlanHex)});
    SimRadio second({QStringLiteral("--image"), QString::fromLatin1(kOldPlanHex)});
    QVERIFY(first.waitForDevice());
    QVERIFY(second.waitForDevice());
    const QString appFolder = QDir(m_folder->dataHome()).filePath(QStringLiteral("Kavrilink"));
    QVERIFY(QDir().mkpath(appFolder));
    const QString map = QDir(appFolder).filePath(QStringLiteral("comport.map"));
    const auto mapTo = [&map](const QString &device) {
        QFile file(map);
        return file.open(QIODevice::WriteOnly) && file.write("COM1=" + QFile::encodeName(device) + '\n') > 0;
    };
    QVERIFY(mapTo(first.device()));
    // COM1 is given another device while the backup is being read (Assign Devices…, an edit).
    bool remapped = false;
    first.onLine = [&](const QString &line) {
        if (!remapped && line.contains(QStringLiteral("program -> E0")))
            remapped = mapTo(second.device());
    };
    const Run r = runWithRadios({QStringLiteral("write"), writePlan(QStringLiteral("plan.sav"), kPlanHex),
                                 QStringLiteral("--com"), QStringLiteral("1"), QStringLiteral("--verify")});
    QVERIFY(remapped);
    QCOMPARE(r.exitCode, 0);
    // Backup, write, read-back and report: the one device COM1 led to when the write began.
    const QString name = QStringLiteral("COM1 (%1)").arg(first.device());
    QCOMPARE(r.out, name + QStringLiteral(": written and verified\n"));
    QTRY_COMPARE(first.programBytes(), QStringLiteral("E077") + writeBytes() + QStringLiteral("E077"));
    const QStringList backups = QDir(QDir(appFolder).filePath(QStringLiteral("backups"))).entryList(QDir::Files);
    QCOMPARE(backups.size(), 1);
    QCOMPARE(backups.constFirst().section(QLatin1Char('-'), 0, -3), kav::backupDeviceName(first.device()));
    // The other radio heard nothing: a read of it is the first thing on its line.
    QCOMPARE(runWithRadios({QStringLiteral("read"), QStringLiteral("--com"), QStringLiteral("1")}).exitCode, 0);
    QTRY_COMPARE(second.programBytes(), QStringLiteral("E077"));
}

void TestCli::writePrunesItsBackupFolderAfterTheRun_data()
{
    QTest::addColumn<QStringList>("options"); // "@" stands for the test's folder
    QTest::addColumn<QString>("folder");      // holding old backups, below the test's folder
    QTest::addColumn<int>("remaining");       // *.sav files in it after the run
    const int old = kav::kBackupsAlwaysKept + 5;
    // The newest kept, the new backup among them; the six oldest (over a year old) gone.
    QTest::newRow("the application folder's") << QStringList() << "Kavrilink/backups" << kav::kBackupsAlwaysKept;
    QTest::newRow("--backup-dir") << QStringList{QStringLiteral("--backup-dir"), QStringLiteral("@/fleet")} << "fleet"
                                  << kav::kBackupsAlwaysKept;
    QTest::newRow("--no-backup: not touched")
        << QStringList{QStringLiteral("--no-backup")} << "Kavrilink/backups" << old;
}

void TestCli::writePrunesItsBackupFolderAfterTheRun()
{
    QFETCH(QStringList, options);
    QFETCH(QString, folder);
    QFETCH(int, remaining);
    const QDir backups(QDir(m_folder->dataHome()).filePath(folder));
    QVERIFY(QDir().mkpath(backups.path()));
    const QDateTime now = QDateTime::currentDateTime();
    for (int i = 0; i < kav::kBackupsAlwaysKept + 5; ++i) {
        QFile file(backups.filePath(kav::backupFileName(QStringLiteral("ttyUSB9"), now.addDays(-400 - i))));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QFile notes(backups.filePath(QStringLiteral("notes.txt"))); // never touched
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.close();

    SimRadio radio({QStringLiteral("--image"), QString::fromLatin1(kOldPlanHex)});
    QVERIFY(radio.waitForDevice());
    options.replaceInStrings(QStringLiteral("@"), m_folder->dataHome());
    const Run r = runWithRadios(QStringList{QStringLiteral("write"), writePlan(QStringLiteral("plan.sav"), kPlanHex)} +
                                options + QStringList{QStringLiteral("--device"), radio.device()});
    QCOMPARE(r.exitCode, 0);
    const QStringList saves = backups.entryList({QStringLiteral("*.sav")}, QDir::Files);
    QCOMPARE(saves.size(), remaining);
    QVERIFY(saves.contains(kav::backupFileName(QStringLiteral("ttyUSB9"), now.addDays(-400))));
    QVERIFY(notes.exists());
}

void TestCli::traceSavesEachDevicesExchanges_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("faults"); // one radio each
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("blocks"); // "<kind> <radio index> = <outcome>", in the file's order

    QTest::newRow("read") << "read" << QStringList{QStringLiteral("none")} << 0 << QStringList{"Read 0 = ok"};
    QTest::newRow("write with backup, two radios, one silent")
        << "write" << QStringList{QStringLiteral("none"), QStringLiteral("silent")} << 9
        << QStringList{"Read 0 = ok", "Write 0 = ok", "Read 1 = Connection Error to Radio"};
    QTest::newRow("write --no-backup --verify") << "write --no-backup --verify" << QStringList{QStringLiteral("none")}
                                                << 0 << QStringList{"Write 0 = ok", "Read 0 = ok"};
    QTest::newRow("read, the trace cannot be written")
        << "read" << QStringList{QStringLiteral("none")} << 3 << QStringList();
}

void TestCli::traceSavesEachDevicesExchanges()
{
    QFETCH(QString, command);
    QFETCH(QStringList, faults);
    QFETCH(int, exitCode);
    QFETCH(QStringList, blocks);

    std::vector<std::unique_ptr<SimRadio>> radios;
    QStringList arguments = command.split(QLatin1Char(' '));
    if (command.startsWith(QLatin1String("write")))
        arguments << writePlan(QStringLiteral("plan.sav"), kPlanHex);
    for (const QString &fault : faults) {
        radios.push_back(std::make_unique<SimRadio>(QStringList{QStringLiteral("--fault"), fault}));
        QVERIFY(radios.back()->waitForDevice());
        arguments << QStringLiteral("--device") << radios.back()->device();
    }
    const QString trace =
        QDir(m_folder->dataHome()).filePath(blocks.isEmpty() ? QStringLiteral("none/t.txt") : QStringLiteral("t.txt"));
    const Run r = runWithRadios(arguments + QStringList{QStringLiteral("--trace"), trace});
    QCOMPARE(r.exitCode, exitCode);
    if (blocks.isEmpty()) {
        QVERIFY2(r.err.contains(QStringLiteral("Could not save the line trace to ") + trace), qPrintable(r.err));
        QVERIFY(r.out.contains(QStringLiteral("CH1  RX"))); // the plan is still shown
        return;
    }

    QFile file(trace);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    QVERIFY(text.endsWith(QLatin1Char('\n')));
    static const QRegularExpression header(
        QStringLiteral("^(Read|Write) (\\S+) started \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}$"));
    static const QRegularExpression byte(QStringLiteral("^\\+ +(\\d+\\.\\d{3}) ms  (->|<-) ([0-9A-F]{2})$"));
    QStringList seen;
    std::vector<QString> sent(radios.size()); // per radio, across its blocks
    for (const QString &block : text.chopped(1).split(QStringLiteral("\n\n"))) {
        const QStringList lines = block.split(QLatin1Char('\n'));
        const QRegularExpressionMatch head = header.match(lines.constFirst());
        QVERIFY2(head.hasMatch(), qPrintable(block));
        const auto radio = std::find_if(radios.begin(), radios.end(),
                                        [&](const auto &sim) { return sim->device() == head.captured(2); });
        QVERIFY2(radio != radios.end(), qPrintable(block));
        const auto index = std::distance(radios.begin(), radio);
        QVERIFY2(lines.constLast().startsWith(QStringLiteral("= ")), qPrintable(block));
        seen.append(QStringLiteral("%1 %2 %3").arg(head.captured(1)).arg(index).arg(lines.constLast()));
        double previous = 0;
        for (const QString &line : lines.mid(1, lines.size() - 2)) {
            const QRegularExpressionMatch entry = byte.match(line);
            QVERIFY2(entry.hasMatch(), qPrintable(line));
            QVERIFY2(entry.captured(1).toDouble() >= previous, qPrintable(block));
            previous = entry.captured(1).toDouble();
            if (entry.captured(2) == QLatin1String("->"))
                sent[size_t(index)] += entry.captured(3);
        }
    }
    QCOMPARE(seen, blocks);
    // Every byte the radio got from the program is in its blocks, in order.
    for (size_t i = 0; i < radios.size(); ++i)
        QTRY_COMPARE(radios[i]->programBytes(), sent[i]);
}

void TestCli::radioFailuresExitWithTheirCodes_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("map"); // comport.map in the application folder, and --com 1; empty: --device

    // The write rows without a backup: the write's own failures.
    QTest::newRow("read, silent") << "read"
                                  << "silent" << 5 << "Connection Error to Radio" << QString();
    QTest::newRow("read, wrong ack") << "read"
                                     << "wrong-ack" << 6 << "Communication Error" << QString();
    QTest::newRow("read, bad checksum") << "read"
                                        << "bad-checksum" << 6 << "Communication Error" << QString();
    QTest::newRow("write, silent") << "write --no-backup"
                                   << "silent" << 5 << "Connection Error to Radio" << QString();
    QTest::newRow("write, block refused") << "write --no-backup"
                                          << "reject-block" << 7 << "Write Error" << QString();
    QTest::newRow("write, no such device") << "write --no-backup"
                                           << "" << 4 << "Please Re-Select available COM PORT" << QString();
    QTest::newRow("read, no such device") << "read"
                                          << "" << 4 << "Please Re-Select available COM PORT" << QString();
    QTest::newRow("write, backup read silent")
        << "write"
        << "silent" << 9 << "Backup failed, nothing written: Connection Error to Radio" << QString();
    // A port that cannot be opened is the same failure with or without a backup.
    QTest::newRow("write with a backup, no such device")
        << "write"
        << "" << 4 << "Please Re-Select available COM PORT" << QString();
    // A map that is there but no map: every COM number refused, nothing sent
    // (the first two name the radio on their first line).
    const QString reselect = QStringLiteral("Please Re-Select available COM PORT");
    QTest::newRow("read, map over 1 MiB") << "read"
                                          << "none" << 4 << reselect << "big";
    QTest::newRow("write, map with a NUL byte") << "write"
                                                << "none" << 4 << reselect << "nul";
    QTest::newRow("write --no-backup, map a folder") << "write --no-backup"
                                                     << "" << 4 << reselect << "folder";
    QTest::newRow("read, map a FIFO") << "read"
                                      << "" << 4 << reselect << "fifo";
    QTest::newRow("read, map a link to /dev/zero") << "read"
                                                   << "" << 4 << reselect << "/dev/zero";
    QTest::newRow("write, map a link to /dev/tty") << "write"
                                                   << "" << 4 << reselect << "/dev/tty";
}

void TestCli::radioFailuresExitWithTheirCodes()
{
    QFETCH(QString, command);
    QFETCH(QString, fault);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QFETCH(QString, map);

    std::unique_ptr<SimRadio> radio;
    QString device = QDir(m_folder->dataHome()).filePath(QStringLiteral("ttyUSB9"));
    if (!fault.isEmpty()) {
        radio = std::make_unique<SimRadio>(QStringList{QStringLiteral("--fault"), fault});
        QVERIFY(radio->waitForDevice());
        device = radio->device();
    }
    QStringList arguments = command.split(QLatin1Char(' '));
    if (command.startsWith(QLatin1String("write")))
        arguments << writePlan(QStringLiteral("plan.sav"), kPlanHex);
    if (map.isEmpty()) {
        arguments << QStringLiteral("--device") << device;
    } else {
        const QString appFolder = QDir(m_folder->dataHome()).filePath(QStringLiteral("Kavrilink"));
        QVERIFY(QDir().mkpath(appFolder));
        const QString path = QDir(appFolder).filePath(QStringLiteral("comport.map"));
        const QByteArray entry = "COM1=" + QFile::encodeName(device) + '\n';
        if (map == QLatin1String("big") || map == QLatin1String("nul")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(entry + (map == QLatin1String("big") ? QByteArray(1024 * 1024, '#') : QByteArray(1, '\0')));
        } else if (map == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(path));
        } else if (map == QLatin1String("fifo")) {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else {
            QVERIFY(QFile::link(map, path));
        }
        arguments << QStringLiteral("--com") << QStringLiteral("1");
        device = QStringLiteral("COM1");
    }
    const Run r = runWithRadios(arguments);
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(r.err.contains(device + QStringLiteral(": ") + message), qPrintable(r.err));
    if (!map.isEmpty()) {
        // The map's path and why, under the message; the radio it names heard nothing.
        QVERIFY2(r.err.contains(QStringLiteral("the device map ")) && r.err.contains(QStringLiteral("comport.map: ")),
                 qPrintable(r.err));
        if (radio) {
            // A read by its device afterwards is the first thing that radio hears.
            QCOMPARE(runWithRadios({QStringLiteral("read"), QStringLiteral("--device"), radio->device()}).exitCode, 0);
            QTRY_COMPARE(radio->programBytes(), QStringLiteral("E077"));
        }
        return;
    }
    // A radio that does not answer: what to check, on the line under the message.
    QCOMPARE(r.err.contains(QStringLiteral("Radio\n  ") + kav::connectionErrorDetail(device) + QLatin1Char('\n')),
             message.endsWith(QLatin1String("Connection Error to Radio")));
    if (command == QLatin1String("read"))
        QCOMPARE(r.out, QString());
    else
        QCOMPARE(r.out, device + QStringLiteral(": failed: ") + message + QLatin1Char('\n'));
}

void TestCli::refusesTargetsThatAreNotFilesBeforeTheRadio()
{
    const QString fifo = QDir(m_folder->dataHome()).filePath(QStringLiteral("plan.sav"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // The device does not exist: a refusal after reading would exit 4.
    const Run read = run({QStringLiteral("read"), QStringLiteral("--device"), fifo + QStringLiteral(".none"),
                          QStringLiteral("-o"), fifo});
    QCOMPARE(read.exitCode, 3);
    QVERIFY2(read.err.contains(QStringLiteral("is a FIFO, not a regular file")), qPrintable(read.err));
    for (const QString &command : {QStringLiteral("read"), QStringLiteral("write")}) {
        QStringList arguments{command, QStringLiteral("--device"), fifo + QStringLiteral(".none"),
                              QStringLiteral("--trace"), fifo};
        if (command == QLatin1String("write"))
            arguments << writePlan(QStringLiteral("w.sav"), kPlanHex);
        const Run traced = run(arguments);
        QCOMPARE(traced.exitCode, 3);
        QVERIFY2(traced.err.contains(QStringLiteral("Could not save the line trace to ") + fifo),
                 qPrintable(traced.err));
    }
    const Run report =
        run({QStringLiteral("report"), writePlan(QStringLiteral("p.sav"), kPlanHex), QStringLiteral("--pdf"), fifo});
    QCOMPARE(report.exitCode, 3);
    QVERIFY2(report.err.contains(QStringLiteral("Could not print the frequency report")), qPrintable(report.err));
    QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
}

void TestCli::interruptedWriteClosesItsPorts_data()
{
    addSignalRows();
}

void TestCli::interruptedWriteClosesItsPorts()
{
    QFETCH(int, signal);
    QFETCH(int, exitCode);
    if (!QFileInfo(QStringLiteral("/run/lock")).isWritable())
        QSKIP("the device locks go to /run/lock, which is not writable here");
    PseudoTerminal radio; // never answers: the write waits for its acknowledge
    QVERIFY(radio.isValid());
    struct stat info
    {
    };
    QCOMPARE(::stat(QFile::encodeName(radio.devicePath()).constData(), &info), 0);
    const QDir locks(QStringLiteral("/run/lock"));
    const QStringList lockNames{
        QStringLiteral("LCK..") + radio.devicePath().mid(5).replace(QLatin1Char('/'), QLatin1Char('_')),
        QStringLiteral("LCK.kavrilink.%1.%2").arg(major(info.st_rdev)).arg(minor(info.st_rdev))};

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), m_folder->dataHome());
    process.setProcessEnvironment(env);
    const QString trace = QDir(m_folder->dataHome()).filePath(QStringLiteral("write.trace"));
    process.start(QStringLiteral(KAVRILINK_CLI),
                  {QStringLiteral("write"), writePlan(QStringLiteral("p.sav"), kPlanHex), QStringLiteral("--no-backup"),
                   QStringLiteral("--trace"), trace, QStringLiteral("--device"), radio.devicePath()});
    QTRY_VERIFY_WITH_TIMEOUT(radio.received().contains('\xF0'), 20000);
    for (const QString &name : lockNames)
        QVERIFY2(locks.exists(name), qPrintable(name)); // held while it runs
    ::kill(pid_t(process.processId()), signal);
    QVERIFY(QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 20000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
    QCOMPARE(QString::fromLocal8Bit(process.readAllStandardOutput()),
             radio.devicePath() + QStringLiteral(": interrupted\n"));
    QVERIFY(QString::fromLocal8Bit(process.readAllStandardError())
                .contains(radio.devicePath() + QStringLiteral(": interrupted")));
    for (const QString &name : lockNames)
        QVERIFY2(!locks.exists(name), qPrintable(name));
    QFile traceFile(trace); // what was on the line until then
    QVERIFY(traceFile.open(QIODevice::ReadOnly));
    const QByteArray traced = traceFile.readAll();
    QVERIFY2(traced.startsWith("Write " + radio.devicePath().toUtf8() + " started "), traced.constData());
    QVERIFY2(traced.contains(" ms  -> F0\n= (interrupted)\n"), traced.constData());
}

void TestCli::diffNamesWhatEachRadioHolds_data()
{
    QTest::addColumn<QStringList>("radios"); // each radio's image in hex, or "silent" for one that never answers
    QTest::addColumn<bool>("json");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("results"); // what is printed for each radio, "@" its device

    const QString plan = QString::fromLatin1(kPlanHex);
    const QString old = QString::fromLatin1(kOldPlanHex);
    const QString changes = QStringLiteral("@: differs\n"
                                           "  CH1 RX: the radio holds 39.2500, the sheet has 40.0125\n"
                                           "  CH1 TX: the radio holds 39.7500, the sheet has 40.5000\n"
                                           "  CH3 TX: the radio holds nothing, the sheet has 42.3000\n");
    QTest::newRow("one radio holds the plan") << QStringList{plan} << false << 0 << QStringList{"@: same\n"};
    QTest::newRow("two radios, one differs")
        << QStringList{plan, old} << false << 1 << QStringList{"@: same\n", changes};
    QTest::newRow("both differ") << QStringList{old, old} << false << 1 << QStringList{changes, changes};
    QTest::newRow("one does not answer, one differs: its code wins")
        << QStringList{old, QStringLiteral("silent")} << false << 5
        << QStringList{changes, "@: failed: Connection Error to Radio\n"};
    QTest::newRow("--json") << QStringList{plan, old, QStringLiteral("silent")} << true << 5 << QStringList();
}

void TestCli::diffNamesWhatEachRadioHolds()
{
    QFETCH(QStringList, radios);
    QFETCH(bool, json);
    QFETCH(int, exitCode);
    QFETCH(QStringList, results);

    std::vector<std::unique_ptr<SimRadio>> sims;
    QStringList arguments{QStringLiteral("diff"), writePlan(QStringLiteral("plan.sav"), kPlanHex)};
    for (const QString &radio : radios) {
        sims.push_back(std::make_unique<SimRadio>(radio == QLatin1String("silent")
                                                      ? QStringList{QStringLiteral("--fault"), radio}
                                                      : QStringList{QStringLiteral("--image"), radio}));
        QVERIFY(sims.back()->waitForDevice());
        arguments << QStringLiteral("--device") << sims.back()->device();
    }
    if (json)
        arguments << QStringLiteral("--json");
    const Run r = runWithRadios(arguments);
    QVERIFY2(r.exitCode == exitCode, qPrintable(QStringLiteral("exit %1\n%2%3").arg(r.exitCode).arg(r.out, r.err)));
    // Nothing but a read reached any radio.
    for (size_t i = 0; i < sims.size(); ++i)
        QTRY_COMPARE(sims[i]->programBytes(), radios[qsizetype(i)] == QLatin1String("silent") ? "E0" : "E077");
    if (!json) {
        // Each radio's lines together, in the order the radios finished.
        QString expected;
        for (size_t i = 0; i < sims.size(); ++i) {
            const QString block = results[qsizetype(i)].replace(QLatin1Char('@'), sims[i]->device());
            QVERIFY2(r.out.contains(block), qPrintable(r.out));
            expected += block;
        }
        QCOMPARE(r.out.size(), expected.size());
        return;
    }
    const QJsonArray array = QJsonDocument::fromJson(r.out.toUtf8()).array();
    QCOMPARE(array.size(), 3);
    for (const QJsonValue &value : array) {
        const QJsonObject object = value.toObject();
        const QString device = object.value(QStringLiteral("device")).toString();
        if (device == sims[0]->device()) {
            QCOMPARE(object.value(QStringLiteral("same")).toBool(false), true);
            QCOMPARE(object.value(QStringLiteral("differences")).toArray().size(), 0);
        } else if (device == sims[1]->device()) {
            QCOMPARE(object.value(QStringLiteral("same")).toBool(true), false);
            const QJsonArray fields = object.value(QStringLiteral("differences")).toArray();
            QCOMPARE(fields.size(), 3);
            QCOMPARE(fields.at(2).toObject(), (QJsonObject{{QStringLiteral("channel"), 3},
                                                           {QStringLiteral("field"), QStringLiteral("tx")},
                                                           {QStringLiteral("radio"), QJsonValue()},
                                                           {QStringLiteral("plan"), QStringLiteral("42.3000")}}));
        } else {
            QCOMPARE(device, sims[2]->device());
            QCOMPARE(object.value(QStringLiteral("failure")).toString(), QStringLiteral("Connection Error to Radio"));
        }
    }
}

void TestCli::namesWithLineBreaksStayOnTheirLine_data()
{
    // "@" stands for the test's folder; "@plan" for a plan file there.
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("line"); // the start of the line, on standard output or error, that quotes the name

    QTest::newRow("plan name, LF") << QStringList{"show", "@/plan\nCOM7: written\n.sav"} << 3
                                   << "This is not Saved File: @/plan\\x0ACOM7: written\\x0A.sav";
    QTest::newRow("plan name, CR LF, write") << QStringList{"write", "@/plan\r\nCOM7: written", "--device", "/dev/null"}
                                             << 3 << "This is not Saved File: @/plan\\x0D\\x0ACOM7: written";
    QTest::newRow("device, LF: the result line")
        << QStringList{"write", "@plan", "--no-backup", "--device", "/dev/kavrilink-none\n/dev/ttyUSB7: written"} << 4
        << "/dev/kavrilink-none\\x0A/dev/ttyUSB7: written: failed: Please Re-Select available COM PORT";
    QTest::newRow("device, CR: its message")
        << QStringList{"read", "--device", "/dev/kavrilink-none\r/dev/ttyUSB7: written"} << 4
        << "/dev/kavrilink-none\\x0D/dev/ttyUSB7: written: Please Re-Select available COM PORT";
    QTest::newRow("diff, device with LF")
        << QStringList{"diff", "@plan", "--device", "/dev/kavrilink-none\n/dev/ttyUSB7: same"} << 4
        << "/dev/kavrilink-none\\x0A/dev/ttyUSB7: same: failed: Please Re-Select available COM PORT";
    QTest::newRow("--trace with LF") << QStringList{"read", "--device", "/dev/kavrilink-none", "--trace", "@/none/t\nx"}
                                     << 4 << "Could not save the line trace to @/none/t\\x0Ax";
    QTest::newRow("a command with LF") << QStringList{"show\nCOM7: written"} << 2
                                       << "kavrilink-cli: unknown command 'show\\x0ACOM7: written'";
}

void TestCli::namesWithLineBreaksStayOnTheirLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, line);

    arguments.replaceInStrings(QStringLiteral("@plan"), writePlan(QStringLiteral("plan.sav"), kPlanHex));
    arguments.replaceInStrings(QStringLiteral("@"), m_folder->dataHome());
    line.replace(QStringLiteral("@"), m_folder->dataHome());
    const Run r = runWithRadios(arguments);
    QVERIFY2(r.exitCode == exitCode, qPrintable(QStringLiteral("exit %1\n%2%3").arg(r.exitCode).arg(r.out, r.err)));
    const QStringList lines = (r.out + r.err).split(QLatin1Char('\n'));
    QVERIFY2(std::any_of(lines.cbegin(), lines.cend(), [&line](const QString &each) { return each.startsWith(line); }),
             qPrintable(r.out + r.err));
    // No line starts where the name's own line break would have started one.
    for (const QString &each : lines) {
        QVERIFY2(!each.contains(QLatin1Char('\r')), qPrintable(each));
        QVERIFY2(!each.startsWith(QLatin1String("COM7")) && !each.startsWith(QLatin1String("/dev/ttyUSB7")) &&
                     !each.startsWith(QLatin1String(".sav")),
                 qPrintable(r.out + r.err));
    }
}

void TestCli::applicationFolderFollowsTheXdgRules_data()
{
    // "@" stands for the test's folder, the working directory of the run.
    QTest::addColumn<QString>("home");        // empty: unset
    QTest::addColumn<QString>("dataHome");    // XDG_DATA_HOME; empty: unset
    QTest::addColumn<QStringList>("options"); // after write PLAN
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("backups"); // where the backup went, below @; empty: none
    QTest::addColumn<QString>("message"); // on standard error

    QTest::newRow("relative XDG_DATA_HOME: ~/.local/share")
        << "@/home"
        << "data" << QStringList{"--device", "@radio"} << 0 << "home/.local/share/Kavrilink/backups"
        << "Backed up to @/home/.local/share/Kavrilink/backups/";
    QTest::newRow("absolute XDG_DATA_HOME")
        << "@/home"
        << "@/xdg" << QStringList{"--device", "@radio"} << 0 << "xdg/Kavrilink/backups"
        << "Backed up to @/xdg/Kavrilink/backups/";
    QTest::newRow("neither set: no backup, nothing written")
        << ""
        << "" << QStringList{"--device", "@radio"} << 9 << ""
        << "Backup failed, nothing written: there is no application folder: HOME is not set";
    QTest::newRow("relative HOME, relative XDG_DATA_HOME")
        << "home"
        << "data" << QStringList{"--device", "@radio"} << 9 << ""
        << "there is no application folder: HOME is not an absolute path (home), and XDG_DATA_HOME is not an "
           "absolute path (data)";
    QTest::newRow("neither set, --com: no map, so no device")
        << ""
        << "" << QStringList{"--com", "1", "--no-backup"} << 4 << ""
        << "COM1: Please Re-Select available COM PORT (there is no application folder: HOME is not set)";
    QTest::newRow("neither set, --no-backup: written, and said to be unrecorded")
        << ""
        << "" << QStringList{"--device", "@radio", "--no-backup"} << 0 << ""
        << ": the plan was written, but it could not be recorded in the history (there is no application folder: "
           "HOME is not set)";
    QTest::newRow("neither set, --backup-dir: written")
        << ""
        << "" << QStringList{"--device", "@radio", "--backup-dir", "@/kept"} << 0 << "kept"
        << "Backed up to @/kept/";
}

void TestCli::applicationFolderFollowsTheXdgRules()
{
    QFETCH(QString, home);
    QFETCH(QString, dataHome);
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(QString, backups);
    QFETCH(QString, message);

    SimRadio radio({QStringLiteral("--image"), QString::fromLatin1(kOldPlanHex)});
    QVERIFY(radio.waitForDevice());
    const QString root = m_folder->dataHome();
    const QString plan = writePlan(QStringLiteral("plan.sav"), kPlanHex);
    options.replaceInStrings(QStringLiteral("@radio"), radio.device());
    options.replaceInStrings(QStringLiteral("@"), root);
    message.replace(QStringLiteral("@"), root);
    home.replace(QStringLiteral("@"), root);
    dataHome.replace(QStringLiteral("@"), root);
    const QStringList before = QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    const Run r =
        runWithEnvironment(QStringList{QStringLiteral("write"), plan} + options,
                           {{QStringLiteral("HOME"), home}, {QStringLiteral("XDG_DATA_HOME"), dataHome}}, root);
    QVERIFY2(r.exitCode == exitCode, qPrintable(QStringLiteral("exit %1\n%2%3").arg(r.exitCode).arg(r.out, r.err)));
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY2(!r.err.contains(QStringLiteral("//")), qPrintable(r.err));
    QStringList made = QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    for (const QString &name : before)
        made.removeOne(name);
    if (backups.isEmpty()) {
        // Nothing made anywhere: not in the working directory, not as the relative names say.
        QCOMPARE(made, QStringList());
        if (exitCode == 9)
            QCOMPARE(radio.programBytes(), QString());
        return;
    }
    QCOMPARE(made, QStringList{backups.section(QLatin1Char('/'), 0, 0)});
    QCOMPARE(QDir(QDir(root).filePath(backups)).entryList(QDir::Files).size(), 1);
}

void TestCli::everyCommandHasItsOwnHelp()
{
    const Run all = run({QStringLiteral("--help")});
    QCOMPARE(all.exitCode, 0);
    static const QRegularExpression entry(QStringLiteral("^  ([a-z]+) "));
    QStringList commands;
    for (const QString &line : all.out.split(QLatin1Char('\n'))) {
        if (const QRegularExpressionMatch match = entry.match(line); match.hasMatch())
            commands.append(match.captured(1));
    }
    QCOMPARE(commands,
             (QStringList{"show", "read", "write", "diff", "report", "ports", "export", "import", "history"}));
    for (const QString &command : std::as_const(commands)) {
        // The same text by either way of asking, starting with the synopsis --help gives.
        const Run own = run({command, QStringLiteral("--help")});
        QCOMPARE(own.exitCode, 0);
        QCOMPARE(run({QStringLiteral("help"), command}).out, own.out);
        QVERIFY2(own.out.startsWith(QStringLiteral("Usage: kavrilink-cli ") + command), qPrintable(own.out));
        QVERIFY2(own.out.contains(QStringLiteral("\nOptions:\n")), qPrintable(own.out));
    }
    QCOMPARE(run({QStringLiteral("help"), QStringLiteral("program")}).exitCode, 2);
}

void TestCli::skipUnchangedWritesOnlyWhatDiffers_data()
{
    QTest::addColumn<QString>("held");        // the radio's image in hex
    QTest::addColumn<QStringList>("options"); // after write PLAN
    QTest::addColumn<QString>("result");      // after "<device>: "
    QTest::addColumn<QString>("bytes");       // what the program sent the radio
    QTest::addColumn<bool>("backedUp");

    const QString plan = QString::fromLatin1(kPlanHex);
    const QString old = QString::fromLatin1(kOldPlanHex);
    QTest::newRow("holds the plan") << plan << QStringList{"--skip-unchanged"} << "unchanged, nothing written"
                                    << "E077" << true;
    QTest::newRow("holds the plan, --no-backup: read all the same")
        << plan << QStringList{"--skip-unchanged", "--no-backup"} << "unchanged, nothing written"
        << "E077" << false;
    QTest::newRow("holds another, --no-backup") << old << QStringList{"--skip-unchanged", "--no-backup"} << "written"
                                                << "E077" + writeBytes() << false;
    QTest::newRow("holds another, backup and verify: one read before")
        << old << QStringList{"--skip-unchanged", "--verify"} << "written and verified"
        << "E077" + writeBytes() + "E077" << true;
}

void TestCli::skipUnchangedWritesOnlyWhatDiffers()
{
    QFETCH(QString, held);
    QFETCH(QStringList, options);
    QFETCH(QString, result);
    QFETCH(QString, bytes);
    QFETCH(bool, backedUp);

    SimRadio radio({QStringLiteral("--image"), held});
    QVERIFY(radio.waitForDevice());
    const Run r = runWithRadios(QStringList{QStringLiteral("write"), writePlan(QStringLiteral("plan.sav"), kPlanHex)} +
                                options + QStringList{QStringLiteral("--device"), radio.device()});
    QVERIFY2(r.exitCode == 0, qPrintable(QStringLiteral("exit %1\n%2%3").arg(r.exitCode).arg(r.out, r.err)));
    QCOMPARE(r.out, radio.device() + QStringLiteral(": ") + result + QLatin1Char('\n'));
    QTRY_COMPARE(radio.programBytes(), bytes);
    QCOMPARE(r.err.contains(QStringLiteral(": Backed up to ")), backedUp);
}

void TestCli::historyRecordsEveryWriteThatSentThePlan_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("options"); // after write PLAN --device RADIO; "@" the test's folder
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("outcome"); // the record's, empty for no record

    QTest::newRow("written") << "none" << QStringList() << 0 << "written";
    QTest::newRow("verified, backups elsewhere")
        << "none" << QStringList{"--verify", "--backup-dir", "@/elsewhere"} << 0 << "verified";
    QTest::newRow("stored wrongly") << "stores-wrongly" << QStringList{"--verify", "--no-backup"} << 8
                                    << "verify mismatch";
    QTest::newRow("block refused") << "reject-block" << QStringList{"--no-backup"} << 7 << "refused";
    QTest::newRow("no answer to the write")
        << "silent" << QStringList{"--no-backup"} << 5 << "Connection Error to Radio";
    QTest::newRow("no answer to the backup's read: nothing sent, no record")
        << "silent" << QStringList() << 9 << QString();
}

void TestCli::historyRecordsEveryWriteThatSentThePlan()
{
    QFETCH(QString, fault);
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(QString, outcome);

    SimRadio radio({QStringLiteral("--image"), QString::fromLatin1(kOldPlanHex), QStringLiteral("--fault"), fault});
    QVERIFY(radio.waitForDevice());
    const QString plan = writePlan(QStringLiteral("plan.sav"), kPlanHex);
    options.replaceInStrings(QStringLiteral("@"), m_folder->dataHome());
    const Run r =
        runWithRadios(QStringList{QStringLiteral("write"), plan, QStringLiteral("--device"), radio.device()} + options);
    QVERIFY2(r.exitCode == exitCode, qPrintable(QStringLiteral("exit %1\n%2%3").arg(r.exitCode).arg(r.out, r.err)));
    const kav::HistoryRead read = kav::ProgrammingHistory(m_folder->filePath(QStringLiteral("history.csv"))).read();
    QCOMPARE(read.error, QString());
    QCOMPARE(read.skippedLines, 0);
    if (outcome.isEmpty()) {
        QCOMPARE(read.records.size(), 0);
        return;
    }
    QCOMPARE(read.records.size(), 1);
    const kav::HistoryRecord &record = read.records.constFirst();
    QVERIFY2(record.outcome.startsWith(outcome), qPrintable(record.outcome));
    QCOMPARE(record.program, QStringLiteral("kavrilink-cli"));
    QCOMPARE(record.device, radio.device());
    QCOMPARE(record.com, 0);
    QCOMPARE(record.planFile, plan);
    QCOMPARE(record.sha256,
             QString::fromLatin1(
                 QCryptographicHash::hash(QByteArray::fromHex(kPlanHex), QCryptographicHash::Sha256).toHex()));
    QCOMPARE(record.written.channels[0].rx, QStringLiteral("40.0125"));
    QCOMPARE(record.before.channels[0].rx,
             options.contains(QStringLiteral("--no-backup")) ? QString() : QStringLiteral("39.2500"));
    QVERIFY(QDateTime::currentDateTime().secsTo(record.time) <= 0);

    // As history prints it, and as JSON.
    const Run shown = run({QStringLiteral("history")});
    QCOMPARE(shown.exitCode, 0);
    QVERIFY2(shown.out.contains(radio.device() + QStringLiteral("  ") + plan + QStringLiteral(": ") + outcome),
             qPrintable(shown.out));
    QVERIFY2(shown.out.contains(QStringLiteral("\n  CH1 40.0125/40.5000  CH2 -/-  CH3 -/42.3000  kavrilink-cli")),
             qPrintable(shown.out));
    const Run json = run({QStringLiteral("history"), QStringLiteral("--json")});
    const QJsonArray records = QJsonDocument::fromJson(json.out.toUtf8()).array();
    QCOMPARE(records.size(), 1);
    QCOMPARE(records.at(0)[QStringLiteral("device")].toString(), radio.device());
    QVERIFY(records.at(0)[QStringLiteral("outcome")].toString().startsWith(outcome));
}

void TestCli::historySelectsByDeviceAndDate_data()
{
    QTest::addColumn<QStringList>("options"); // after history; "@0", "@1" the radios' devices
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("records"); // in the JSON printed

    QTest::newRow("all") << QStringList() << 0 << 2;
    QTest::newRow("one device") << QStringList{"--device", "@1"} << 0 << 1;
    QTest::newRow("a device never written") << QStringList{"--device", "/dev/kavrilink-none"} << 0 << 0;
    QTest::newRow("since a day long past") << QStringList{"--since", "2000-01-01"} << 0 << 2;
    QTest::newRow("since a day to come") << QStringList{"--since", "2999-01-01"} << 0 << 0;
    QTest::newRow("since a time to come") << QStringList{"--since", "2999-01-01T10:00:00"} << 0 << 0;
    QTest::newRow("since no date") << QStringList{"--since", "yesterday"} << 2 << -1;
    QTest::newRow("empty device") << QStringList{"--device", ""} << 2 << -1;
}

void TestCli::historySelectsByDeviceAndDate()
{
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(int, records);

    SimRadio first({});
    SimRadio second({});
    QVERIFY(first.waitForDevice() && second.waitForDevice());
    const Run written = runWithRadios({QStringLiteral("write"), writePlan(QStringLiteral("plan.sav"), kPlanHex),
                                       QStringLiteral("--no-backup"), QStringLiteral("--device"), first.device(),
                                       QStringLiteral("--device"), second.device()});
    QCOMPARE(written.exitCode, 0);
    options.replaceInStrings(QStringLiteral("@0"), first.device());
    options.replaceInStrings(QStringLiteral("@1"), second.device());
    const Run r = run(QStringList{QStringLiteral("history"), QStringLiteral("--json")} + options);
    QVERIFY2(r.exitCode == exitCode, qPrintable(QStringLiteral("exit %1\n%2%3").arg(r.exitCode).arg(r.out, r.err)));
    if (records < 0)
        return;
    const QJsonArray array = QJsonDocument::fromJson(r.out.toUtf8()).array();
    QCOMPARE(array.size(), records);
    if (options.contains(QStringLiteral("--device")) && records == 1)
        QCOMPARE(array.at(0)[QStringLiteral("device")].toString(), second.device());
}

void TestCli::unrecordedWriteIsSaidAndKeepsItsExitCode()
{
    QVERIFY(QDir().mkpath(m_folder->filePath(QStringLiteral("history.csv")))); // a folder where the file goes
    SimRadio radio({});
    QVERIFY(radio.waitForDevice());
    const Run r = runWithRadios({QStringLiteral("write"), writePlan(QStringLiteral("plan.sav"), kPlanHex),
                                 QStringLiteral("--no-backup"), QStringLiteral("--device"), radio.device()});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, radio.device() + QStringLiteral(": written\n"));
    QVERIFY2(r.err.contains(radio.device() +
                            QStringLiteral(": the plan was written, but it could not be recorded in the history")),
             qPrintable(r.err));
}

void TestCli::interruptedFleetSaysWhatEachRadioHolds_data()
{
    addSignalRows();
}

void TestCli::interruptedFleetSaysWhatEachRadioHolds()
{
    QFETCH(int, signal);
    QFETCH(int, exitCode);
    // The test plays both radios: one accepts the plan and then never answers
    // the read-back, the other never answers the write at all.
    PseudoTerminal accepting;
    PseudoTerminal silent;
    QVERIFY(accepting.isValid() && silent.isValid());
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), m_folder->dataHome());
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(KAVRILINK_CLI),
                  {QStringLiteral("write"), writePlan(QStringLiteral("p.sav"), kPlanHex), QStringLiteral("--no-backup"),
                   QStringLiteral("--verify"), QStringLiteral("--device"), accepting.devicePath(),
                   QStringLiteral("--device"), silent.devicePath()});
    QTRY_VERIFY_WITH_TIMEOUT(accepting.received().startsWith('\xF0'), 20000);
    accepting.send(QByteArray(1, '\x0F'));
    QTRY_VERIFY_WITH_TIMEOUT(accepting.received().size() == 1 + 37, 20000);
    accepting.send(QByteArray(1, '\x77'));
    QTRY_VERIFY_WITH_TIMEOUT(accepting.received().endsWith('\xE0'), 20000); // the read-back began
    QTRY_VERIFY_WITH_TIMEOUT(silent.received().startsWith('\xF0'), 20000);
    ::kill(pid_t(process.processId()), signal);
    QVERIFY(QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 20000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
    const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
    QVERIFY2(out.contains(accepting.devicePath() +
                          QStringLiteral(": interrupted after the radio accepted the plan (not verified)\n")),
             qPrintable(out));
    QVERIFY2(out.contains(silent.devicePath() + QStringLiteral(": interrupted\n")), qPrintable(out));
    QCOMPARE(out.count(QLatin1Char('\n')), 2);

    // Recorded so.
    const kav::HistoryRead read = kav::ProgrammingHistory(m_folder->filePath(QStringLiteral("history.csv"))).read();
    QCOMPARE(read.records.size(), 2);
    for (const kav::HistoryRecord &record : read.records) {
        QCOMPARE(record.outcome, record.device == accepting.devicePath()
                                     ? QStringLiteral("interrupted after the radio accepted the plan")
                                     : QStringLiteral("interrupted"));
    }
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
