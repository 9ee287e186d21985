#include "demo_data.h"
#include "test_store.h"

#include <QRegularExpression>
#include <QTest>

#include <algorithm>

using namespace kestrel;
using namespace kestrel::demo;
using namespace kestrel::testing;

namespace {

// The client loader's statement: every client with its year-0 registration row.
const QString ClientList = QStringLiteral(
    "SELECT R.*, O.Code as CodeNo, O.f_Nm, O.m_Nm, O.l_nm, O.Dob, O.Pan, O.Mobile as GMob, O.Mobile as "
    "GMob2, "
    "O.Email as GMail  FROM Owner1 as O INNER JOIN OnLineRegInfo as R ON R.Code_No = O.Code AND R.AsYr=0 "
    "UNION ALL SELECT R.*, M.Code_No as CodeNo, '' as f_Nm, '' as m_Nm, M.nm as l_nm, M.DOI as dob, M.Pan, "
    "'NOPH' as GMob, M.Phone4 as GMob2, M.Email as GMail  FROM Main_Info1 as M INNER JOIN OnLineRegInfo as R "
    "ON R.Code_No = M.Code_No AND R.AsYr=0 ORDER BY CodeNo");

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
    const QStringList codes =
        column(QStringLiteral("SELECT Code FROM Owner1 UNION SELECT Code_No FROM Main_Info1"));
    QCOMPARE(codes.size(), 100);
    QCOMPARE(column(QStringLiteral("SELECT COUNT(*) FROM Owner1")).value(0).toInt(), summary_.individuals);
    QCOMPARE(column(QStringLiteral("SELECT COUNT(*) FROM Main_Info1")).value(0).toInt(), summary_.others);
    QCOMPARE(summary_.individuals + summary_.others - summary_.inBothTables, 100);
    QCOMPARE(column(QStringLiteral("SELECT COUNT(*) FROM OnlineRegInfo")).value(0).toInt(),
             summary_.registrations);
    QCOMPARE(column(QStringLiteral("SELECT COUNT(DISTINCT Code_No) FROM OnlineRegInfo WHERE AsYr=0"))
                 .value(0)
                 .toInt(),
             100 - summary_.withoutYear0 + 1);
    // The loader's statement runs and returns each year-0 client once per client table.
    QCOMPARE(column(ClientList).size(), 100 - summary_.withoutYear0 + summary_.inBothTables);
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
    try {
      SeedDemoStore(store, 10, 1, false);
      QFAIL("seeding a store that holds clients must be refused without reset");
    } catch (const RuntimeError&) {
    }
    QCOMPARE(column(QStringLiteral("SELECT COUNT(*) FROM Owner1")).value(0).toInt(), summary_.individuals);
  }

  void everyShapeIsPresent_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("pattern");  // at least one value must match
    const QString common = QStringLiteral("^#\\?#COMMON#\\?#$");
    QTest::newRow("individual, PAN H") << "SELECT Pan FROM Owner1"
                                       << "^[A-Z]{3}H[A-Z][0-9]{4}[A-Z]$";
    QTest::newRow("other, PAN T") << "SELECT Pan FROM Main_Info1"
                                  << "^[A-Z]{3}T[A-Z][0-9]{4}[A-Z]$";
    QTest::newRow("code in both tables")
        << "SELECT O.Code FROM Owner1 O INNER JOIN Main_Info1 M ON M.Code_No = O.Code"
        << ".";
    QTest::newRow("Tamil name") << "SELECT f_Nm FROM Owner1"
                                << "[\\x{0B80}-\\x{0BFF}]";
    QTest::newRow("Hindi firm") << "SELECT nm FROM Main_Info1"
                                << "[\\x{0900}-\\x{097F}]";
    QTest::newRow("null middle name") << "SELECT Code FROM Owner1 WHERE m_Nm IS NULL"
                                      << ".";
    QTest::newRow("common row")
        << "SELECT LoginPwd FROM OnlineRegInfo WHERE AsYr=0 AND Code_No='#?#COMMON#?#'"
        << "^Firm@2024$";
    QTest::newRow("LoginPwd COMMON") << Year0.arg(u"LoginPwd") << common;
    QTest::newRow("LoginPwd PAN") << Year0.arg(u"LoginPwd") << "^#\\?#PAN#\\?#$";
    QTest::newRow("LoginPwd with quote or backslash") << Year0.arg(u"LoginPwd") << "['\\\\]";
    QTest::newRow("TelNo landline") << Year0.arg(u"TelNo") << "^0[0-9]{2,3}-[0-9]{6,8}$";
    QTest::newRow("MobNo MOBNO with blanks") << Year0.arg(u"MobNo") << "^ +#\\?#MOBNO#\\?# *$";
    QTest::newRow("MobNo1 COMMON") << Year0.arg(u"MobNo1") << common;
    QTest::newRow("EmailID EMAILID") << Year0.arg(u"EmailID") << "^#\\?#EMAILID#\\?#$";
    QTest::newRow("EmailId1 null") << Year0.arg(u"Code_No") + QStringLiteral(" AND EmailId1 IS NULL") << ".";
    QTest::newRow("EmailId1 address only") << Year0.arg(u"EmailId1") << "^[^|]+@[^|]+$";
    QTest::newRow("EmailId1 truncated") << Year0.arg(u"EmailId1") << "^[^|]*(\\|[^|]*){1,9}$";
    QTest::newRow("EmailId1 element 0 EMAILID") << Year0.arg(u"EmailId1") << "^#\\?#EMAILID#\\?#(\\||$)";
    QTest::newRow("non-resident") << Year0.arg(u"EmailId1") << "^([^|]*\\|){5}NR(\\||$)";
    QTest::newRow("foreign ISD") << Year0.arg(u"EmailId1") << "^([^|]*\\|){10}(971|1|44|65|61|974)$";
    QTest::newRow("no year-0 row")
        << "SELECT R.Code_No FROM OnlineRegInfo R WHERE R.AsYr = 2024 AND NOT EXISTS "
           "(SELECT 1 FROM OnlineRegInfo Y WHERE Y.Code_No = R.Code_No AND Y.AsYr = 0)"
        << ".";
  }
  void everyShapeIsPresent() {
    QFETCH(QString, sql);
    QFETCH(QString, pattern);
    const QRegularExpression re(pattern);
    QVERIFY(re.isValid());
    const QStringList values = column(sql);
    QVERIFY2(
        std::any_of(values.begin(), values.end(), [&](const QString& v) { return re.match(v).hasMatch(); }),
        qPrintable(QStringLiteral("no value of \"%1\" matches %2").arg(sql, pattern)));
  }

  void secondaryDetailsStayInRange() {
    for (const QString& text : column(Year0.arg(u"EmailId1"))) {
      const QStringList e = text.split(u'|');
      for (int i = 1; i < e.size() && i <= 9; ++i) {
        const int code = e[i].toInt();
        const bool ok = i <= 4   ? e[i].isEmpty()
                        : i == 5 ? (e[i].isEmpty() || e[i] == u"R" || e[i] == u"NR")
                                 : (code >= 0 && code <= 7) || (i >= 8 && code >= 10 && code <= 12);
        QVERIFY2(ok, qPrintable(text));
      }
    }
  }

  void panFormatAndPhone4Mobiles() {
    const QRegularExpression panFormat(QStringLiteral("^[A-Z]{5}[0-9]{4}[A-Z]$"));
    for (const QString& pan :
         column(QStringLiteral("SELECT Pan FROM Owner1 UNION ALL SELECT Pan FROM Main_Info1")))
      QVERIFY2(panFormat.match(pan).hasMatch(), qPrintable(pan));
    int withMobile = 0;
    int without = 0;
    for (const QString& phone4 : column(QStringLiteral("SELECT Phone4 FROM Main_Info1")))
      (VelBase::FindMobileNumber(phone4).isEmpty() ? without : withMobile)++;
    QVERIFY(withMobile > 0);
    QVERIFY(without > 0);
  }

  void resetReplacesTheClients() {
    SqlStore store(store_->connectionString());
    const SeedSummary again = SeedDemoStore(store, 30, 5, true);
    QCOMPARE(again.clients, 30);
    QCOMPARE(column(QStringLiteral("SELECT Code FROM Owner1 UNION SELECT Code_No FROM Main_Info1")).size(),
             30);
    QCOMPARE(
        column(QStringLiteral("SELECT COUNT(*) FROM OnlineRegInfo WHERE Code_No='#?#COMMON#?#'")).value(0),
        QStringLiteral("1"));
  }
};

QTEST_MAIN(TestSeed)
#include "tst_seed.moc"
