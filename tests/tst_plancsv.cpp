// The plan as CHIRP's generic CSV: what export writes, what import accepts, and what it refuses.

#include "radio/frequencyfile.h"
#include "radio/plancsv.h"

#include <QBuffer>
#include <QTest>

using namespace kav;

namespace {

// The columns after Offset are the same in every row exported here.
const QByteArray kTail = ",,88.5,88.5,023,NN,FM,12.50,,,,,,\r\n";
const QByteArray kHeader = "Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,DtcsCode,DtcsPolarity,"
                           "Mode,TStep,Skip,Comment,URCALL,RPT1CALL,RPT2CALL,DVCODE\r\n";

RadioImage imageOf(const QByteArray &hex)
{
    QByteArray bytes = QByteArray::fromHex(hex);
    bytes.resize(RadioImage::kSize, '\0');
    return RadioImage::fromLinear(bytes);
}

} // namespace

class TestPlanCsv : public QObject
{
    Q_OBJECT

private slots:
    void exportWritesTheLayoutAndImportsToTheSameBytes_data();
    void exportWritesTheLayoutAndImportsToTheSameBytes();
    void exportRefusesWhatARowCannotHold_data();
    void exportRefusesWhatARowCannotHold();
    void importsFilesWrittenElsewhere_data();
    void importsFilesWrittenElsewhere();
    void importRefusalsNameRowAndColumn_data();
    void importRefusalsNameRowAndColumn();
    void readStopsJustPastTheLimit();
};

void TestPlanCsv::exportWritesTheLayoutAndImportsToTheSameBytes_data()
{
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<QByteArray>("rows");
    QTest::newRow("RX equals TX") << QByteArray("040000010205040000010205") << "1,CH1,40.012500,,0.000000" + kTail;
    QTest::newRow("split, an empty channel, TX empty")
        << QByteArray("040000010205040005000000"
                      "000000000000000000000000"
                      "040203000000000000000000")
        << "1,CH1,40.012500,split,40.500000" + kTail + "3,CH3,42.300000,off,0.000000" + kTail;
    QTest::newRow("band edges") << QByteArray("030800000000040203000000"
                                              "040203000000030800000000"
                                              "030800000000030800000000")
                                << "1,CH1,38.000000,split,42.300000" + kTail + "2,CH2,42.300000,split,38.000000" +
                                       kTail + "3,CH3,38.000000,,0.000000" + kTail;
    // 40.0250 decodes to 40.025000000000006; 39.9875 and 41.1125 are odd multiples of 12.5 kHz.
    QTest::newRow("raster points") << QByteArray("040000020500040000020500"
                                                 "030909080705040101010205"
                                                 "040101010205000000000000")
                                   << "1,CH1,40.025000,,0.000000" + kTail + "2,CH2,39.987500,split,41.112500" + kTail +
                                          "3,CH3,41.112500,off,0.000000" + kTail;
}

void TestPlanCsv::exportWritesTheLayoutAndImportsToTheSameBytes()
{
    QFETCH(QByteArray, image);
    QFETCH(QByteArray, rows);
    const RadioImage plan = imageOf(image);
    QString reason;
    const std::optional<QByteArray> csv = formatPlanCsv(plan, &reason);
    QVERIFY2(csv, qPrintable(reason));
    QCOMPARE(*csv, kHeader + rows);

    CsvProblem problem;
    const std::optional<RadioImage> back = parsePlanCsv(*csv, &problem);
    QVERIFY2(back, qPrintable(problem.text()));
    QCOMPARE(formatFrequencyFile(*back), formatFrequencyFile(plan));
}

void TestPlanCsv::exportRefusesWhatARowCannotHold_data()
{
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<QString>("reason");
    QTest::newRow("TX without RX") << QByteArray("040000010205040005000000"
                                                 "000000000000040203000000")
                                   << QStringLiteral("CH2 has a TX frequency but no RX frequency, which a CSV row "
                                                     "cannot hold");
    QTest::newRow("out of band") << QByteArray("050000000000")
                                 << QStringLiteral("CH1 RX 50.0000 is not a frequency in 38.0000-42.3000 MHz on the "
                                                   "12.5 kHz raster");
    QTest::newRow("off the raster") << QByteArray("000000000000000000000000"
                                                  "040000010000")
                                    << QStringLiteral("CH2 RX 40.0100 is not a frequency in 38.0000-42.3000 MHz on "
                                                      "the 12.5 kHz raster");
    // 3 10 0 0 0 0 decodes to 40.0000 but is not its digits: a new file would differ.
    QTest::newRow("bytes that are not digits") << QByteArray("030a00000000")
                                               << QStringLiteral("the plan's bytes are not the digits of its "
                                                                 "frequencies");
    QTest::newRow("no channel") << QByteArray() << QStringLiteral("the plan holds no channel");
}

void TestPlanCsv::exportRefusesWhatARowCannotHold()
{
    QFETCH(QByteArray, image);
    QFETCH(QString, reason);
    QString why;
    QCOMPARE(formatPlanCsv(imageOf(image), &why), std::nullopt);
    QCOMPARE(why, reason);
}

void TestPlanCsv::importsFilesWrittenElsewhere_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QByteArray>("image");
    // As CHIRP saves three memories of this band: counted from 0, repeater shifts,
    // more columns than the generic layout here, quoted names, LF line ends.
    QTest::newRow("CHIRP, from 0, shifts")
        << QByteArray("Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,DtcsCode,DtcsPolarity,"
                      "RxDtcsCode,CrossMode,Mode,TStep,Skip,Power,Comment,URCALL,RPT1CALL,RPT2CALL,DVCODE\n"
                      "0,\"Yard, north\",40.012500,+,0.600000,,88.5,88.5,023,NN,023,Tone->Tone,FM,12.50,,50W,"
                      "\"the \"\"old\"\" yard\",,,,\n"
                      "1,GATE,41.000000,-,1.000000,Tone,100.0,88.5,023,NN,023,Tone->Tone,FM,12.50,,50W,,,,,\n"
                      "2,DEPOT,42.300000,,0.000000,,88.5,88.5,023,NN,023,Tone->Tone,FM,12.50,,50W,,,,,\n")
        << QByteArray("040000010205040006010205"
                      "040100000000040000000000"
                      "040203000000040203000000");
    QTest::newRow("spreadsheet: BOM, columns moved, quoted values, CRLF, blank rows")
        << QByteArray("\xEF\xBB\xBF\"Offset\",\"duplex\",\"Frequency\",\"Location\",\"Notes\"\r\n"
                      "\"40.5\",\"split\",\"40.0125\",\"3\",\"spare\"\r\n"
                      ",,,,\r\n"
                      ",OFF,38,1,\r\n"
                      "\r\n")
        << QByteArray("030800000000000000000000"
                      "000000000000000000000000"
                      "040000010205040005000000");
    QTest::newRow("only the two columns needed, no final line end") << QByteArray("Frequency,Location\n 41.1125 ,2")
                                                                    << QByteArray("000000000000000000000000"
                                                                                  "040101010205040101010205");
}

void TestPlanCsv::importsFilesWrittenElsewhere()
{
    QFETCH(QByteArray, csv);
    QFETCH(QByteArray, image);
    CsvProblem problem;
    const std::optional<RadioImage> plan = parsePlanCsv(csv, &problem);
    QVERIFY2(plan, qPrintable(problem.text()));
    QCOMPARE(*plan, imageOf(image));
}

void TestPlanCsv::importRefusalsNameRowAndColumn_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QString>("problem");
    const QByteArray head = "Location,Frequency,Duplex,Offset\r\n";
    const QByteArray good = "1,40.0125,,\r\n";
    const QString band = QStringLiteral(" is not a frequency in 38.0000-42.3000 MHz on the 12.5 kHz raster");
    QTest::newRow("above the band") << head + good + "2,42.3125,,\r\n"
                                    << QStringLiteral("row 3, column Frequency: '42.3125'") + band;
    QTest::newRow("off the raster") << head + "1,40.01,,\r\n"
                                    << QStringLiteral("row 2, column Frequency: '40.01'") + band;
    QTest::newRow("comma decimal") << head + "1,\"40,0125\",,\r\n"
                                   << QStringLiteral("row 2, column Frequency: '40,0125'") + band;
    QTest::newRow("no frequency") << head + "1,,,\r\n"
                                  << QStringLiteral("row 2, column Frequency: an empty field") + band;
    QTest::newRow("Location 4") << head + good + "4,40.0125,,\r\n"
                                << QStringLiteral("row 3, column Location: 4 is not a channel (1-3, or 0-2 in a file "
                                                  "that starts at 0)");
    QTest::newRow("Location 3 counted from 0") << head + "0,40.0125,,\r\n3,40.0125,,\r\n"
                                               << QStringLiteral("row 3, column Location: 3 is not a channel (1-3, "
                                                                 "or 0-2 in a file that starts at 0)");
    QTest::newRow("Location twice") << head + good + good << QStringLiteral("row 3, column Location: 1 is given twice");
    QTest::newRow("Location not a number") << head + good + "2.0,40.0125,,\r\n"
                                           << QStringLiteral("row 3, column Location: '2.0' is not a whole number");
    QTest::newRow("unknown duplex") << head + "1,40.0125,dup,\r\n"
                                    << QStringLiteral("row 2, column Duplex: 'dup' is not one of: empty, +, -, split, "
                                                      "off");
    QTest::newRow("split to outside the band") << head + "1,40.0125,split,44.0\r\n"
                                               << QStringLiteral("row 2, column Offset: '44.0'") + band +
                                                      QStringLiteral(" (the TX frequency of a split channel)");
    QTest::newRow("shift out of the band") << head + "1,42.0,+,0.6\r\n"
                                           << QStringLiteral("row 2, column Offset: the TX frequency 42.0000 + 0.6 "
                                                             "MHz is not a frequency in 38.0000-42.3000 MHz on the "
                                                             "12.5 kHz raster");
    QTest::newRow("shift not a number") << head + "1,40.0,-,6e-1\r\n"
                                        << QStringLiteral("row 2, column Offset: '6e-1' is not a number");
    QTest::newRow("no Frequency column") << QByteArray("Location,Freq\r\n1,40.0125\r\n")
                                         << QStringLiteral("row 1: the header has no column Frequency");
    QTest::newRow("quote not closed") << head + "1,\"40.0125,,\r\n"
                                      << QStringLiteral("row 2: a quoted field is not closed");
    QTest::newRow("text after a quote") << head + "1,\"40.0125\"5,,\r\n"
                                        << QStringLiteral("row 2: text after the closing quote of field 2");
    QTest::newRow("header only") << head << QStringLiteral("the file holds no channel");
    QTest::newRow("empty") << QByteArray("\xEF\xBB\xBF\r\n") << QStringLiteral("the file is empty");
    QTest::newRow("binary") << QByteArray("Location\0\x01\x02", 11)
                            << QStringLiteral("the file holds NUL bytes; it is not a CSV text file");
    QTest::newRow("not UTF-8") << head + "1,40.0125,,\xFF\r\n" << QStringLiteral("the file is not UTF-8 text");
    QTest::newRow("too large") << head + QByteArray(kMaxPlanCsvBytes, '\n')
                               << QStringLiteral("the file is larger than 64 KiB");
}

void TestPlanCsv::importRefusalsNameRowAndColumn()
{
    QFETCH(QByteArray, csv);
    QFETCH(QString, problem);
    CsvProblem why;
    QCOMPARE(parsePlanCsv(csv, &why), std::nullopt);
    QCOMPARE(why.text(), problem);
}

void TestPlanCsv::readStopsJustPastTheLimit()
{
    QByteArray endless(16 * kMaxPlanCsvBytes, 'x');
    QBuffer device(&endless);
    QVERIFY(device.open(QIODevice::ReadOnly));
    CsvProblem why;
    QCOMPARE(readPlanCsv(&device, &why), std::nullopt);
    QCOMPARE(device.pos(), kMaxPlanCsvBytes + 1);
    QCOMPARE(why.text(), QStringLiteral("the file is larger than 64 KiB"));
}

QTEST_GUILESS_MAIN(TestPlanCsv)
#include "tst_plancsv.moc"
