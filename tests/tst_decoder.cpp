#include "radio/decoder.h"
#include "sheet/plandisplay.h"

#include <QTest>

using namespace kav;

namespace {

class RecordingDisplay : public PlanDisplay
{
public:
    void setModelText(const QString &text) override { model = text; }
    QString fieldText(PlanField field) const override { return fields[field]; }
    void setFieldText(PlanField field, const QString &text) override
    {
        fields[field] = text;
        order.append(field);
    }
    void focusField(PlanField) override {}

    QString model = QStringLiteral("untouched");
    ChannelPlan fields;
    QList<PlanField> order;
};

// The texts of plan down the RX column, then the TX column.
QStringList entryOrderTexts(const ChannelPlan &plan)
{
    QStringList texts;
    for (const PlanField field : kEntryOrder)
        texts.append(plan[field]);
    return texts;
}

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

    for (const PlanField field : kPlanFields) {
        RadioImage image;
        for (int i = 0; i < 6; ++i)
            image(field.channel, RadioImage::firstByte(field) + i) = std::uint8_t(digits.at(i));
        const double decoded = decodeFrequency(image, field);
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
    QCOMPARE(formatFrequencyText(value), text);
}

void TestDecoder::imageIndexingFollowsLinearOrder()
{
    RadioImage image;
    image(0, 0) = 1;
    image(0, 11) = 2;
    image(1, 0) = 3;
    image(2, 11) = 4;
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
    QTest::addColumn<QStringList>("texts"); // CH1-CH3 RX, then CH1-CH3 TX

    QTest::newRow("all zero: the sheet at start-up and after NEW")
        << QByteArray() << QStringList{"", "", "", "", "", ""};
    QTest::newRow("CH1 RX and TX") << QByteArray("040000010205040005000000")
                                   << QStringList{"40.0125", "", "", "40.5000", "", ""};
    QTest::newRow("first digit zero shows one integer digit")
        << QByteArray("000000000000000000000000000500000000") << QStringList{"", "5.0000", "", "", "", ""};
    QTest::newRow("digit above nine decodes arithmetically")
        << QByteArray("00000000000000000000000004000000000a") << QStringList{"", "40.0010", "", "", "", ""};
    QTest::newRow("every field") << QByteArray("040000010205040005000000"
                                               "030800000000040203000000"
                                               "040101010205040000020500")
                                 << QStringList{"40.0125", "38.0000", "41.1125", "40.5000", "42.3000", "40.0250"};
}

void TestDecoder::showsPlanOfImage()
{
    QFETCH(QByteArray, hex);
    QFETCH(QStringList, texts);
    const RadioImage image = imageFromHex(hex.constData());

    const ChannelPlan plan = decodePlan(image);
    QCOMPARE(entryOrderTexts(plan), texts);

    // Shown over an old plan: the model name, then every field, CH1 RX and TX first.
    RecordingDisplay display;
    for (const PlanField field : kPlanFields)
        display.fields[field] = QStringLiteral("old");
    showPlan(display, plan);
    QCOMPARE(display.model, QStringLiteral("KV-7719NEW"));
    QCOMPARE(entryOrderTexts(display.fields), texts);
    QCOMPARE(display.order, (QList<PlanField>{{0, Direction::Rx},
                                              {0, Direction::Tx},
                                              {1, Direction::Rx},
                                              {1, Direction::Tx},
                                              {2, Direction::Rx},
                                              {2, Direction::Tx}}));
    QCOMPARE(shownPlan(display), plan);
}

QTEST_APPLESS_MAIN(TestDecoder)
#include "tst_decoder.moc"
