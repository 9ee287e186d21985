#include "support/decimal.h"
#include "support/runtime_error.h"

#include <QTest>

using namespace kestrel;

class TestDecimal : public QObject {
  Q_OBJECT

 private slots:
  void readsBack_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("digits");
    const auto row = [](const char* name, const char* text, const char* digits) {
      QTest::newRow(name) << QString::fromLatin1(text) << QString::fromLatin1(digits);
    };
    row("negative zero", "-0.00", "0");
    row("plus sign", "+7", "7");
    row("leading zeros", "00012", "12");
    row("negative, trailing fraction zeros", "-12.340", "-12.34");
    row("no integer digits", ".5", "0.5");
    row("point without fraction", "5.", "5");
    row("small fraction", "0.0001", "0.0001");
    row("exponent upper case with sign", "2.5E+2", "250");
    row("negative exponent", "1.5e-3", "0.0015");
    row("exponent cancels fraction", "1.25e2", "125");
    row("zero with huge exponent", "0e999999", "0");
    row("twenty digits", "12345678901234567890", "12345678901234567890");
    row("largest mantissa", "79228162514264337593543950335", "79228162514264337593543950335");
    row("largest negative", "-79228162514264337593543950335", "-79228162514264337593543950335");
    row("largest mantissa with a fraction", "7922816251426433759354395033.5",
        "7922816251426433759354395033.5");
    row("largest by exponent", "1e28", "10000000000000000000000000000");
    row("28 places kept", "0.1234567890123456789012345678", "0.1234567890123456789012345678");
    row("smallest step", "1e-28", "0.0000000000000000000000000001");
    // Rounding beyond 28 places: half to even.
    row("29th place half, even stays", "0.12345678901234567890123456785", "0.1234567890123456789012345678");
    row("29th place half, odd goes up", "0.12345678901234567890123456775", "0.1234567890123456789012345678");
    row("29th place above half", "0.12345678901234567890123456786", "0.1234567890123456789012345679");
    row("half with more digits goes up", "0.123456789012345678901234567850001",
        "0.1234567890123456789012345679");
    row("rounds up into the integer", "1.99999999999999999999999999999", "2");
    row("exactly half of the last place", "5e-29", "0");
    row("one and a half last places", "15e-29", "0.0000000000000000000000000002");
    row("two and a half last places", "25e-29", "0.0000000000000000000000000002");
    row("far below the last place", "1e-999999999999", "0");
    // Too many significant digits: places are given up until the mantissa holds the value.
    row("places given up for the integer part", "7922816251426433759354395033.55",
        "7922816251426433759354395034");
    row("thirty significant digits", "1.23456789012345678901234567891", "1.2345678901234567890123456789");
  }
  void readsBack() {
    QFETCH(QString, text);
    QFETCH(QString, digits);
    QCOMPARE(Decimal::parse(text).toString(), digits);
  }

  void refuses_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("number");
    const int mismatch = int(errnum::TypeMismatch);
    const int overflow = int(errnum::Overflow);
    QTest::newRow("empty") << "" << mismatch;
    QTest::newRow("sign only") << "-" << mismatch;
    QTest::newRow("point only") << "." << mismatch;
    QTest::newRow("two points") << "1.2.3" << mismatch;
    QTest::newRow("exponent only") << "e5" << mismatch;
    QTest::newRow("exponent sign without digits") << "1e+" << mismatch;
    QTest::newRow("double sign") << "--1" << mismatch;
    QTest::newRow("sign inside") << "1-2" << mismatch;
    QTest::newRow("fractional exponent") << "1e5.5" << mismatch;
    QTest::newRow("two exponents") << "1e5e5" << mismatch;
    QTest::newRow("point before exponent only") << ".e1" << mismatch;
    QTest::newRow("one past the largest") << "79228162514264337593543950336" << overflow;
    QTest::newRow("exponent too large") << "1e29" << overflow;
    QTest::newRow("huge exponent") << "1e999999999999" << overflow;
    QTest::newRow("negative too large") << "-8e28" << overflow;
  }
  void refuses() {
    QFETCH(QString, text);
    QFETCH(int, number);
    try {
      Decimal::parse(text);
      QFAIL("no error raised");
    } catch (const RuntimeError& e) {
      QCOMPARE(e.number(), long(number));
      QCOMPARE(e.description(),
               number == errnum::Overflow ? QStringLiteral("Overflow") : QStringLiteral("Type mismatch"));
    }
  }

  void conversions() {
    QCOMPARE(Decimal::parse(u"-0.001").toDouble(), -0.001);
    QCOMPARE(Decimal::parse(u"79228162514264337593543950335").toDouble(), 7.9228162514264337593543950335e28);
    QCOMPARE(Decimal::parse(u"1.50"), Decimal::parse(u"1.5"));
    QCOMPARE(Decimal::parse(u"-3.0"), Decimal(-3));
    QCOMPARE(Decimal::parse(u"-0"), Decimal(0));
    QVERIFY(Decimal::parse(u"1.5") != Decimal(15));
    QVERIFY(Decimal::parse(u"-1") != Decimal(1));
    QCOMPARE(Decimal(std::numeric_limits<std::int64_t>::min()).toString(),
             QStringLiteral("-9223372036854775808"));
  }
};

QTEST_GUILESS_MAIN(TestDecimal)
#include "tst_decimal.moc"
