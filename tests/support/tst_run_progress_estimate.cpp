#include "support/run_progress_estimate.h"

#include <QTest>

using namespace kestrel;

namespace {

// A run of `total` items whose items finished at the given seconds after its start (several at
// one second are reported at once), looked at `now` seconds after its start.
struct Finishes {
  int total;
  QList<double> finishedAt;
  double now;
  const char* count;
  int percent;
  const char* left;
};

}  // namespace

Q_DECLARE_METATYPE(Finishes)

class TestRunProgressEstimate : public QObject {
  Q_OBJECT

 private slots:
  void estimate_data() {
    QTest::addColumn<Finishes>("c");
    // clang-format off
    QTest::newRow("nothing done yet") << Finishes{10, {}, 50, "0 of 10 clients done", 0, ""};
    QTest::newRow("two done: too early to tell") << Finishes{10, {60, 120}, 120, "2 of 10 clients done", 20, ""};
    QTest::newRow("three a minute apart: seven minutes for seven") << Finishes{10, {60, 120, 180}, 180, "3 of 10 clients done", 30, "about 7 min left"};
    QTest::newRow("the client under way counts down") << Finishes{10, {60, 120, 180}, 225, "3 of 10 clients done", 30, "about 6 min left"};
    QTest::newRow("an overdue client stops the count down") << Finishes{10, {60, 120, 180}, 900, "3 of 10 clients done", 30, "about 6 min left"};
    QTest::newRow("a slow client moves the pace a quarter of the way") << Finishes{11, {60, 120, 180, 340}, 340, "4 of 11 clients done", 36, "about 10 min left"};
    QTest::newRow("four sessions reporting together") << Finishes{20, {120, 120, 120, 120}, 120, "4 of 20 clients done", 20, "about 8 min left"};
    QTest::newRow("under a minute") << Finishes{5, {10, 20, 30}, 30, "3 of 5 clients done", 60, "less than a minute left"};
    QTest::newRow("past an hour, to five minutes") << Finishes{200, {60, 120, 180}, 180, "3 of 200 clients done", 1, "about 3 h 15 min left"};
    QTest::newRow("whole hours") << Finishes{123, {60, 120, 180}, 180, "3 of 123 clients done", 2, "about 2 h left"};
    QTest::newRow("all done") << Finishes{3, {1, 2, 3}, 3, "3 of 3 clients done", 100, ""};
    QTest::newRow("a run of nothing") << Finishes{0, {}, 0, "0 of 0 clients done", 0, ""};
    // clang-format on
  }
  void estimate() {
    QFETCH(Finishes, c);
    double now = 0;
    RunProgressEstimate estimate([&now] { return std::int64_t(now * 1000); });
    estimate.start(c.total);
    for (int i = 0; i < c.finishedAt.size(); ++i) {
      now = c.finishedAt[i];
      if (i + 1 < c.finishedAt.size() && c.finishedAt[i + 1] == now)
        continue;
      estimate.setDone(i + 1);
    }
    now = c.now;
    QCOMPARE(estimate.countText(QStringLiteral("clients")), QString::fromLatin1(c.count));
    QCOMPARE(estimate.percent(), c.percent);
    QCOMPARE(estimate.remainingText(), QString::fromLatin1(c.left));
  }

  void durationText_data() {
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<QString>("text");
    QTest::newRow("nothing") << qint64(0) << QStringLiteral("0 s");
    QTest::newRow("rounded to the second") << qint64(44'600) << QStringLiteral("45 s");
    QTest::newRow("minutes and seconds") << qint64(192'000) << QStringLiteral("3 min 12 s");
    QTest::newRow("hours, minutes in two digits") << qint64(3'900'000) << QStringLiteral("1 h 05 min");
  }
  void durationText() {
    QFETCH(qint64, ms);
    QFETCH(QString, text);
    QCOMPARE(RunProgressEstimate::durationText(ms), text);
  }
};

QTEST_MAIN(TestRunProgressEstimate)
#include "tst_run_progress_estimate.moc"
