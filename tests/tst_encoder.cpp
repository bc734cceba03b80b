#include "radio/decoder.h"
#include "radio/encoder.h"

#include <QTest>

using namespace kav;

namespace {

PlanFields fieldsWith(int slot, const QString &text)
{
    PlanFields fields;
    fields[size_t(slot - 1)] = text;
    return fields;
}

QByteArray slotBytes(const RadioImage &image, int slot)
{
    const FrequencySlot &where = frequencySlot(slot);
    QByteArray bytes;
    for (int i = 0; i < 6; ++i)
        bytes.append(char(image(where.channel, where.firstByte + i)));
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
    void writesSlotBytesAtLinearOffsets();
    void emptySheetIsRefused();
    void emptyFieldsKeepTheirSlotBytes();
    void unencodableFieldNamesTheFirstSuchSlot();
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
    QCOMPARE(CanonicalFrequencyText(value), text);
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
    for (int slot = 1; slot <= 6; ++slot) {
        const EncodeResult encoded = BuildSendImage(RadioImage(), fieldsWith(slot, field));
        QCOMPARE(encoded.outcome, EncodeOutcome::Encoded);
        QCOMPARE(slotBytes(encoded.image, slot), bytes);
        RadioImage others = encoded.image;
        for (int i = 0; i < 6; ++i)
            others(frequencySlot(slot).channel, frequencySlot(slot).firstByte + i) = 0;
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
        QVERIFY(!EncodeFrequency(image, 1, value));
    QCOMPARE(EncodeSheet(image, fieldsWith(1, field)), 1);
    QCOMPARE(image, before);
}

void TestEncoder::writesSlotBytesAtLinearOffsets()
{
    PlanFields fields = fieldsWith(1, QStringLiteral("40.0125"));
    fields[3] = QStringLiteral("40.5000");
    const EncodeResult encoded = BuildSendImage(RadioImage(), fields);
    QCOMPARE(encoded.outcome, EncodeOutcome::Encoded);
    QByteArray expected = QByteArray::fromHex("040000010205040005000000");
    expected.append(24, '\0');
    QCOMPARE(encoded.image.toLinear(), expected);

    RadioImage image;
    QCOMPARE(EncodeSheet(image, fieldsWith(4, QStringLiteral("40.0125"))), 0);
    QCOMPARE(image.toLinear().mid(6, 6), QByteArray::fromHex("040000010205"));
}

void TestEncoder::emptySheetIsRefused()
{
    RadioImage previous;
    previous(2, 2) = 7;
    const EncodeResult encoded = BuildSendImage(previous, PlanFields());
    QCOMPARE(encoded.outcome, EncodeOutcome::EmptySheet);
    QCOMPARE(EncodeMessage(encoded.outcome), QStringLiteral("Data is Empty"));
}

void TestEncoder::emptyFieldsKeepTheirSlotBytes()
{
    PlanFields fields;
    fields[1] = QStringLiteral("41.0500");
    fields[5] = QStringLiteral("42.3000");
    const EncodeResult first = BuildSendImage(RadioImage(), fields);
    QCOMPARE(first.outcome, EncodeOutcome::Encoded);

    // The user empties CH2 RX and saves again: its old digits go out again.
    fields[1].clear();
    fields[0] = QStringLiteral("38.0125");
    const EncodeResult second = BuildSendImage(first.image, fields);
    QCOMPARE(second.outcome, EncodeOutcome::Encoded);
    QCOMPARE(slotBytes(second.image, 2), QByteArray::fromHex("040100050000"));
    QCOMPARE(slotBytes(second.image, 6), QByteArray::fromHex("040203000000"));
    QCOMPARE(slotBytes(second.image, 1), QByteArray::fromHex("030800010205"));
}

void TestEncoder::unencodableFieldNamesTheFirstSuchSlot()
{
    PlanFields fields;
    fields[0] = QStringLiteral("40.0125");
    fields[4] = QStringLiteral("105.0000"); // a 10 in the tens digit of a file
    fields[5] = QStringLiteral("abc");
    const EncodeResult encoded = BuildSendImage(RadioImage(), fields);
    QCOMPARE(encoded.outcome, EncodeOutcome::FieldNotEncodable);
    QCOMPARE(encoded.slot, 5);
    QCOMPARE(EncodeMessage(encoded.outcome), QStringLiteral("Confirm Frequency Range!"));
}

void TestEncoder::roundTripsEveryRasterFrequency()
{
    int count = 0;
    for (int units = 380000; units <= 423000; units += 125) { // 100 Hz units, 12.5 kHz steps
        RadioImage image;
        int rest = units;
        for (int i = 5; i >= 0; --i) {
            image(2, 7 + i) = std::uint8_t(rest % 10);
            rest /= 10;
        }
        const QString shown = FormatFrequencyText(DecodeFrequency(image, 2, 7));
        RadioImage again;
        QVERIFY2(EncodeFrequency(again, 5, QLocale::c().toDouble(shown)), qPrintable(shown));
        QCOMPARE(again, image);
        ++count;
    }
    QCOMPARE(count, 345);
}

QTEST_APPLESS_MAIN(TestEncoder)
#include "tst_encoder.moc"
