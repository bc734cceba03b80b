#include "radio/decoder.h"
#include "sheet/plandisplay.h"

#include <QTest>

using namespace kav;

namespace {

class RecordingDisplay : public PlanDisplay
{
public:
    void setModelText(const QString &text) override { model = text; }
    QString fieldText(int slot) const override { return fields[slot - 1]; }
    void setFieldText(int slot, const QString &text) override
    {
        fields[slot - 1] = text;
        order.append(slot);
    }
    void focusField(int) override {}

    QString model = QStringLiteral("untouched");
    QString fields[6];
    QList<int> order;
};

RadioImage imageFromHex(const char *hex)
{
    QByteArray bytes = QByteArray::fromHex(hex);
    bytes.resize(RadioImage::kSize, '\0');
    return RadioImage::fromLinear(bytes);
}

} // namespace

class TestDecoder : public QObject
{
    Q_OBJECT

private slots:
    void decodesDigitsWithFixedAccumulation_data();
    void decodesDigitsWithFixedAccumulation();
    void showsFrequencyTextForm_data();
    void showsFrequencyTextForm();
    void imageIndexingFollowsLinearOrder();
    void showsPlanOfImage_data();
    void showsPlanOfImage();
};

void TestDecoder::decodesDigitsWithFixedAccumulation_data()
{
    QTest::addColumn<QByteArray>("digits");
    QTest::addColumn<double>("expected");

    QTest::newRow("40.0125") << QByteArray::fromHex("040000010205") << 40.0125;
    // Rounding at each step leaves the last bits off the decimal value.
    QTest::newRow("40.025 carries an error") << QByteArray::fromHex("040000020500") << 40.025000000000006;
    QTest::newRow("41.1125 carries an error") << QByteArray::fromHex("040101010205") << 41.112500000000004;
    QTest::newRow("digit above nine") << QByteArray::fromHex("04000000000a") << 40.001;
    QTest::newRow("first digit zero") << QByteArray::fromHex("000500000000") << 5.0;
    QTest::newRow("all zero") << QByteArray::fromHex("000000000000") << 0.0;
    QTest::newRow("all 0xff carries an error") << QByteArray::fromHex("ffffffffffff") << 2833.3305000000005;
}

void TestDecoder::decodesDigitsWithFixedAccumulation()
{
    QFETCH(QByteArray, digits);
    QFETCH(double, expected);

    for (const FrequencySlot &slot : kFrequencySlots) {
        RadioImage image;
        for (int i = 0; i < 6; ++i)
            image(slot.channel, slot.firstByte + i) = std::uint8_t(digits.at(i));
        const double decoded = DecodeFrequency(image, slot.channel, slot.firstByte);
        // Bit-exact: QCOMPARE on doubles would forgive the last bits that matter here.
        QCOMPARE(QByteArray::number(decoded, 'g', 17), QByteArray::number(expected, 'g', 17));
    }
}

void TestDecoder::showsFrequencyTextForm_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("whole") << 38.0 << QStringLiteral("38.0000");
    QTest::newRow("four decimals") << 40.0125 << QStringLiteral("40.0125");
    QTest::newRow("hides decode error") << 40.025000000000006 << QStringLiteral("40.0250");
    QTest::newRow("digit above nine") << 40.001 << QStringLiteral("40.0010");
    QTest::newRow("single integer digit") << 5.0 << QStringLiteral("5.0000");
    QTest::newRow("no leading zero") << 0.5 << QStringLiteral(".5000");
    QTest::newRow("rounds to four") << 40.01256 << QStringLiteral("40.0126");
    QTest::newRow("large") << 2833.3305 << QStringLiteral("2833.3305");
}

void TestDecoder::showsFrequencyTextForm()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(FormatFrequencyText(value), text);
}

void TestDecoder::imageIndexingFollowsLinearOrder()
{
    RadioImage image;
    image(1, 1) = 1;
    image(1, 12) = 2;
    image(2, 1) = 3;
    image(3, 12) = 4;
    const QByteArray linear = image.toLinear();
    QCOMPARE(linear.size(), 36);
    QCOMPARE(int(linear.at(0)), 1);
    QCOMPARE(int(linear.at(11)), 2);
    QCOMPARE(int(linear.at(12)), 3);
    QCOMPARE(int(linear.at(35)), 4);
    QCOMPARE(RadioImage::fromLinear(linear), image);
}

void TestDecoder::showsPlanOfImage_data()
{
    QTest::addColumn<QByteArray>("hex");    // linear order, zero-filled to 36 bytes
    QTest::addColumn<QStringList>("texts"); // slot 1 first

    QTest::newRow("all zero: the sheet at start-up and after NEW")
        << QByteArray() << QStringList{"", "", "", "", "", ""};
    QTest::newRow("CH1 RX and TX") << QByteArray("040000010205040005000000")
                                   << QStringList{"40.0125", "", "", "40.5000", "", ""};
    QTest::newRow("first digit zero shows one integer digit")
        << QByteArray("000000000000000000000000000500000000") << QStringList{"", "5.0000", "", "", "", ""};
    QTest::newRow("digit above nine decodes arithmetically")
        << QByteArray("00000000000000000000000004000000000a") << QStringList{"", "40.0010", "", "", "", ""};
    QTest::newRow("every slot") << QByteArray("040000010205040005000000"
                                              "030800000000040203000000"
                                              "040101010205040000020500")
                                << QStringList{"40.0125", "38.0000", "41.1125", "40.5000", "42.3000", "40.0250"};
}

void TestDecoder::showsPlanOfImage()
{
    QFETCH(QByteArray, hex);
    QFETCH(QStringList, texts);
    const RadioImage image = imageFromHex(hex.constData());

    const PlanFields fields = PlanFieldTexts(image);
    QCOMPARE(QStringList(fields.begin(), fields.end()), texts);
    const DecodedPlan values = DecodeImage(image);
    for (const FrequencySlot &slot : kFrequencySlots)
        QCOMPARE(values[size_t(slot.slot - 1)], DecodeFrequency(image, slot.channel, slot.firstByte));

    // Shown over an old plan: the model name, then every field, CH1 RX and TX first.
    RecordingDisplay display;
    for (QString &field : display.fields)
        field = QStringLiteral("old");
    ShowPlan(display, fields);
    QCOMPARE(display.model, QStringLiteral("KV-7719NEW"));
    QCOMPARE(QStringList(std::begin(display.fields), std::end(display.fields)), texts);
    QCOMPARE(display.order, (QList<int>{1, 4, 2, 5, 3, 6}));
}

QTEST_APPLESS_MAIN(TestDecoder)
#include "tst_decoder.moc"
