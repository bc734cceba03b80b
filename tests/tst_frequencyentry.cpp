#include "radio/frequencyentry.h"

#include <QLocale>
#include <QTest>

#include <cmath>
#include <limits>

using namespace kav;

class TestFrequencyEntry : public QObject
{
    Q_OBJECT

private slots:
    void convertsPlainDecimalText_data();
    void convertsPlainDecimalText();
    void refusesWhatIsNotPlainDecimal_data();
    void refusesWhatIsNotPlainDecimal();
    void ignoresTheUsersLocale();
    void convertsToTheNearestDouble();
    void testsTheChannelRaster_data();
    void testsTheChannelRaster();
};

void TestFrequencyEntry::convertsPlainDecimalText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("mhz");

    QTest::newRow("integer") << "40" << 40.0;
    QTest::newRow("one decimal") << "40.5" << 40.5;
    QTest::newRow("four decimals") << "38.0125" << 38.0125;
    QTest::newRow("trailing point") << "38." << 38.0;
    QTest::newRow("leading point") << ".5" << 0.5;
    QTest::newRow("leading zeros") << "0038.0125" << 38.0125;
    QTest::newRow("plus sign") << "+40.5" << 40.5;
    QTest::newRow("minus sign") << "-38.0125" << -38.0125;
    QTest::newRow("blanks around") << "  40.5 " << 40.5;
    QTest::newRow("tab around") << "\t40.5\t" << 40.5;
    QTest::newRow("many decimals") << "38.0125" + QString(300, u'0') + "4" << 38.0125;
    QTest::newRow("long integer part") << QString(300, u'0') + "41" << 41.0;
    QTest::newRow("zero") << "0" << 0.0;
}

void TestFrequencyEntry::convertsPlainDecimalText()
{
    QFETCH(QString, text);
    QFETCH(double, mhz);
    const std::optional<double> value = convertFrequencyText(text);
    QVERIFY(value.has_value());
    QCOMPARE(*value, mhz);
}

void TestFrequencyEntry::refusesWhatIsNotPlainDecimal_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << "";
    QTest::newRow("blanks only") << "   ";
    QTest::newRow("lone point") << ".";
    QTest::newRow("sign only") << "+";
    QTest::newRow("sign and point") << "-.";
    QTest::newRow("two signs") << "+-40";
    QTest::newRow("sign after digits") << "40-";
    QTest::newRow("letters") << "abc";
    QTest::newRow("two points") << "38.01.25";
    QTest::newRow("unit suffix") << "38.0125MHz";
    QTest::newRow("inner blank") << "40 .5";
    QTest::newRow("blank after sign") << "+ 40";
    QTest::newRow("decimal comma") << "38,0125";
    QTest::newRow("group separator") << "1,038.0125";
    QTest::newRow("apostrophe group separator") << "1'038";
    QTest::newRow("exponent") << "4.0e1";
    QTest::newRow("capital exponent") << "4E1";
    QTest::newRow("huge exponent") << "1e400";
    QTest::newRow("hexadecimal") << "0x26";
    QTest::newRow("hexadecimal float") << "0x1.3p5";
    QTest::newRow("nan") << "nan";
    QTest::newRow("NaN") << "NaN";
    QTest::newRow("inf") << "inf";
    QTest::newRow("Infinity") << "-Infinity";
    QTest::newRow("too large for a double") << QString(400, u'9');
    QTest::newRow("too small for a double") << "0." + QString(400, u'0') + "1";
    QTest::newRow("fullwidth digits") << QStringLiteral("\uFF14\uFF10");
    QTest::newRow("arabic-indic digits") << QStringLiteral("\u0664\u0660");
    QTest::newRow("no-break space around") << QStringLiteral("\u00A040");
    QTest::newRow("newline after") << "40\n";
    QTest::newRow("nul inside") << QString::fromLatin1("40\0.5", 5);
}

void TestFrequencyEntry::refusesWhatIsNotPlainDecimal()
{
    QFETCH(QString, text);
    const std::optional<double> value = convertFrequencyText(text);
    QVERIFY2(!value.has_value(), qPrintable(QString::number(value.value_or(0.0), 'g', 17)));
}

void TestFrequencyEntry::ignoresTheUsersLocale()
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const std::optional<double> point = convertFrequencyText(u"38.0125");
    const std::optional<double> comma = convertFrequencyText(u"38,0125");
    const std::optional<double> grouped = convertFrequencyText(u"38.012,5");
    QLocale::setDefault(previous);

    QCOMPARE(point, std::optional<double>(38.0125));
    QCOMPARE(comma, std::nullopt);
    QCOMPARE(grouped, std::nullopt);
}

void TestFrequencyEntry::convertsToTheNearestDouble()
{
    // The upper band limit must come out as the very double the check compares with.
    QCOMPARE(convertFrequencyText(u"42.3"), std::optional<double>(42.3));
    QCOMPARE(convertFrequencyText(u"42.300"), std::optional<double>(42.3));
    // 0.1 + 0.2 style accumulation would miss these.
    QCOMPARE(convertFrequencyText(u"41.1125"), std::optional<double>(41.1125));
    QCOMPARE(convertFrequencyText(u"40.025"), std::optional<double>(40.025));
}

void TestFrequencyEntry::testsTheChannelRaster_data()
{
    QTest::addColumn<double>("mhz");
    QTest::addColumn<int>("off");

    QTest::newRow("band start") << 38.0 << 0;
    QTest::newRow("one step") << 38.0125 << 0;
    QTest::newRow("band end") << 42.3 << 0;
    QTest::newRow("not exactly representable step") << 40.0125 << 0;
    QTest::newRow("half a step") << 38.00625 << 1;
    QTest::newRow("one hertz above a step") << 38.012501 << 1;
    QTest::newRow("0.4 Hz above a step") << 38.0125004 << 0;
    QTest::newRow("0.6 Hz above a step") << 38.0125006 << 1;
    QTest::newRow("0.4 Hz below a step") << 38.0124996 << 0;
    // x * 1e6 is exactly n + 0.5 for these; the tie goes to the even neighbour.
    QTest::newRow("tie above a step rounds down to it") << 38.0125005 << 0;
    QTest::newRow("tie below a step rounds up to it") << 38.0124995 << 0;
    QTest::newRow("tie above band start") << 38.0000005 << 0;
    QTest::newRow("negative on the raster") << -38.0125 << 0;
    QTest::newRow("negative off the raster") << -38.00625 << 1;
    QTest::newRow("zero") << 0.0 << 0;
    QTest::newRow("beyond 32 bits") << 5000.0 << 1;
    QTest::newRow("largest double") << std::numeric_limits<double>::max() << 1;
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << 1;
    QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << 1;
}

void TestFrequencyEntry::testsTheChannelRaster()
{
    QFETCH(double, mhz);
    QFETCH(int, off);
    if (QByteArray(QTest::currentDataTag()).startsWith("tie"))
        QCOMPARE(mhz * 1e6 - std::floor(mhz * 1e6), 0.5);
    QCOMPARE(int(isOffChannelStep(mhz)), off);
}

QTEST_APPLESS_MAIN(TestFrequencyEntry)
#include "tst_frequencyentry.moc"
