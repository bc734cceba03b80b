// kavrilink-cli run as a process, as a script or a technician runs it.

#include "radio/frequencyfile.h"
#include "support/pseudoterminal.h"
#include "support/testfolder.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <algorithm>
#include <climits>
#include <csignal>
#include <vector>

#include <sys/stat.h>
#include <sys/sysmacros.h>

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
    QStringList lines() const
    {
        QStringList all;
        for (const auto &entry : m_log)
            all.append(entry.second);
        return all;
    }

private:
    void readLog()
    {
        while (m_process.canReadLine()) {
            const QString line = QString::fromLatin1(m_process.readLine()).trimmed();
            if (m_device.isEmpty())
                m_device = line;
            else
                m_log.append({g_logSequence++, line});
        }
    }

    QProcess m_process;
    QString m_device;
    QList<std::pair<int, QString>> m_log;
};

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
    void readPrintsAndSavesThePlan();
    void writeProgramsTheRadio();
    void writesSeveralRadiosAtOnce();
    void verifyCatchesARadioThatStoredOtherwise();
    void radioFailuresExitWithTheirCodes_data();
    void radioFailuresExitWithTheirCodes();
    void refusesTargetsThatAreNotFilesBeforeTheRadio();
    void interruptedWriteClosesItsPorts_data();
    void interruptedWriteClosesItsPorts();

private:
    Run run(const QStringList &arguments) const;
    // Starts a program run while the event loop keeps reading the radios' logs.
    Run runWithRadios(const QStringList &arguments) const;
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

Run TestCli::run(const QStringList &arguments) const
{
    QProcess process;
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

Run TestCli::runWithRadios(const QStringList &arguments) const
{
    QProcess process;
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

QString TestCli::writePlan(const QString &name, const QByteArray &hexImage) const
{
    QByteArray bytes = QByteArray::fromHex(hexImage);
    bytes.resize(36, '\0');
    const QString path = QDir(m_folder->dataHome()).filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(kav::FormatFrequencyFile(kav::RadioImage::fromLinear(bytes)));
    return path;
}

void TestCli::showPrintsFourDecimalPlan()
{
    // CH1 RX 40.0125, CH1 TX 40.5000, CH3 TX 42.3000
    const QString plan = writePlan(QStringLiteral("plan.sav"),
                                   "040000010205040005000000" "000000000000000000000000" "000000000000040203000000");
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
    for (const char *word :
         {"show", "read", "write", "report", "ports", "export", "import", "--verify", "--device", "--com"})
        QVERIFY2(r.out.contains(QString::fromLatin1(word)), word);
    for (int code : {0, 2, 3, 4, 5, 6, 7, 8})
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

static const char kPlanHex[] = "040000010205040005000000" "000000000000000000000000" "000000000000040203000000";

void TestCli::readPrintsAndSavesThePlan()
{
    SimRadio radio({QStringLiteral("--image"), QString::fromLatin1(kPlanHex)});
    QVERIFY(radio.waitForDevice());
    const QString saved = QDir(m_folder->dataHome()).filePath(QStringLiteral("read.sav"));
    const Run r = runWithRadios({QStringLiteral("read"), QStringLiteral("--device"), radio.device(),
                                 QStringLiteral("-o"), saved});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QStringLiteral("CH1  RX 40.0125    TX 40.5000\n"
                                   "CH2  RX            TX\n"
                                   "CH3  RX            TX 42.3000\n"));
    QVERIFY(r.err.contains(QStringLiteral("Saved to ") + saved));
    QFile file(saved);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray expected = QByteArray::fromHex(kPlanHex);
    QCOMPARE(file.readAll(), kav::FormatFrequencyFile(kav::RadioImage::fromLinear(expected)));
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
    const Run back = runWithRadios({QStringLiteral("read"), QStringLiteral("--device"), radio.device(),
                                    QStringLiteral("--json")});
    QCOMPARE(back.exitCode, 0);
    QCOMPARE(QJsonDocument::fromJson(back.out.toUtf8()).object().value(QStringLiteral("image")).toString(),
             QString::fromLatin1(kPlanHex));
}

void TestCli::writesSeveralRadiosAtOnce()
{
    std::vector<std::unique_ptr<SimRadio>> radios;
    QStringList arguments{QStringLiteral("write"), writePlan(QStringLiteral("plan.sav"), kPlanHex)};
    for (int i = 0; i < 3; ++i) {
        radios.push_back(std::make_unique<SimRadio>(QStringList{QStringLiteral("--turnaround"),
                                                                QStringLiteral("50")}));
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
    QVERIFY2(lastCommand >= 0 && lastCommand < firstVerdict, qPrintable(radios.front()->lines().join(QLatin1Char('\n'))));
}

void TestCli::verifyCatchesARadioThatStoredOtherwise()
{
    SimRadio good({});
    SimRadio bad({QStringLiteral("--fault"), QStringLiteral("stores-wrongly")});
    QVERIFY(good.waitForDevice());
    QVERIFY(bad.waitForDevice());
    const QString plan = writePlan(QStringLiteral("plan.sav"), kPlanHex);
    const Run r = runWithRadios({QStringLiteral("write"), plan, QStringLiteral("--verify"), QStringLiteral("--device"),
                                 good.device(), QStringLiteral("--device"), bad.device()});
    QCOMPARE(r.exitCode, 8);
    QVERIFY(r.out.contains(good.device() + QStringLiteral(": written and verified")));
    QVERIFY(r.out.contains(bad.device() + QStringLiteral(": failed: Verify Error")));
    QVERIFY(r.err.contains(bad.device() + QStringLiteral(": Verify Error")));
    QVERIFY(good.firstSeen(QStringLiteral("program -> E0")) > good.firstSeen(QStringLiteral("radio   -> 77")));
}

void TestCli::radioFailuresExitWithTheirCodes_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    QTest::newRow("read, silent") << "read" << "silent" << 5 << "Connection Error to Radio";
    QTest::newRow("read, wrong ack") << "read" << "wrong-ack" << 6 << "Communication Error";
    QTest::newRow("read, bad checksum") << "read" << "bad-checksum" << 6 << "Communication Error";
    QTest::newRow("write, silent") << "write" << "silent" << 5 << "Connection Error to Radio";
    QTest::newRow("write, block refused") << "write" << "reject-block" << 7 << "Write Error";
    QTest::newRow("write, no such device") << "write" << "" << 4 << "Please Re-Select available COM PORT";
    QTest::newRow("read, no such device") << "read" << "" << 4 << "Please Re-Select available COM PORT";
}

void TestCli::radioFailuresExitWithTheirCodes()
{
    QFETCH(QString, command);
    QFETCH(QString, fault);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    std::unique_ptr<SimRadio> radio;
    QString device = QDir(m_folder->dataHome()).filePath(QStringLiteral("ttyUSB9"));
    if (!fault.isEmpty()) {
        radio = std::make_unique<SimRadio>(QStringList{QStringLiteral("--fault"), fault});
        QVERIFY(radio->waitForDevice());
        device = radio->device();
    }
    QStringList arguments{command};
    if (command == QLatin1String("write"))
        arguments << writePlan(QStringLiteral("plan.sav"), kPlanHex);
    arguments << QStringLiteral("--device") << device;
    const Run r = runWithRadios(arguments);
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(r.err.contains(device + QStringLiteral(": ") + message), qPrintable(r.err));
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
    const Run report = run({QStringLiteral("report"), writePlan(QStringLiteral("p.sav"), kPlanHex),
                            QStringLiteral("--pdf"), fifo});
    QCOMPARE(report.exitCode, 3);
    QVERIFY2(report.err.contains(QStringLiteral("Could not print the frequency report")), qPrintable(report.err));
    QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
}

void TestCli::interruptedWriteClosesItsPorts_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("SIGINT") << int(SIGINT) << 130;
    QTest::newRow("SIGTERM") << int(SIGTERM) << 143;
}

void TestCli::interruptedWriteClosesItsPorts()
{
    QFETCH(int, signal);
    QFETCH(int, exitCode);
    if (!QFileInfo(QStringLiteral("/run/lock")).isWritable())
        QSKIP("the device locks go to /run/lock, which is not writable here");
    PseudoTerminal radio; // never answers: the write waits for its acknowledge
    QVERIFY(radio.isValid());
    struct stat info{};
    QCOMPARE(::stat(QFile::encodeName(radio.devicePath()).constData(), &info), 0);
    const QDir locks(QStringLiteral("/run/lock"));
    const QStringList lockNames{
        QStringLiteral("LCK..") + radio.devicePath().mid(5).replace(QLatin1Char('/'), QLatin1Char('_')),
        QStringLiteral("LCK.kavrilink.%1.%2").arg(major(info.st_rdev)).arg(minor(info.st_rdev))};

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), m_folder->dataHome());
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(KAVRILINK_CLI), {QStringLiteral("write"), writePlan(QStringLiteral("p.sav"), kPlanHex),
                                                  QStringLiteral("--device"), radio.devicePath()});
    QTRY_VERIFY_WITH_TIMEOUT(radio.received().contains('\xF0'), 20000);
    for (const QString &name : lockNames)
        QVERIFY2(locks.exists(name), qPrintable(name)); // held while it runs
    ::kill(pid_t(process.processId()), signal);
    QVERIFY(QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 20000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
    QCOMPARE(QString::fromLocal8Bit(process.readAllStandardOutput()), radio.devicePath() + QStringLiteral(": interrupted\n"));
    QVERIFY(QString::fromLocal8Bit(process.readAllStandardError()).contains(radio.devicePath() + QStringLiteral(": interrupted")));
    for (const QString &name : lockNames)
        QVERIFY2(!locks.exists(name), qPrintable(name));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
