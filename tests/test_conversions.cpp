// The number/text conversions the game reads its captions and files with.
#include "text/variant.h"

#include <QTest>
#include <cmath>
#include <limits>

using vb::Variant;

Q_DECLARE_METATYPE(std::optional<double>)
Q_DECLARE_METATYPE(std::optional<qint16>)

class TestConversions : public QObject {
    Q_OBJECT
private slots:
    void numberText_data();
    void numberText();
    void strictNumber_data();
    void strictNumber();
    void leadingNumber_data();
    void leadingNumber();
    void int16FromNumber_data();
    void int16FromNumber();
    void int16FromText_data();
    void int16FromText();
    void formatZero_data();
    void formatZero();
    void variantTextAndNumber();
};

void TestConversions::numberText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole") << 300.0 << "300";
    QTest::newRow("small whole") << 3.0 << "3";
    QTest::newRow("half") << 2.5 << "2.5";
    QTest::newRow("negative") << -7.0 << "-7";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("tenth") << 0.1 << "0.1";
    QTest::newRow("third, 15 digits") << 1.0 / 3 << "0.333333333333333";
    QTest::newRow("largest without exponent") << 999999999999999.0 << "999999999999999";
    QTest::newRow("exponent from 1E+15") << 1e15 << "1E+15";
    QTest::newRow("small without exponent") << 0.0001 << "0.0001";
    QTest::newRow("small with exponent") << 0.00001 << "1E-05";
    QTest::newRow("score sum") << 1111.0 + 1111.0 << "2222";
    QTest::newRow("int16 minimum") << -32768.0 << "-32768";
}

void TestConversions::numberText()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(vb::numberText(value), text);
}

void TestConversions::strictNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<double>>("number");
    const std::optional<double> none;
    QTest::newRow("digits") << "300" << std::optional(300.0);
    QTest::newRow("spaces around") << "  42 " << std::optional(42.0);
    QTest::newRow("leading zeros") << "060" << std::optional(60.0);
    QTest::newRow("minus") << "-5" << std::optional(-5.0);
    QTest::newRow("plus") << "+5" << std::optional(5.0);
    QTest::newRow("fraction") << "2.5" << std::optional(2.5);
    QTest::newRow("bare fraction") << ".5" << std::optional(0.5);
    QTest::newRow("trailing point") << "5." << std::optional(5.0);
    QTest::newRow("exponent") << "1e3" << std::optional(1000.0);
    QTest::newRow("D exponent") << "1D2" << std::optional(100.0);
    QTest::newRow("empty") << "" << none;
    QTest::newRow("blank") << "   " << none;
    QTest::newRow("word") << "abc" << none;
    QTest::newRow("number then text") << "12abc" << none;
    QTest::newRow("space inside") << "1 2" << none;
    QTest::newRow("thousands separator") << "1,000" << none;
    QTest::newRow("sign alone") << "-" << none;
    QTest::newRow("full-width digits") << "１２" << none;
    QTest::newRow("overflow") << "1e999" << none;
}

void TestConversions::strictNumber()
{
    QFETCH(QString, text);
    QFETCH(std::optional<double>, number);
    QCOMPARE(vb::strictNumber(text), number);
}

void TestConversions::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("number");
    QTest::newRow("digits") << "1000" << 1000.0;
    QTest::newRow("leading spaces, trailing text") << "  12abc" << 12.0;
    QTest::newRow("spaces inside are ignored") << "1 2 3" << 123.0;
    QTest::newRow("no number") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("negative") << "-5x" << -5.0;
    QTest::newRow("sign then spaces") << " - 7" << -7.0;
    QTest::newRow("second point ends it") << "3.5.1" << 3.5;
    QTest::newRow("exponent") << "1e2x" << 100.0;
    QTest::newRow("incomplete exponent") << "1ex" << 1.0;
    QTest::newRow("full-width digits") << "１２" << 0.0;
    QTest::newRow("sign alone") << "+" << 0.0;
    QTest::newRow("point alone") << "." << 0.0;
    QTest::newRow("name") << "Zadrevik" << 0.0;
}

void TestConversions::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, number);
    QCOMPARE(vb::leadingNumber(text), number);
}

void TestConversions::int16FromNumber_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<std::optional<qint16>>("result");
    const std::optional<qint16> none;
    QTest::newRow("9.5 to even 10") << 9.5 << std::optional<qint16>(10);
    QTest::newRow("8.5 to even 8") << 8.5 << std::optional<qint16>(8);
    QTest::newRow("0.5 to 0") << 0.5 << std::optional<qint16>(0);
    QTest::newRow("1.5 to 2") << 1.5 << std::optional<qint16>(2);
    QTest::newRow("-0.5 to 0") << -0.5 << std::optional<qint16>(0);
    QTest::newRow("-1.5 to -2") << -1.5 << std::optional<qint16>(-2);
    QTest::newRow("2.4 down") << 2.4 << std::optional<qint16>(2);
    QTest::newRow("2.6 up") << 2.6 << std::optional<qint16>(3);
    QTest::newRow("maximum") << 32767.0 << std::optional<qint16>(32767);
    QTest::newRow("just under the half above") << 32767.4 << std::optional<qint16>(32767);
    QTest::newRow("rounds past the maximum") << 32767.5 << none;
    QTest::newRow("minimum") << -32768.0 << std::optional<qint16>(-32768);
    QTest::newRow("half below minimum goes to even") << -32768.5 << std::optional<qint16>(-32768);
    QTest::newRow("below minimum") << -32769.0 << none;
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << none;
    QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << none;
}

void TestConversions::int16FromNumber()
{
    QFETCH(double, value);
    QFETCH(std::optional<qint16>, result);
    QCOMPARE(vb::toInt16(value), result);
}

void TestConversions::int16FromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<qint16>>("result");
    const std::optional<qint16> none;
    QTest::newRow("digit") << "9" << std::optional<qint16>(9);
    QTest::newRow("half") << "9.5" << std::optional<qint16>(10);
    QTest::newRow("spaces") << " 7 " << std::optional<qint16>(7);
    QTest::newRow("empty") << "" << none;
    QTest::newRow("word") << "x" << none;
    QTest::newRow("too large") << "40000" << none;
    QTest::newRow("zero") << "0" << std::optional<qint16>(0);
}

void TestConversions::int16FromText()
{
    QFETCH(QString, text);
    QFETCH(std::optional<qint16>, result);
    QCOMPARE(vb::toInt16(text), result);
}

void TestConversions::formatZero_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("10000 / 9") << 10000.0 / 9 << "1111";
    QTest::newRow("half up") << 1666.5 << "1667";
    QTest::newRow("another half up") << 2777.5 << "2778";
    QTest::newRow("312.5") << 312.5 << "313";
    QTest::newRow("0.5") << 0.5 << "1";
    QTest::newRow("just below half") << 1.4999 << "1";
    QTest::newRow("negative half away from zero") << -0.5 << "-1";
    QTest::newRow("negative 1.5") << -1.5 << "-2";
    QTest::newRow("small negative is 0") << -0.4 << "0";
    QTest::newRow("whole") << 10000.0 << "10000";
    QTest::newRow("bonus of 299 s") << 1111 * (300.0 / 299) << "1115";
}

void TestConversions::formatZero()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(vb::formatZero(value), text);
}

void TestConversions::variantTextAndNumber()
{
    QCOMPARE(Variant().toText(), QString());
    QCOMPARE(Variant().toNumber(), std::optional(0.0));
    QCOMPARE(Variant(300.0).toText(), QStringLiteral("300"));
    QCOMPARE(Variant("060").toText(), QStringLiteral("060"));
    QCOMPARE(Variant("060").toNumber(), std::optional(60.0));
    QCOMPARE(Variant("abc").toNumber(), std::optional<double>());
    QCOMPARE(Variant("").toNumber(), std::optional<double>());  // "" is a text, not empty
    QVERIFY(Variant("300") != Variant(300.0));
    QVERIFY(Variant(300.0) == Variant(300.0));
    QVERIFY(Variant() == Variant());
    QVERIFY(Variant("") != Variant());
}

QTEST_APPLESS_MAIN(TestConversions)
#include "test_conversions.moc"
