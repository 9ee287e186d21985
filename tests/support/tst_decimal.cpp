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
    QTest::newRow("zero") << "0"
                          << "0";
    QTest::newRow("negative zero") << "-0.00"
                                   << "0";
    QTest::newRow("plus sign") << "+7"
                               << "7";
    QTest::newRow("ten digits") << "9876543210"
                                << "9876543210";
    QTest::newRow("leading zeros") << "00012"
                                   << "12";
    QTest::newRow("trailing fraction zeros") << "1.50"
                                             << "1.5";
    QTest::newRow("negative fraction") << "-12.340"
                                       << "-12.34";
    QTest::newRow("no integer digits") << ".5"
                                       << "0.5";
    QTest::newRow("point without fraction") << "5."
                                            << "5";
    QTest::newRow("small fraction") << "0.0001"
                                    << "0.0001";
    QTest::newRow("exponent") << "1e3"
                              << "1000";
    QTest::newRow("exponent upper case with sign") << "2.5E+2"
                                                   << "250";
    QTest::newRow("negative exponent") << "1.5e-3"
                                       << "0.0015";
    QTest::newRow("exponent cancels fraction") << "1.25e2"
                                               << "125";
    QTest::newRow("zero with huge exponent") << "0e999999"
                                             << "0";
    QTest::newRow("twenty digits") << "12345678901234567890"
                                   << "12345678901234567890";
    QTest::newRow("largest mantissa") << "79228162514264337593543950335"
                                      << "79228162514264337593543950335";
    QTest::newRow("largest negative") << "-79228162514264337593543950335"
                                      << "-79228162514264337593543950335";
    QTest::newRow("largest mantissa with a fraction") << "7922816251426433759354395033.5"
                                                      << "7922816251426433759354395033.5";
    QTest::newRow("largest by exponent") << "1e28"
                                         << "10000000000000000000000000000";
    QTest::newRow("28 places kept") << "0.1234567890123456789012345678"
                                    << "0.1234567890123456789012345678";
    QTest::newRow("smallest step") << "1e-28"
                                   << "0.0000000000000000000000000001";
    // Rounding beyond 28 places: half to even.
    QTest::newRow("29th place half, even stays") << "0.12345678901234567890123456785"
                                                 << "0.1234567890123456789012345678";
    QTest::newRow("29th place half, odd goes up") << "0.12345678901234567890123456775"
                                                  << "0.1234567890123456789012345678";
    QTest::newRow("29th place above half") << "0.12345678901234567890123456786"
                                           << "0.1234567890123456789012345679";
    QTest::newRow("half with more digits goes up") << "0.123456789012345678901234567850001"
                                                   << "0.1234567890123456789012345679";
    QTest::newRow("rounds up into the integer") << "1.99999999999999999999999999999"
                                                << "2";
    QTest::newRow("below half of the last place") << "1e-29"
                                                  << "0";
    QTest::newRow("exactly half of the last place") << "5e-29"
                                                    << "0";
    QTest::newRow("one and a half last places") << "15e-29"
                                                << "0.0000000000000000000000000002";
    QTest::newRow("two and a half last places") << "25e-29"
                                                << "0.0000000000000000000000000002";
    QTest::newRow("far below the last place") << "1e-999999999999"
                                              << "0";
    // Too many significant digits: places are given up until the mantissa holds the value.
    QTest::newRow("places given up for the integer part") << "7922816251426433759354395033.55"
                                                          << "7922816251426433759354395034";
    QTest::newRow("thirty significant digits") << "1.23456789012345678901234567891"
                                               << "1.2345678901234567890123456789";
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
    QTest::newRow("exponent without digits") << "1e" << mismatch;
    QTest::newRow("exponent sign without digits") << "1e+" << mismatch;
    QTest::newRow("double sign") << "--1" << mismatch;
    QTest::newRow("sign inside") << "1-2" << mismatch;
    QTest::newRow("fractional exponent") << "1e5.5" << mismatch;
    QTest::newRow("two exponents") << "1e5e5" << mismatch;
    QTest::newRow("point before exponent only") << ".e1" << mismatch;
    QTest::newRow("one past the largest") << "79228162514264337593543950336" << overflow;
    QTest::newRow("thirty integer digits") << "123456789012345678901234567890" << overflow;
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

  void toDouble_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("fraction") << "1.5" << 1.5;
    QTest::newRow("negative small") << "-0.001" << -0.001;
    QTest::newRow("largest") << "79228162514264337593543950335" << 7.9228162514264337593543950335e28;
    QTest::newRow("zero") << "0" << 0.0;
  }
  void toDouble() {
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(Decimal::parse(text).toDouble(), value);
  }

  void equality() {
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
