// Loading the register from a real store (SQLite, and MariaDB when configured): the client
// statement, the first record of a code winning, markers against the common row, nulls and
// non-ASCII names, reloading, and a store without the suite's tables.
#include "entry/mod_it_main.h"
#include "platform/base/sql_store.h"
#include "platform/base/suite_schema.h"
#include "platform/grid/flexgrid_model.h"
#include "register/client_register_load.h"
#include "register/register_layout.h"
#include "test_store.h"

#include <QFile>
#include <QTest>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

QString q(const QString& v) {
  return v.isNull() ? QStringLiteral("NULL") : QLatin1Char('\'') + Base().TruncVarSQL(v) + QLatin1Char('\'');
}

void owner(const QString& code, const QString& f, const QString& m, const QString& l, const QString& pan,
           const QString& mobile, const QString& email) {
  Base().ConQuery(
      QStringLiteral("INSERT INTO Owner1 (Code, f_Nm, m_Nm, l_nm, Dob, Pan, Mobile, Email) VALUES (") +
      q(code) + u',' + q(f) + u',' + q(m) + u',' + q(l) + QStringLiteral(",'1980-02-01',") + q(pan) + u',' +
      q(mobile) + u',' + q(email) + u')');
}

void company(const QString& code, const QString& name, const QString& pan, const QString& phone4) {
  Base().ConQuery(QStringLiteral("INSERT INTO Main_Info1 (Code_No, nm, DOI, Pan, Phone4, Email) VALUES (") +
                  q(code) + u',' + q(name) + QStringLiteral(",'2001-04-01',") + q(pan) + u',' + q(phone4) +
                  QStringLiteral(",'co@example.in')"));
}

void registration(const QString& code, const QString& pwd, const QString& mob, const QString& mail,
                  const QString& mob1, const QString& mail1, const QString& tel = QString(), int year = 0) {
  Base().ConQuery(
      QStringLiteral(
          "INSERT INTO OnlineRegInfo (Code_No, AsYr, LoginPwd, MobNo, EmailID, MobNo1, EmailId1, TelNo) "
          "VALUES (") +
      q(code) + u',' + QString::number(year) + u',' + q(pwd) + u',' + q(mob) + u',' + q(mail) + u',' +
      q(mob1) + u',' + q(mail1) + u',' + q(tel) + u')');
}

QString logText() {
  QFile f(Base().ExePath() + QStringLiteral("/VelLog.log"));
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

}  // namespace

class TestClientRegisterLoad : public QObject {
  Q_OBJECT

  std::unique_ptr<TestStore> store_;
  grid::FlexGridModel vsCL_;

  int rowOf(const QString& code) const { return FindClientRow(vsCL_, code); }
  QString cell(const QString& code, int c) const { return vsCL_.TextMatrix(rowOf(code), c); }

 private slots:
  void initTestCase() {
    store_ = std::make_unique<TestStore>();
    auto base = store_->makeBase();
    ObjectRegistry::instance().registerFactory(QStringLiteral("VelBase.ClsMain"), [base] { return base; });
    ModuleStart();
    SqlStore sql(store_->connectionString(), QStringLiteral("setup"));
    EnsureSuiteTables(sql);
    FormatRegisterGrid(vsCL_);

    const QString common = QStringLiteral("#?#COMMON#?#");
    registration(common, QStringLiteral("Firm@1"), QStringLiteral("9000000001"),
                 QStringLiteral("firm@example.in"), QStringLiteral("9000000002"),
                 QStringLiteral("desk@example.in|||||R|1|1|2|2|"), QStringLiteral("022-2345678"));

    owner(QStringLiteral("A001"), QStringLiteral("Asha"), QString(), QStringLiteral("Rao"),
          QStringLiteral("ABCPR1234K"), QStringLiteral("9876543210"), QStringLiteral("asha@example.in"));
    registration(QStringLiteral("A001"), QStringLiteral("#?#PAN#?#"), QStringLiteral(" #?#MOBNO#?# "),
                 QStringLiteral("#?#EMAILID#?#"), common,
                 QStringLiteral("sec@example.in|||||NR|1|1|10|12|971"), QStringLiteral("#?#TELNO#?#"));
    // A registration row of another year is not the register's.
    registration(QStringLiteral("A001"), QStringLiteral("old"), QStringLiteral("1111111111"), QString(),
                 QString(), QString(), QString(), 2023);

    // Names in Devanagari, nulls everywhere else.
    owner(QStringLiteral("A002"), QStringLiteral("राम"), QStringLiteral("कुमार"), QStringLiteral("शर्मा"),
          QStringLiteral("BBBPS2222B"), QString(), QString());
    registration(QStringLiteral("A002"), QString(), QString(), QString(), QString(), QString());

    // The same code as an individual and as a company: the sort brings one first.
    owner(QStringLiteral("D001"), QStringLiteral("Dup"), QString(), QStringLiteral("Owner"),
          QStringLiteral("DDDPD1111D"), QStringLiteral("9811111111"), QStringLiteral("d@example.in"));
    company(QStringLiteral("D001"), QStringLiteral("Dup Company"), QStringLiteral("DDDCD1111D"), QString());
    registration(QStringLiteral("D001"), QStringLiteral("pw"), QString(), QString(), QString(),
                 QStringLiteral("only@example.in"));

    company(QStringLiteral("M001"), QStringLiteral("Rao & Sons (HUF)"), QStringLiteral("AAAHR5555H"),
            QStringLiteral("O: 022-2345678 M: 98200 12345"));
    registration(QStringLiteral("M001"), common, QStringLiteral("#?#MOBNO#?#"), common, QString(),
                 QStringLiteral("#?#EMAILID#?#|x"));

    // A client without a registration row does not appear.
    owner(QStringLiteral("N001"), QStringLiteral("No"), QString(), QStringLiteral("Registration"),
          QStringLiteral("NNNPN0000N"), QString(), QString());

    LoadClients(vsCL_);
  }

  void cleanupTestCase() { ModuleShutdown(); }

  void rowsInCodeOrder() {
    QCOMPARE(vsCL_.Rows(), HeaderRows + 4);
    const QStringList codes{QStringLiteral("A001"), QStringLiteral("A002"), QStringLiteral("D001"),
                            QStringLiteral("M001")};
    for (int i = 0; i < codes.size(); ++i) {
      const int row = FirstDataRow + i;
      QCOMPARE(vsCL_.TextMatrix(row, col::PartyCode), codes[i]);
      QCOMPARE(vsCL_.TextMatrix(row, col::SrNo), QString::number(i + 1));
      QCOMPARE(vsCL_.CellChecked(row, col::SrNo), int(grid::flexUnchecked));
      for (int c = col::LoginName; c < col::Count; ++c)
        QVERIFY2(vsCL_.TextMatrix(row, c).isEmpty(), qPrintable(QStringLiteral("column %1").arg(c)));
    }
  }

  void cells_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("expected");
    QTest::newRow("password is the PAN") << "A001" << col::Password << "ABCPR1234K";
    QTest::newRow("telephone of the common row") << "A001" << col::Phone << "022-2345678";
    QTest::newRow("isd") << "A001" << col::Software + col::Isd << "971";
    QTest::newRow("sec det") << "A001" << col::SecDet << "||||NR|1|1|10|12|971";
    QTest::newRow("non-ascii name") << "A002" << col::PartyName << "राम कुमार शर्मा";
    QTest::newRow("null password") << "A002" << col::Password << "";
    QTest::newRow("individual first") << "D001" << col::PartyName << "Dup Owner";
    QTest::newRow("company name") << "M001" << col::PartyName << "Rao & Sons (HUF)";
    QTest::newRow("mobile from Phone4") << "M001" << col::PartyMobile << "9820012345";
    QTest::newRow("common password") << "M001" << col::Password << "Firm@1";
    QTest::newRow("common e-mail") << "M001" << col::Software + col::EMail1 << "firm@example.in";
  }
  void cells() {
    QFETCH(QString, code);
    QFETCH(int, column);
    QFETCH(QString, expected);
    QVERIFY(rowOf(code) >= FirstDataRow);
    QCOMPARE(cell(code, column), expected);
  }

  void reloadDiscardsWork() {
    vsCL_.setCellChecked(FirstDataRow, col::SrNo, grid::flexChecked);
    vsCL_.setTextMatrix(FirstDataRow, col::ImportLogs, QStringLiteral("Login Success"));
    vsCL_.setCellChecked(0, col::SrNo, grid::flexChecked);
    LoadClients(vsCL_);
    QCOMPARE(vsCL_.Rows(), HeaderRows + 4);
    QCOMPARE(vsCL_.CellChecked(FirstDataRow, col::SrNo), int(grid::flexUnchecked));
    QCOMPARE(vsCL_.CellChecked(0, col::SrNo), int(grid::flexUnchecked));
    QVERIFY(vsCL_.TextMatrix(FirstDataRow, col::ImportLogs).isEmpty());
    QCOMPARE(vsCL_.ColComboList(col::Change + col::EMail2Rel), QString::fromLatin1(LongRelationList));
    QCOMPARE(vsCL_.DisplayText(rowOf(QStringLiteral("A001")), col::Software + col::Mobile2Rel),
             QStringLiteral("Authorised Representative"));
  }

  // Without the suite's tables the register keeps its headers and the failure is logged.
  void missingTablesLeaveHeaders() {
    Base().ConQuery(QStringLiteral("DROP TABLE OnlineRegInfo"));
    LoadClients(vsCL_);
    QCOMPARE(vsCL_.Rows(), HeaderRows);
    QCOMPARE(vsCL_.TextMatrix(1, col::PartyCode), QStringLiteral("Party Code"));
    QVERIFY(logText().contains(QStringLiteral("frmKestrel\tShowData")));
  }
};

QTEST_MAIN(TestClientRegisterLoad)
#include "tst_client_register_load.moc"
