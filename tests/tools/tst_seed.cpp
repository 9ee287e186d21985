#include "demo_data.h"
#include "register/client_rows.h"
#include "test_store.h"

#include <QRegularExpression>
#include <QTest>

#include <algorithm>

using namespace kestrel;
using namespace kestrel::demo;
using namespace kestrel::testing;

namespace {

const QString AllCodes = QStringLiteral("SELECT Code FROM Owner1 UNION SELECT Code_No FROM Main_Info1");
const QString Year0 =
    QStringLiteral("SELECT %1 FROM OnlineRegInfo WHERE AsYr=0 AND Code_No <> '#?#COMMON#?#'");

std::vector<DemoClient> generate(int count, quint64 seed) {
  DemoGenerator generator(seed);
  std::vector<DemoClient> clients;
  for (int i = 0; i < count; ++i) clients.push_back(generator.next());
  return clients;
}

}  // namespace

class TestSeed : public QObject {
  Q_OBJECT

  std::unique_ptr<TestStore> store_;
  std::shared_ptr<VelBase> base_;
  SeedSummary summary_;

  QStringList column(const QString& sql) {
    std::unique_ptr<Recordset> rs;
    base_->RecordsetQuery(rs, sql, base_->DBObj(), ado::adOpenForwardOnly, ado::adLockReadOnly);
    QStringList values;
    for (; !rs->Eof(); rs->MoveNext()) values << rs->Text(0);
    return values;
  }

 private slots:
  void initTestCase() {
    store_ = std::make_unique<TestStore>();
    base_ = store_->makeBase();
    summary_ = SeedDemoStore(base_->store(), 100, 42, false);
  }

  void sameSeedSameClients() {
    const auto a = generate(500, 7);
    QVERIFY(a == generate(500, 7));
    QVERIFY(a != generate(500, 8));
  }

  void seedsTheRequestedClients() {
    QCOMPARE(summary_.clients, 100);
    QCOMPARE(column(AllCodes).size(), 100);
    QCOMPARE(summary_.individuals + summary_.others - summary_.inBothTables, 100);
    QCOMPARE(column(QStringLiteral("SELECT COUNT(*) FROM OnlineRegInfo")).value(0).toInt(),
             summary_.registrations);
    // The loader's statement runs and returns each year-0 client once per client table.
    QCOMPARE(column(ClientListStatement()).size(), 100 - summary_.withoutYear0 + summary_.inBothTables);
  }

  void storeMatchesGenerator() {
    // What reaches the store is what the generator made, non-ASCII names included.
    QStringList expected, stored;
    for (const DemoClient& c : generate(100, 42))
      if (c.owner)
        expected << QStringList{c.owner->Code, c.owner->f_Nm, c.owner->m_Nm, c.owner->l_nm, c.owner->Dob}
                        .join(u'|');
    std::unique_ptr<Recordset> rs;
    base_->RecordsetQuery(rs, QStringLiteral("SELECT * FROM Owner1 ORDER BY Code"), base_->DBObj(), 0, 1);
    for (; !rs->Eof(); rs->MoveNext())
      stored << QStringList{rs->Text(u"Code"), rs->Text(u"f_Nm"), rs->Text(u"m_Nm"), rs->Text(u"l_nm"),
                            rs->Text(u"Dob")}
                    .join(u'|');
    QCOMPARE(stored, expected);
  }

  void refusesToSeedOverClients() {
    SqlStore store(store_->connectionString());
    // Seeding over existing clients is refused unless asked to reset.
    QVERIFY_THROWS_EXCEPTION(RuntimeError, SeedDemoStore(store, 10, 1, false));
    QCOMPARE(column(QStringLiteral("SELECT COUNT(*) FROM Owner1")).value(0).toInt(), summary_.individuals);
  }

  void everyShapeIsPresent_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("pattern");  // at least one value must match
    QTest::newRow("individual, PAN H") << "SELECT Pan FROM Owner1"
                                       << "^[A-Z]{3}H[A-Z][0-9]{4}[A-Z]$";
    QTest::newRow("Tamil name") << "SELECT f_Nm FROM Owner1"
                                << "[\\x{0B80}-\\x{0BFF}]";
    QTest::newRow("LoginPwd COMMON") << Year0.arg(u"LoginPwd") << "^#\\?#COMMON#\\?#$";
    QTest::newRow("LoginPwd with quote or backslash") << Year0.arg(u"LoginPwd") << "['\\\\]";
    QTest::newRow("MobNo MOBNO with blanks") << Year0.arg(u"MobNo") << "^ +#\\?#MOBNO#\\?# *$";
    QTest::newRow("EmailId1 truncated") << Year0.arg(u"EmailId1") << "^[^|]*(\\|[^|]*){1,9}$";
    QTest::newRow("non-resident") << Year0.arg(u"EmailId1") << "^([^|]*\\|){5}NR(\\||$)";
  }
  void everyShapeIsPresent() {
    QFETCH(QString, sql);
    QFETCH(QString, pattern);
    const QRegularExpression re(pattern);
    QVERIFY2(std::ranges::any_of(column(sql), [&](const QString& v) { return re.match(v).hasMatch(); }),
             qPrintable(QStringLiteral("no value of \"%1\" matches %2").arg(sql, pattern)));
  }

  void resetReplacesTheClients() {
    SqlStore store(store_->connectionString());
    const SeedSummary again = SeedDemoStore(store, 30, 5, true);
    QCOMPARE(again.clients, 30);
    QCOMPARE(column(AllCodes).size(), 30);
    QCOMPARE(
        column(QStringLiteral("SELECT COUNT(*) FROM OnlineRegInfo WHERE Code_No='#?#COMMON#?#'")).value(0),
        QStringLiteral("1"));
  }

  void mailDomainOnTheSimulatorOnce() {
    SqlStore store(store_->connectionString());
    QVERIFY(
        SeedDemoMailDomain(store, QStringLiteral("127.0.0.1:18444"), QStringLiteral("demo-firm.example.in")));
    QVERIFY(!SeedDemoMailDomain(store, QStringLiteral("127.0.0.1:1"), QStringLiteral("other.example.in")));
    QCOMPARE(column(QStringLiteral("SELECT * FROM WebMailDomain")), QStringList{QStringLiteral("1")});
    QCOMPARE(column(QStringLiteral("SELECT sUrl FROM WebMailDomain")),
             QStringList{QStringLiteral("127.0.0.1:18444")});
  }
};

QTEST_MAIN(TestSeed)
#include "tst_seed.moc"
