// The journal of confirmed updates: what survives a store that fails after the portal confirmed.
#include "portal/confirmed_updates.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kestrel;

namespace {
// One step of a journal's history: a client confirmed, its latest confirmation saved, or a line
// cut off by a crash.
enum class Step { Confirm, Save, Tear };
struct Event {
  Step step;
  int client = 0;
};
using History = QList<Event>;
// Codes and values that a file of one record per line must carry unharmed.
const QString Clients[] = {"o'neil\\'x\"@x.in\\\n\r\t", QString::fromUtf16(u"\"}\n{\"saved\":\0", 13),
                           QString::fromUtf8("आशा😀")};
}  // namespace

Q_DECLARE_METATYPE(History)

class TestConfirmedUpdates : public QObject {
  Q_OBJECT

 private slots:
  // A client's latest confirmation counts until it is saved, its values exactly as given; a torn
  // line loses only itself; compacting keeps exactly what is pending, in a file for its owner.
  void pendingConfirmations_data() {
    QTest::addColumn<History>("history");
    QTest::addColumn<QList<int>>("pending");  // the steps whose confirmations are pending
    const Event a{Step::Confirm, 0}, b{Step::Confirm, 1}, c{Step::Confirm, 2}, saveA{Step::Save, 0};
    QTest::newRow("three clients") << History{a, b, c} << QList<int>{0, 1, 2};
    QTest::newRow("one of two saved") << History{a, b, saveA} << QList<int>{1};
    QTest::newRow("confirmed again after saving") << History{a, saveA, a} << QList<int>{2};
    QTest::newRow("an older one superseded") << History{a, a, saveA} << QList<int>{};
    QTest::newRow("in the order of the latest") << History{a, b, a} << QList<int>{1, 2};
    QTest::newRow("torn line between") << History{a, {Step::Tear}, b} << QList<int>{0, 2};
  }
  void pendingConfirmations() {
    QFETCH(History, history);
    QFETCH(QList<int>, pending);
    QTemporaryDir home;
    ConfirmedUpdateJournal journal(ConfirmedUpdateJournal::pathIn(home.path()));
    std::vector<ConfirmedUpdate> made;
    QHash<int, QString> latest;  // client -> id of its latest confirmation
    for (const Event& e : history) {
      const QString& v = Clients[e.client];
      made.push_back({{}, v, v + "name", {v + QString::number(made.size()), v + "1", "|" + v, v + "2"}});
      if (e.step == Step::Confirm)
        journal.addConfirmed(made.back()), latest[e.client] = made.back().id;
      else if (e.step == Step::Save)
        journal.markSaved(latest[e.client]);
      else if (QFile f(journal.path()); f.open(QIODevice::Append))
        f.write("{\"confirmed\":\"x\",\"code\":\"Z\",\"Ema");
    }
    for (int pass = 0; pass < 2; ++pass, journal.compact()) {
      const std::vector<ConfirmedUpdate> open = journal.pending();
      QCOMPARE(open.size(), size_t(pending.size()));
      for (size_t i = 0; i < open.size(); ++i) {
        const ConfirmedUpdate& expected = made[size_t(pending[int(i)])];
        QVERIFY(open[i].id == expected.id && open[i].code == expected.code && open[i].name == expected.name);
        QVERIFY(open[i].values == expected.values);
      }
    }
    QCOMPARE(QFile::exists(journal.path()), !pending.isEmpty());
    const QFile::Permissions user = QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;
    if (!pending.isEmpty())
      QCOMPARE(QFile::permissions(journal.path()) & ~user, QFile::ReadOwner | QFile::WriteOwner);
  }
};

QTEST_GUILESS_MAIN(TestConfirmedUpdates)
#include "tst_confirmed_updates.moc"
