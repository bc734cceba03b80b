#include "radio/reportlines.h"

#include <QDir>
#include <QTest>

using namespace kav;

namespace {

const QLocale kUs(QLocale::English, QLocale::UnitedStates);
const QLocale kGerman(QLocale::German, QLocale::Germany);
const QDateTime kPrintedAt(QDate(2024, 3, 5), QTime(14, 7, 9), Qt::UTC);

QString sp(int n)
{
    return QString(n, QLatin1Char(' '));
}

// The report as laid out line by line, lines 1 to 20.
QStringList expectedReport(const QString &fileLine, const QString &rx1, const QString &tx1, const QString &rx2,
                           const QString &tx2, const QString &rx3, const QString &tx3)
{
    const QString doubleRule = sp(11) + QString(83, QLatin1Char('='));
    const QString singleRule = sp(11) + QString(83, QLatin1Char('-'));
    return QStringList{QString(),
                       QString(),
                       QString(),
                       QString(),
                       QString(),
                       QString(),
                       sp(66) + QStringLiteral("FREQUENCY DATA"),
                       sp(66) + QStringLiteral("================"),
                       QString(),
                       QString(),
                       fileLine,
                       doubleRule,
                       sp(52) + QStringLiteral("RX  Frequency (MHz)") + sp(33) + QStringLiteral("TX  Frequency (MHz) "),
                       doubleRule,
                       sp(13) + QStringLiteral("CH1") + sp(14) + rx1 + sp(14) + tx1,
                       singleRule,
                       sp(13) + QStringLiteral("CH2") + sp(14) + rx2 + sp(14) + tx2,
                       singleRule,
                       sp(13) + QStringLiteral("CH3") + sp(14) + rx3 + sp(14) + tx3,
                       doubleRule};
}

// A plan of texts given CH1-CH3 RX, then CH1-CH3 TX.
ChannelPlan sheetOf(const QStringList &texts)
{
    ChannelPlan plan;
    for (size_t i = 0; i < kEntryOrder.size(); ++i)
        plan[kEntryOrder[i]] = texts.value(qsizetype(i));
    return plan;
}

} // namespace

class TestReport : public QObject
{
    Q_OBJECT

private slots:
    void linesHaveTheirWidths_data();
    void linesHaveTheirWidths();
    void reportOfFileSheet();
    void fileLineNamesTheSheetsFile_data();
    void fileLineNamesTheSheetsFile();
    void formatsValues_data();
    void formatsValues();
    void writesShortDateAndLongTime_data();
    void writesShortDateAndLongTime();
};

void TestReport::linesHaveTheirWidths_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("width");
    QTest::newRow("title") << 7 << 80;
    QTest::newRow("title rule") << 8 << 82;
    QTest::newRow("double rule above heading") << 12 << 94;
    QTest::newRow("heading") << 13 << 124;
    QTest::newRow("double rule below heading") << 14 << 94;
    QTest::newRow("rule under CH1") << 16 << 94;
    QTest::newRow("rule under CH2") << 18 << 94;
    QTest::newRow("closing rule") << 20 << 94;
    QTest::newRow("empty CH line: start and spaces") << 15 << 16 + 14 + 14;
    for (int line : {1, 2, 3, 4, 5, 6, 9, 10})
        QTest::newRow(qPrintable(QStringLiteral("empty %1").arg(line))) << line << 0;
}

void TestReport::linesHaveTheirWidths()
{
    QFETCH(int, line);
    QFETCH(int, width);
    const QStringList lines = frequencyReportLines(ChannelPlan(), QString(), kPrintedAt, kUs);
    QCOMPARE(lines.size(), kReportLines);
    QCOMPARE(lines.at(line - 1).size(), width);
}

void TestReport::reportOfFileSheet()
{
    const QString sheetFile = QStringLiteral("  /home/bench/plans/van 12.sav  ");
    const ChannelPlan sheet = sheetOf({QStringLiteral("38.0000"), QString(), QStringLiteral("40.125"),
                                       QStringLiteral("42.3000"), QStringLiteral("41.0500"), QString()});

    const QStringList lines = frequencyReportLines(sheet, sheetFile, kPrintedAt, kUs);
    // The file's name with the system's separators (\ on Windows).
    const QString fileLine = sp(11) + QStringLiteral("FILE NAME : ") +
                             QDir::toNativeSeparators(QStringLiteral("/home/bench/plans/van 12.sav")) +
                             QStringLiteral(" 3/5/24 2:07:09 PM UTC");
    QCOMPARE(lines, expectedReport(fileLine, QStringLiteral("38.0000"), QStringLiteral("42.3000"), QString(),
                                   QStringLiteral("41.0500"), QStringLiteral("40.1250"), QString()));
    QCOMPARE(lines.at(14).left(16), sp(13) + QStringLiteral("CH1"));
}

void TestReport::fileLineNamesTheSheetsFile_data()
{
    QTest::addColumn<QString>("sheetFile");
    QTest::addColumn<QString>("fileLine");
    QTest::newRow("no file behind the sheet") << QString() << QStringLiteral("FILE NAME : No Selected");
    QTest::newRow("spaces around the name go")
        << QStringLiteral("  /home/bench/old.sav ")
        << QDir::toNativeSeparators(QStringLiteral("FILE NAME : /home/bench/old.sav"));
    // A tab is kept, and shown escaped as every control character in a name.
    QTest::newRow("only spaces are trimmed")
        << QStringLiteral("\t/home/bench/old.sav\t")
        << QDir::toNativeSeparators(QStringLiteral("FILE NAME : \\x09/home/bench/old.sav\\x09"));
}

void TestReport::fileLineNamesTheSheetsFile()
{
    QFETCH(QString, sheetFile);
    QFETCH(QString, fileLine);
    QCOMPARE(reportFileLine(sheetFile), sp(11) + fileLine);
    const QStringList lines = frequencyReportLines(ChannelPlan(), sheetFile, kPrintedAt, kGerman);
    QCOMPARE(lines, expectedReport(sp(11) + fileLine + QStringLiteral(" 05.03.24 14:07:09 UTC"), QString(), QString(),
                                   QString(), QString(), QString(), QString()));
}

void TestReport::formatsValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("us");
    QTest::addColumn<QString>("german");

    QTest::newRow("normalised") << QStringLiteral("38.0000") << QStringLiteral("38.0000") << QStringLiteral("38,0000");
    QTest::newRow("whole") << QStringLiteral("38") << QStringLiteral("38.0000") << QStringLiteral("38,0000");
    QTest::newRow("three decimals") << QStringLiteral("40.125") << QStringLiteral("40.1250")
                                    << QStringLiteral("40,1250");
    QTest::newRow("rounded to four") << QStringLiteral("40.01251") << QStringLiteral("40.0125")
                                     << QStringLiteral("40,0125");
    QTest::newRow("below one") << QStringLiteral("0.5") << QStringLiteral(".5000") << QStringLiteral(",5000");
    QTest::newRow("as the decoder shows below one")
        << QStringLiteral(".5000") << QStringLiteral(".5000") << QStringLiteral(",5000");
    QTest::newRow("out of band from a file")
        << QStringLiteral("105.0000") << QStringLiteral("105.0000") << QStringLiteral("105,0000");
    QTest::newRow("blanks around") << QStringLiteral(" 41.05 ") << QStringLiteral("41.0500")
                                   << QStringLiteral("41,0500");
    QTest::newRow("negative") << QStringLiteral("-0.5") << QStringLiteral("-.5000") << QStringLiteral("-,5000");
    QTest::newRow("empty") << QString() << QString() << QString();
    QTest::newRow("blanks only") << QStringLiteral("  ") << QStringLiteral("  ") << QStringLiteral("  ");
    QTest::newRow("text") << QStringLiteral("abc") << QStringLiteral("abc") << QStringLiteral("abc");
    QTest::newRow("unit") << QStringLiteral("38.0125MHz") << QStringLiteral("38.0125MHz")
                          << QStringLiteral("38.0125MHz");
    QTest::newRow("comma") << QStringLiteral("38,5") << QStringLiteral("38,5") << QStringLiteral("38,5");
    QTest::newRow("exponent") << QStringLiteral("4e1") << QStringLiteral("4e1") << QStringLiteral("4e1");
    QTest::newRow("two points") << QStringLiteral("38.01.25") << QStringLiteral("38.01.25")
                                << QStringLiteral("38.01.25");
    QTest::newRow("lone point") << QStringLiteral(".") << QStringLiteral(".") << QStringLiteral(".");
}

void TestReport::formatsValues()
{
    QFETCH(QString, text);
    QFETCH(QString, us);
    QFETCH(QString, german);
    QCOMPARE(formatReportValue(text, kUs), us);
    QCOMPARE(formatReportValue(text, kGerman), german);

    // In the report the value stands 14 spaces after the fixed start.
    const QStringList lines = frequencyReportLines(sheetOf({text}), QString(), kPrintedAt, kUs);
    QCOMPARE(lines.at(14), sp(13) + QStringLiteral("CH1") + sp(14) + us + sp(14));
}

void TestReport::writesShortDateAndLongTime_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::newRow("en_US") << kUs << QStringLiteral("3/5/24 2:07:09 PM UTC");
    QTest::newRow("de_DE") << kGerman << QStringLiteral("05.03.24 14:07:09 UTC");
    QTest::newRow("en_GB") << QLocale(QLocale::English, QLocale::UnitedKingdom)
                           << QStringLiteral("05/03/2024 14:07:09 UTC");
}

void TestReport::writesShortDateAndLongTime()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QCOMPARE(reportDateTime(kPrintedAt, locale), text);
    const QStringList lines = frequencyReportLines(ChannelPlan(), QString(), kPrintedAt, locale);
    QCOMPARE(lines.at(10), sp(11) + QStringLiteral("FILE NAME : No Selected ") + text);
}

QTEST_APPLESS_MAIN(TestReport)
#include "tst_report.moc"
