#include "radio/frequencyfile.h"
#include "support/failingdevice.h"
#include "support/filebytes.h"
#include "support/filesizelimit.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kav;

Q_DECLARE_METATYPE(std::optional<RadioImage>)

namespace {

// The documented example: CH1 RX 40.0125 MHz, CH1 TX 40.5000 MHz, CH2 and CH3
// empty, one " d " CR LF line per byte.
QByteArray documentedFile()
{
    QByteArray bytes = " 4 \r\n 0 \r\n 0 \r\n 1 \r\n 2 \r\n 5 \r\n"
                       " 4 \r\n 0 \r\n 5 \r\n 0 \r\n 0 \r\n 0 \r\n";
    for (int i = 0; i < 24; ++i)
        bytes += " 0 \r\n";
    return bytes;
}

RadioImage documentedImage()
{
    QByteArray linear = QByteArray::fromHex("040000010205040005000000");
    linear.append(24, '\0');
    return RadioImage::fromLinear(linear);
}

// 36 lines of the given values joined with the given line end.
QByteArray lines(const QList<QByteArray> &texts, const QByteArray &end = "\r\n")
{
    QByteArray bytes;
    for (const QByteArray &text : texts)
        bytes += text + end;
    return bytes;
}

QList<QByteArray> zeros(int count)
{
    return QList<QByteArray>(count, QByteArray(" 0 "));
}

std::optional<RadioImage> readBytes(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return readFrequencyFile(&buffer);
}

} // namespace

class TestFrequencyFile : public QObject
{
    Q_OBJECT

private slots:
    void writesDocumentedExample();
    void writesEveryDigitAsFiveBytes();
    void parsesLines_data();
    void parsesLines();
    void readsFiles_data();
    void readsFiles();
    void refusesLongLineAfterShortPrefix();
    void neverReadsPastThe36thLine();
    void writerReportsShortWrites_data();
    void writerReportsShortWrites();
    void savesAndReadsBackByteForByte();
    void failedSaveKeepsOldFile_data();
    void failedSaveKeepsOldFile();
    void failedWriteKeepsOldFile();
    void readRefusesWhatIsNotARegularFile_data();
    void readRefusesWhatIsNotARegularFile();
};

void TestFrequencyFile::writesDocumentedExample()
{
    const QByteArray bytes = formatFrequencyFile(documentedImage());
    QCOMPARE(bytes, documentedFile());
    QCOMPARE(bytes.size(), 180);
    QCOMPARE(bytes.left(5), QByteArray::fromHex("2034200d0a"));
}

void TestFrequencyFile::writesEveryDigitAsFiveBytes()
{
    RadioImage image;
    for (int i = 0; i < RadioImage::kSize; ++i)
        image.at(i) = std::uint8_t(i % 10);
    const QByteArray bytes = formatFrequencyFile(image);
    QCOMPARE(bytes.size(), 180);
    for (int i = 0; i < RadioImage::kSize; ++i)
        QCOMPARE(bytes.mid(i * 5, 5), QByteArray(" ") + char('0' + i % 10) + " \r\n");
    // Only space, digits, CR and LF occur.
    for (char c : bytes)
        QVERIFY(c == ' ' || c == '\r' || c == '\n' || (c >= '0' && c <= '9'));
}

void TestFrequencyFile::parsesLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("value"); // -1: refused

    QTest::newRow("as written") << QByteArray(" 4 ") << 4;
    QTest::newRow("no blanks") << QByteArray("4") << 4;
    QTest::newRow("zero") << QByteArray(" 0 ") << 0;
    QTest::newRow("many spaces") << QByteArray("     7     ") << 7;
    QTest::newRow("tabs") << QByteArray("\t9\t") << 9;
    QTest::newRow("two digits") << QByteArray(" 10 ") << 10;
    QTest::newRow("largest") << QByteArray("255") << 255;
    QTest::newRow("leading zeros") << QByteArray("004") << 4;
    QTest::newRow("half rounds to even down") << QByteArray("4.5") << 4;
    QTest::newRow("half rounds to even up") << QByteArray("5.5") << 6;
    QTest::newRow("half of zero") << QByteArray("0.5") << 0;
    QTest::newRow("half with zeros") << QByteArray("4.5000") << 4;
    QTest::newRow("just over half") << QByteArray("4.5000001") << 5;
    QTest::newRow("just under half") << QByteArray("5.4999999") << 5;
    QTest::newRow("below half") << QByteArray("3.2") << 3;
    QTest::newRow("above half") << QByteArray("3.7") << 4;
    QTest::newRow("254.5 to even") << QByteArray("254.5") << 254;
    QTest::newRow("255.4 down") << QByteArray("255.4") << 255;
    QTest::newRow("trailing point") << QByteArray("4.") << 4;
    QTest::newRow("leading point") << QByteArray(".6") << 1;
    QTest::newRow("fraction with blanks") << QByteArray("  9.0000  ") << 9;
    QTest::newRow("longest allowed") << QByteArray(kMaxSavedLineLength - 1, '0') + "4" << 4;

    QTest::newRow("empty") << QByteArray() << -1;
    QTest::newRow("blanks only") << QByteArray("   ") << -1;
    QTest::newRow("256") << QByteArray("256") << -1;
    QTest::newRow("255.5 rounds to 256") << QByteArray("255.5") << -1;
    QTest::newRow("huge") << QByteArray("99999999999999999999") << -1;
    QTest::newRow("minus one") << QByteArray("-1") << -1;
    QTest::newRow("minus zero") << QByteArray("-0") << -1;
    QTest::newRow("plus") << QByteArray("+4") << -1;
    QTest::newRow("exponent") << QByteArray("4e0") << -1;
    QTest::newRow("comma") << QByteArray("4,5") << -1;
    QTest::newRow("inner blank") << QByteArray("4 5") << -1;
    QTest::newRow("two points") << QByteArray("4..5") << -1;
    QTest::newRow("lone point") << QByteArray(".") << -1;
    QTest::newRow("text") << QByteArray("abc") << -1;
    QTest::newRow("digit then text") << QByteArray("4x") << -1;
    QTest::newRow("hex") << QByteArray("0x4") << -1;
    QTest::newRow("NUL") << QByteArray("\0", 1) << -1;
    QTest::newRow("digit and NUL") << QByteArray("4\0", 2) << -1;
    QTest::newRow("LF inside") << QByteArray("4\n0") << -1;
    QTest::newRow("form feed blank") << QByteArray("\f4") << -1;
    QTest::newRow("other script digit") << QByteArray("\xd9\xa4") << -1;
    QTest::newRow("byte order mark") << QByteArray("\xef\xbb\xbf"
                                                   "4")
                                     << -1;
    QTest::newRow("too long") << QByteArray(kMaxSavedLineLength, '0') + "4" << -1;
}

void TestFrequencyFile::parsesLines()
{
    QFETCH(QByteArray, line);
    QFETCH(int, value);
    const std::optional<std::uint8_t> parsed = parseSavedLine(line);
    QCOMPARE(parsed ? int(*parsed) : -1, value);
}

void TestFrequencyFile::readsFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<std::optional<RadioImage>>("image"); // nullopt: refused

    const std::optional<RadioImage> refused;
    const RadioImage example = documentedImage();
    const QByteArray file = documentedFile();

    QTest::newRow("as written") << file << std::optional(example);
    QTest::newRow("CR only") << QByteArray(file).replace("\r\n", "\r") << std::optional(example);
    QTest::newRow("no blanks") << QByteArray(file).replace(" ", "") << std::optional(example);
    QTest::newRow("40 lines") << file + lines({"9", "9", "9", "9"}) << std::optional(example);
    QTest::newRow("garbage after line 36") << file + "not a number\0\n" << std::optional(example);
    QTest::newRow("last line without end") << file.left(file.size() - 2) << std::optional(example);
    QTest::newRow("CR and CR LF mixed") << QByteArray(file).replace(" 0 \r\n 0 \r\n", " 0 \r 0 \r\n")
                                        << std::optional(example);

    QList<QByteArray> halves = zeros(36);
    halves[0] = "4.5";
    halves[1] = "5.5";
    RadioImage rounded;
    rounded.at(0) = 4;
    rounded.at(1) = 6;
    QTest::newRow("halves to even") << lines(halves) << std::optional(rounded);

    QList<QByteArray> ten = zeros(36);
    ten[12] = " 10 ";
    ten[35] = "255";
    RadioImage big;
    big.at(12) = 10;
    big.at(35) = 255;
    QTest::newRow("10 and 255 in digit positions") << lines(ten) << std::optional(big);

    QTest::newRow("empty file") << QByteArray() << refused;
    QTest::newRow("LF only") << QByteArray(file).replace("\r\n", "\n") << refused;
    QTest::newRow("35 lines") << lines(zeros(35)) << refused;
    QTest::newRow("35 lines and an empty one") << lines(zeros(35)) + "\r\n" << refused;
    QTest::newRow("CR LF LF") << QByteArray(file).replace(12 * 5, 5, " 0 \r\n\n") << refused;

    const auto withLine = [&](int index, const QByteArray &text) {
        QList<QByteArray> texts = zeros(36);
        texts[index] = text;
        return lines(texts);
    };
    QTest::newRow("empty line 20") << withLine(19, "") << refused;
    QTest::newRow("blank line 20") << withLine(19, "   ") << refused;
    QTest::newRow("256") << withLine(5, " 256 ") << refused;
    QTest::newRow("-1") << withLine(5, " -1 ") << refused;
    QTest::newRow("text") << withLine(0, "four") << refused;
    QTest::newRow("NUL") << withLine(30, QByteArray(" \0 ", 3)) << refused;
    QTest::newRow("bad last line") << withLine(35, "x") << refused;
}

void TestFrequencyFile::readsFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(std::optional<RadioImage>, image);
    const std::optional<RadioImage> read = readBytes(bytes);
    QCOMPARE(read.has_value(), image.has_value());
    if (image)
        QCOMPARE(*read, *image);
}

void TestFrequencyFile::refusesLongLineAfterShortPrefix()
{
    // Ten megabytes of digits and LFs, without a single CR: all one "line".
    QByteArray huge(10 * 1024 * 1024, '4');
    for (qsizetype i = 3; i < huge.size(); i += 5)
        huge[i] = '\n';
    QBuffer buffer(&huge);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    QVERIFY(!readFrequencyFile(&buffer));
    QVERIFY2(buffer.pos() <= kMaxSavedLineLength + 1, QByteArray::number(buffer.pos()));
}

void TestFrequencyFile::neverReadsPastThe36thLine()
{
    QByteArray bytes = documentedFile() + QByteArray(1024 * 1024, 'x');
    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    const std::optional<RadioImage> read = readFrequencyFile(&buffer);
    QVERIFY(read);
    QCOMPARE(*read, documentedImage());
    QCOMPARE(buffer.pos(), 179); // up to the 36th CR; its LF is not needed
}

void TestFrequencyFile::writerReportsShortWrites_data()
{
    QTest::addColumn<int>("capacity");
    QTest::addColumn<bool>("ok");
    QTest::newRow("nothing fits") << 0 << false;
    QTest::newRow("first line only") << 5 << false;
    QTest::newRow("one byte short") << 179 << false;
    QTest::newRow("exactly fits") << 180 << true;
}

void TestFrequencyFile::writerReportsShortWrites()
{
    QFETCH(int, capacity);
    QFETCH(bool, ok);
    FailingDevice device(capacity);
    QVERIFY(device.open(QIODevice::WriteOnly));
    QCOMPARE(writeFrequencyFile(&device, documentedImage()), ok);
    QCOMPARE(device.written(), documentedFile().left(capacity));
}

void TestFrequencyFile::savesAndReadsBackByteForByte()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("plan.sav"));
    QVERIFY(writeBytes(path, QByteArray(500, 'x'))); // an older, longer file is replaced whole
    QString reason;
    QVERIFY(saveFrequencyFile(path, documentedImage(), &reason));
    QCOMPARE(fileBytes(path), documentedFile());

    // Load, save, compare: the bytes come back unchanged.
    const std::optional<RadioImage> loaded = readFrequencyFile(path);
    QVERIFY(loaded);
    const QString again = dir.filePath(QStringLiteral("again.sav"));
    QVERIFY(saveFrequencyFile(again, *loaded, &reason));
    QCOMPARE(fileBytes(again), fileBytes(path));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{QStringLiteral("again.sav"), QStringLiteral("plan.sav")}));
}

void TestFrequencyFile::failedSaveKeepsOldFile_data()
{
    QTest::addColumn<QString>("target"); // relative to the temporary folder
    QTest::addColumn<QString>("keeper"); // a file that must stay as it was
    QTest::newRow("path is a folder") << QStringLiteral("old.sav") << QStringLiteral("old.sav/inside.sav");
    QTest::newRow("folder missing") << QStringLiteral("missing/new.sav") << QStringLiteral("other.sav");
}

void TestFrequencyFile::failedSaveKeepsOldFile()
{
    QFETCH(QString, target);
    QFETCH(QString, keeper);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QFileInfo(keeper).path()));
    const QByteArray old = formatFrequencyFile(RadioImage());
    QVERIFY(writeBytes(dir.filePath(keeper), old));

    QString reason;
    QVERIFY(!saveFrequencyFile(dir.filePath(target), documentedImage(), &reason));
    QVERIFY(!reason.isEmpty());
    QCOMPARE(fileBytes(dir.filePath(keeper)), old);
}

void TestFrequencyFile::failedWriteKeepsOldFile()
{
#ifdef Q_OS_UNIX
    // A file size limit makes the write itself fail, as a full disk does, even for root.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("plan.sav"));
    const QByteArray old = formatFrequencyFile(RadioImage());
    QVERIFY(writeBytes(path, old));

    bool saved = true;
    QString reason;
    {
        FileSizeLimit limit(100);
        QVERIFY(limit.active());
        saved = saveFrequencyFile(path, documentedImage(), &reason);
    }
    QVERIFY(!saved);
    QVERIFY(!reason.isEmpty());
    QCOMPARE(fileBytes(path), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("plan.sav")});
#else
    QSKIP("needs a file size limit");
#endif
}

void TestFrequencyFile::readRefusesWhatIsNotARegularFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("missing") << QStringLiteral("/nonexistent/plan.sav");
    QTest::newRow("folder") << QDir::tempPath();
#ifdef Q_OS_UNIX
    QTest::newRow("endless device") << QStringLiteral("/dev/zero");
#endif
}

void TestFrequencyFile::readRefusesWhatIsNotARegularFile()
{
    QFETCH(QString, path);
    QVERIFY(!readFrequencyFile(path));
}

QTEST_APPLESS_MAIN(TestFrequencyFile)
#include "tst_frequencyfile.moc"
