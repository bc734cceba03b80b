#include "radio/decoder.h"
#include "radio/encoder.h"

#include <QTest>

using namespace kav;

namespace {

constexpr PlanField kCh1Rx{0, Direction::Rx};
constexpr PlanField kCh1Tx{0, Direction::Tx};
constexpr PlanField kCh2Rx{1, Direction::Rx};
constexpr PlanField kCh2Tx{1, Direction::Tx};
constexpr PlanField kCh3Tx{2, Direction::Tx};

ChannelPlan planWith(PlanField field, const QString &text)
{
    ChannelPlan plan;
    plan[field] = text;
    return plan;
}

QByteArray fieldBytes(const RadioImage &image, PlanField field)
{
    QByteArray bytes;
    for (int i = 0; i < 6; ++i)
        bytes.append(char(image(field.channel, RadioImage::firstByte(field) + i)));
    return bytes;
}

} // namespace

class TestEncoder : public QObject
{
    Q_OBJECT

private slots:
    void writesCanonicalText_data();
    void writesCanonicalText();
    void encodesFieldTexts_data();
    void encodesFieldTexts();
    void refusesValuesWithoutDigitForm_data();
    void refusesValuesWithoutDigitForm();
    void writesFieldBytesAtLinearOffsets();
    void emptySheetIsRefused();
    void emptyFieldsKeepTheirBytes();
    void unencodableFieldNamesTheFirstSuchField();
    void roundTripsEveryRasterFrequency();
};

void TestEncoder::writesCanonicalText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole") << 38.0 << QStringLiteral("38");
    QTest::newRow("one decimal") << 38.5 << QStringLiteral("38.5");
    QTest::newRow("three decimals") << 40.025 << QStringLiteral("40.025");
    QTest::newRow("four decimals") << 40.0125 << QStringLiteral("40.0125");
    QTest::newRow("decoder error hidden by 15 digits") << 40.025000000000006 << QStringLiteral("40.025");
    QTest::newRow("single digit") << 5.0 << QStringLiteral("5");
    QTest::newRow("below one") << 0.5 << QStringLiteral("0.5");
    QTest::newRow("negative") << -38.5 << QStringLiteral("-38.5");
    QTest::newRow("large without exponent") << 1e17 << QStringLiteral("100000000000000000");
    QTest::newRow("small without exponent") << 0.00001 << QStringLiteral("0.00001");
    QTest::newRow("fifteen significant digits") << 1.0 / 3.0 << QStringLiteral("0.333333333333333");
}

void TestEncoder::writesCanonicalText()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(canonicalFrequencyText(value), text);
}

void TestEncoder::encodesFieldTexts_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("40.0125") << QStringLiteral("40.0125") << QByteArray::fromHex("040000010205");
    QTest::newRow("40.0250") << QStringLiteral("40.0250") << QByteArray::fromHex("040000020500");
    QTest::newRow("40.0500") << QStringLiteral("40.0500") << QByteArray::fromHex("040000050000");
    QTest::newRow("38.5000") << QStringLiteral("38.5000") << QByteArray::fromHex("030805000000");
    QTest::newRow("42.3000") << QStringLiteral("42.3000") << QByteArray::fromHex("040203000000");
    QTest::newRow("38.0000") << QStringLiteral("38.0000") << QByteArray::fromHex("030800000000");
    QTest::newRow("5.0000 is six zeros") << QStringLiteral("5.0000") << QByteArray::fromHex("000000000000");
}

void TestEncoder::encodesFieldTexts()
{
    QFETCH(QString, field);
    QFETCH(QByteArray, bytes);
    for (const PlanField where : kPlanFields) {
        const EncodeResult encoded = buildSendImage(RadioImage(), planWith(where, field));
        QCOMPARE(encoded.outcome, EncodeOutcome::Encoded);
        QCOMPARE(fieldBytes(encoded.image, where), bytes);
        RadioImage others = encoded.image;
        for (int i = 0; i < 6; ++i)
            others(where.channel, RadioImage::firstByte(where) + i) = 0;
        QCOMPARE(others, RadioImage());
    }
}

void TestEncoder::refusesValuesWithoutDigitForm_data()
{
    QTest::addColumn<QString>("field");
    QTest::newRow("three characters") << QStringLiteral(".5000");
    QTest::newRow("five decimals") << QStringLiteral("38.00625");
    QTest::newRow("below ten") << QStringLiteral("5.2500");
    QTest::newRow("three integer digits") << QStringLiteral("105.0000");
    QTest::newRow("four integer digits") << QStringLiteral("1055.0000");
    QTest::newRow("negative") << QStringLiteral("-38.5000");
    QTest::newRow("not a number") << QStringLiteral("abc");
}

void TestEncoder::refusesValuesWithoutDigitForm()
{
    QFETCH(QString, field);
    RadioImage image;
    image.at(3) = 9;
    const RadioImage before = image;
    bool ok = false;
    const double value = QLocale::c().toDouble(field, &ok);
    if (ok)
        QVERIFY(!encodeFrequency(image, kCh1Rx, value));
    QCOMPARE(encodeSheet(image, planWith(kCh1Rx, field)), std::optional<PlanField>(kCh1Rx));
    QCOMPARE(image, before);
}

void TestEncoder::writesFieldBytesAtLinearOffsets()
{
    ChannelPlan plan = planWith(kCh1Rx, QStringLiteral("40.0125"));
    plan[kCh1Tx] = QStringLiteral("40.5000");
    const EncodeResult encoded = buildSendImage(RadioImage(), plan);
    QCOMPARE(encoded.outcome, EncodeOutcome::Encoded);
    QByteArray expected = QByteArray::fromHex("040000010205040005000000");
    expected.append(24, '\0');
    QCOMPARE(encoded.image.toLinear(), expected);

    RadioImage image;
    QCOMPARE(encodeSheet(image, planWith(kCh1Tx, QStringLiteral("40.0125"))), std::nullopt);
    QCOMPARE(image.toLinear().mid(6, 6), QByteArray::fromHex("040000010205"));
}

void TestEncoder::emptySheetIsRefused()
{
    RadioImage previous;
    previous(1, 1) = 7;
    const EncodeResult encoded = buildSendImage(previous, ChannelPlan());
    QCOMPARE(encoded.outcome, EncodeOutcome::EmptySheet);
    QCOMPARE(encodeMessage(encoded.outcome), QStringLiteral("Data is Empty"));
}

void TestEncoder::emptyFieldsKeepTheirBytes()
{
    ChannelPlan plan;
    plan[kCh2Rx] = QStringLiteral("41.0500");
    plan[kCh3Tx] = QStringLiteral("42.3000");
    const EncodeResult first = buildSendImage(RadioImage(), plan);
    QCOMPARE(first.outcome, EncodeOutcome::Encoded);

    // The user empties CH2 RX and saves again: its old digits go out again.
    plan[kCh2Rx].clear();
    plan[kCh1Rx] = QStringLiteral("38.0125");
    const EncodeResult second = buildSendImage(first.image, plan);
    QCOMPARE(second.outcome, EncodeOutcome::Encoded);
    QCOMPARE(fieldBytes(second.image, kCh2Rx), QByteArray::fromHex("040100050000"));
    QCOMPARE(fieldBytes(second.image, kCh3Tx), QByteArray::fromHex("040203000000"));
    QCOMPARE(fieldBytes(second.image, kCh1Rx), QByteArray::fromHex("030800010205"));
}

void TestEncoder::unencodableFieldNamesTheFirstSuchField()
{
    ChannelPlan plan;
    plan[kCh1Rx] = QStringLiteral("40.0125");
    plan[kCh2Tx] = QStringLiteral("105.0000"); // a 10 in the tens digit of a file
    plan[kCh3Tx] = QStringLiteral("abc");
    EncodeResult encoded = buildSendImage(RadioImage(), plan);
    QCOMPARE(encoded.outcome, EncodeOutcome::FieldNotEncodable);
    QCOMPARE(encoded.field, kCh2Tx);

    // The RX column is looked at before the TX column, as Enter walks the sheet.
    plan[kCh1Tx] = QStringLiteral("abc");
    plan[kCh2Rx] = QStringLiteral("abc");
    encoded = buildSendImage(RadioImage(), plan);
    QCOMPARE(encoded.field, kCh2Rx);
    QCOMPARE(encodeMessage(encoded.outcome), QStringLiteral("Confirm Frequency Range!"));
}

void TestEncoder::roundTripsEveryRasterFrequency()
{
    int count = 0;
    for (int units = 380000; units <= 423000; units += 125) { // 100 Hz units, 12.5 kHz steps
        RadioImage image;
        int rest = units;
        for (int i = 5; i >= 0; --i) {
            image(1, 6 + i) = std::uint8_t(rest % 10);
            rest /= 10;
        }
        const QString shown = formatFrequencyText(decodeFrequency(image, kCh2Tx));
        RadioImage again;
        QVERIFY2(encodeFrequency(again, kCh2Tx, QLocale::c().toDouble(shown)), qPrintable(shown));
        QCOMPARE(again, image);
        ++count;
    }
    QCOMPARE(count, 345);
}

QTEST_APPLESS_MAIN(TestEncoder)
#include "tst_encoder.moc"
