// New identifiers of the mail tables taken from two workstations on one store (two connections):
// a number both desks read as free goes to one of them, the other takes the next; many
// simultaneous creations give distinct numbers 1 to n.
#include "mail/mail_ids.h"
#include "store/schema.h"
#include "test_store.h"

#include <QSet>
#include <QTest>

#include <thread>

using namespace kestrel;
using namespace kestrel::mail;
using kestrel::testing::TestStore;

namespace {

void createTables(BaseComponent& base) {
  for (const QString& statement : ModuleTableStatements()) base.ConQuery(statement);
}

QList<int> userIds(BaseComponent& base) {
  std::unique_ptr<Recordset> rs;
  base.RecordsetQuery(rs, "SELECT UserID FROM WebMailUser ORDER BY UserID", base.DBObj(), 0, 1);
  QList<int> ids;
  for (; !rs->Eof(); rs->MoveNext()) ids << rs->Value(0).toInt();
  return ids;
}

}  // namespace

class TstMailIds : public QObject {
  Q_OBJECT

 private slots:
  void init() { store_ = std::make_unique<TestStore>(); }

  void aNumberReadByBothDesksGoesToOne() {
    auto deskA = store_->makeBase(), deskB = store_->makeBase();
    createTables(*deskA);
    deskA->ConQuery(ClaimTableStatement);
    // Both read the largest UserID (none yet) before either inserts.
    QCOMPARE(GetMaxID(*deskA, u"WebMailUser", u"UserID"), 0);
    QCOMPARE(GetMaxID(*deskB, u"WebMailUser", u"UserID"), 0);
    QCOMPARE(ClaimIdentifier(*deskA, u"WebMailUser", 1), 1);
    QCOMPARE(ClaimIdentifier(*deskB, u"WebMailUser", 1), 2);
    // Each table counts on its own.
    QCOMPARE(ClaimIdentifier(*deskB, u"WebMailDomain", 1), 1);
  }

  void numberingAsTheUserKnowsIt() {
    auto base = store_->makeBase();
    createTables(*base);
    QCOMPARE(TakeIdentifier(*base, u"WebMailUser", u"UserID", u"test"), 1);
    base->ConQuery("INSERT INTO WebMailUser(DomainID, UserID, sUserNm, sPassword) VALUES(1, 1, 'a', 'p')");
    // Rows stored before the claims existed (an older store) still count.
    base->ConQuery("INSERT INTO WebMailUser(DomainID, UserID, sUserNm, sPassword) VALUES(2, 7, 'b', 'p')");
    QCOMPARE(TakeIdentifier(*base, u"WebMailUser", u"UserID", u"test"), 8);
    // A number freed by a delete is not given out again.
    base->ConQuery("DELETE FROM WebMailUser WHERE UserID=7");
    QCOMPARE(TakeIdentifier(*base, u"WebMailUser", u"UserID", u"test"), 9);
    QCOMPARE(TakeIdentifier(*base, u"WebEMailAc", u"ID", u"test"), 1);
  }

  void simultaneousDesksGetDistinctNumbers() {
    {
      auto base = store_->makeBase();
      createTables(*base);
    }
    constexpr int PerDesk = 25;
    std::atomic<int> failures = 0;
    const auto desk = [&](const char* name) {
      try {
        auto base = store_->makeBase();
        for (int i = 0; i < PerDesk; ++i) {
          const int id = TakeIdentifier(*base, u"WebMailUser", u"UserID", u"test");
          base->ConQuery(
              QStringLiteral("INSERT INTO WebMailUser(DomainID, UserID, sUserNm, sPassword )VALUES(1,%1,"
                             "'%2%3','p')")
                  .arg(id)
                  .arg(QLatin1String(name))
                  .arg(i));
        }
      } catch (const std::exception&) {
        ++failures;
      }
    };
    std::thread a(desk, "a"), b(desk, "b");
    a.join();
    b.join();
    QCOMPARE(failures.load(), 0);
    auto base = store_->makeBase();
    const QList<int> ids = userIds(*base);
    QCOMPARE(ids.size(), 2 * PerDesk);
    QCOMPARE(QSet<int>(ids.begin(), ids.end()).size(), 2 * PerDesk);
    QCOMPARE(ids.front(), 1);
    QCOMPARE(ids.back(), 2 * PerDesk);
  }

 private:
  std::unique_ptr<TestStore> store_;
};

QTEST_GUILESS_MAIN(TstMailIds)
#include "tst_mail_ids.moc"
