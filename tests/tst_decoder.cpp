#include "radio/decoder.h"
#include "radio/plandisplay.h"
#include "radio/radiodata.h"

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
    void initRadioDataResetsOnlyItsOwnState();
    void showPlanFillsSlotsAndEmptiesNonPositive();
    void startupSheetIsEmptyWithModelName();
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

void TestDecoder::initRadioDataResetsOnlyItsOwnState()
{
    RadioData data;
    data.SendImage(2, 3) = 7;
    data.ReceiveImage(3, 9) = 9;
    data.Rx2FreqMHz = 40.5;
    data.SheetFileName = QStringLiteral("/tmp/plan.sav");
    data.SheetFromFile = 1;
    data.CommPortNumber = 3;

    data.InitRadioData();

    QCOMPARE(data.MinFreqMHz, 38.0);
    QCOMPARE(data.MaxFreqMHz, 42.3);
    QCOMPARE(data.SendImage, RadioImage());
    QCOMPARE(data.ReceiveImage, RadioImage());
    QCOMPARE(data.ModelName, QStringLiteral("KV-7719NEW"));
    QCOMPARE(data.SheetFromFile, std::int16_t(0));
    QCOMPARE(data.Rx2FreqMHz, 40.5);
    QCOMPARE(data.SheetFileName, QStringLiteral("/tmp/plan.sav"));
    QCOMPARE(data.CommPortNumber, std::int16_t(3));
    // 42.3 typed by a user parses to exactly the upper limit.
    QCOMPARE(QStringLiteral("42.3").toDouble(), data.MaxFreqMHz);
}

void TestDecoder::showPlanFillsSlotsAndEmptiesNonPositive()
{
    RadioData data;
    data.InitRadioData();
    data.ReceiveImage = imageFromHex("040000010205040005000000");
    data.ReceiveImage(3, 7) = 0; // CH3 TX stays zero
    data.ReceiveImage(2, 1) = 0;
    data.ReceiveImage(2, 2) = 5; // CH2 RX 5.0000
    data.SheetFromFile = 1;

    RecordingDisplay display;
    for (QString &field : display.fields)
        field = QStringLiteral("old");
    LoadReceivedImage(data, display);

    QCOMPARE(display.model, QStringLiteral("KV-7719NEW"));
    QCOMPARE(display.fields[0], QStringLiteral("40.0125"));
    QCOMPARE(display.fields[3], QStringLiteral("40.5000"));
    QCOMPARE(display.fields[1], QStringLiteral("5.0000"));
    QCOMPARE(display.fields[2], QString());
    QCOMPARE(display.fields[4], QString());
    QCOMPARE(display.fields[5], QString());
    QCOMPARE(display.order, (QList<int>{1, 4, 2, 5, 3, 6}));
    QCOMPARE(data.Rx1FreqMHz, 40.0125);
    QCOMPARE(data.Tx1FreqMHz, 40.5);
    QCOMPARE(data.SheetFromFile, std::int16_t(1)); // showing is not entering
}

void TestDecoder::startupSheetIsEmptyWithModelName()
{
    RadioData data;
    data.Tx3FreqMHz = 41.0;
    data.InitRadioData();
    DecodeImage(data);
    RecordingDisplay display;
    ShowPlan(data, display);
    QCOMPARE(display.model, QStringLiteral("KV-7719NEW"));
    for (int slot = 1; slot <= 6; ++slot) {
        QCOMPARE(data.decodedValue(slot), 0.0);
        QCOMPARE(display.fields[slot - 1], QString());
    }
}

QTEST_APPLESS_MAIN(TestDecoder)
#include "tst_decoder.moc"
