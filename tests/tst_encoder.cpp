#include "radio/decoder.h"
#include "radio/encoder.h"
#include "radio/plantexts.h"
#include "support/scripteddialogs.h"

#include <QTest>

using namespace kav;

namespace {

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
    void emptySheetShowsDataIsEmpty();
    void emptyFieldsKeepTheirSlotBytes();
    void unencodableFieldLeavesSendImageAndFocusesIt();
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
        RadioData data;
        data.InitRadioData();
        PlanTexts sheet;
        sheet.setFieldText(slot, field);
        ScriptedDialogs dialogs;
        QVERIFY(BuildSendImage(data, sheet, dialogs));
        QVERIFY(dialogs.messages.isEmpty());
        QCOMPARE(slotBytes(data.SendImage, slot), bytes);
        RadioImage others = data.SendImage;
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
    PlanTexts sheet;
    sheet.setFieldText(1, field);
    QCOMPARE(EncodeSheet(image, sheet), 1);
    QCOMPARE(image, before);
}

void TestEncoder::writesSlotBytesAtLinearOffsets()
{
    RadioData data;
    data.InitRadioData();
    PlanTexts sheet;
    sheet.setFieldText(1, QStringLiteral("40.0125"));
    sheet.setFieldText(4, QStringLiteral("40.5000"));
    ScriptedDialogs dialogs;
    QVERIFY(BuildSendImage(data, sheet, dialogs));
    QByteArray expected = QByteArray::fromHex("040000010205040005000000");
    expected.append(24, '\0');
    QCOMPARE(data.SendImage.toLinear(), expected);

    PlanTexts txOnly;
    txOnly.setFieldText(4, QStringLiteral("40.0125"));
    RadioImage image;
    QCOMPARE(EncodeSheet(image, txOnly), 0);
    QCOMPARE(image.toLinear().mid(6, 6), QByteArray::fromHex("040000010205"));
}

void TestEncoder::emptySheetShowsDataIsEmpty()
{
    RadioData data;
    data.InitRadioData();
    data.SendImage(2, 2) = 7;
    const RadioImage before = data.SendImage;
    PlanTexts sheet;
    ScriptedDialogs dialogs;
    QVERIFY(!BuildSendImage(data, sheet, dialogs));
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages.first(), (MessageRequest{QStringLiteral("Data is Empty"), QStringLiteral("No Data"),
                                                       MessageIcon::Critical, MessageButtons::Ok,
                                                       MessageResult::Ok, {}}));
    QCOMPARE(data.SendImage, before);
}

void TestEncoder::emptyFieldsKeepTheirSlotBytes()
{
    RadioData data;
    data.InitRadioData();
    ScriptedDialogs dialogs;
    PlanTexts sheet;
    sheet.setFieldText(2, QStringLiteral("41.0500"));
    sheet.setFieldText(6, QStringLiteral("42.3000"));
    QVERIFY(BuildSendImage(data, sheet, dialogs));

    // The user empties CH2 RX and saves again: its old digits go out again.
    sheet.setFieldText(2, QString());
    sheet.setFieldText(1, QStringLiteral("38.0125"));
    QVERIFY(BuildSendImage(data, sheet, dialogs));
    QCOMPARE(slotBytes(data.SendImage, 2), QByteArray::fromHex("040100050000"));
    QCOMPARE(slotBytes(data.SendImage, 6), QByteArray::fromHex("040203000000"));
    QCOMPARE(slotBytes(data.SendImage, 1), QByteArray::fromHex("030800010205"));
    QVERIFY(dialogs.messages.isEmpty());
}

void TestEncoder::unencodableFieldLeavesSendImageAndFocusesIt()
{
    RadioData data;
    data.InitRadioData();
    data.SendImage(1, 1) = 4;
    const RadioImage before = data.SendImage;
    PlanTexts sheet;
    sheet.setFieldText(1, QStringLiteral("40.0125"));
    sheet.setFieldText(5, QStringLiteral("105.0000")); // a 10 in the tens digit of a file
    ScriptedDialogs dialogs;
    QVERIFY(!BuildSendImage(data, sheet, dialogs));
    QCOMPARE(data.SendImage, before); // slot 1 was encoded into a copy only
    QCOMPARE(sheet.focusedSlot(), 5);
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages.first().text, QStringLiteral("Confirm Frequency Range!"));
    QCOMPARE(dialogs.messages.first().title, QStringLiteral("Error"));
    QCOMPARE(dialogs.messages.first().icon, MessageIcon::Critical);
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
