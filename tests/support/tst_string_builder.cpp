#include "support/runtime_error.h"
#include "support/string_builder.h"

#include <QTest>

using namespace kestrel;

class TestStringBuilder : public QObject {
  Q_OBJECT

 private slots:
  void singleCharacters() {
    StringBuilder b;
    QString expected;
    for (int i = 0; i < 8193; ++i) {
      const QChar c(u'a' + i % 26);
      b.Append(c);
      expected += c;
    }
    QCOMPARE(b.Capacity(), 16384 * 2);
    QCOMPARE(b.Length(), 8193 * 2);
    QCOMPARE(b.toString(), expected);
  }

  // Pieces appended one after the other, in code units, and the capacity in bytes after all.
  void growsInWholeSteps_data() {
    QTest::addColumn<QList<int>>("pieces");
    QTest::addColumn<int>("capacity");
    QTest::newRow("one unit") << QList<int>{1} << 16384;
    QTest::newRow("exactly one step") << QList<int>{8192} << 16384;
    QTest::newRow("one unit past a step") << QList<int>{8192, 1} << 32768;
    QTest::newRow("long text at once") << QList<int>{20000} << 49152;
    QTest::newRow("long text after a short one") << QList<int>{100, 20000} << 49152;
    QTest::newRow("empty pieces cost nothing") << QList<int>{0, 0, 0} << 0;
  }
  void growsInWholeSteps() {
    QFETCH(QList<int>, pieces);
    QFETCH(int, capacity);
    StringBuilder b;
    QString expected;
    for (int n : pieces) {
      const QString piece(n, QChar(char16_t(u'0' + expected.size() % 10)));
      b.Append(piece);
      expected += piece;
    }
    QCOMPARE(b.Capacity(), capacity);
    QCOMPARE(b.Length(), int(expected.size() * 2));
    QCOMPARE(b.toString(), expected);
  }

  void clearKeepsBuffer() {
    StringBuilder b;
    b.Append(QString(9000, u'x'));
    b.Clear();
    QCOMPARE(b.toString(), QString());
    b.Append(u"ab");
    QCOMPARE(b.toString(), QStringLiteral("ab"));
    QCOMPARE(b.Capacity(), 32768);
  }

  // The size check comes before any memory is touched, so a view that claims more than it
  // holds is enough to reach the limits without allocating gigabytes.
  void overflow_data() {
    QTest::addColumn<qsizetype>("units");
    // Two code units (4 bytes) are in the builder already.
    QTest::newRow("used length fits, capacity would not") << qsizetype(1073741821);
    QTest::newRow("used length one byte past the range") << qsizetype(1073741822);
    QTest::newRow("text alone far beyond the range") << (qsizetype(1) << 40);
  }
  void overflow() {
    QFETCH(qsizetype, units);
    StringBuilder b;
    b.Append(u"ab");
    const char16_t dummy[1] = {u'x'};
    try {
      b.Append(QStringView(dummy, units));
      QFAIL("no overflow raised");
    } catch (const RuntimeError& e) {
      QCOMPARE(e.number(), errnum::Overflow);
      QCOMPARE(e.description(), QStringLiteral("Overflow"));
    }
    QCOMPARE(b.toString(), QStringLiteral("ab"));
    QCOMPARE(b.Capacity(), 16384);
  }
};

QTEST_GUILESS_MAIN(TestStringBuilder)
#include "tst_string_builder.moc"
