// The reports and copies end to end on a real store (SQLite, and MariaDB when configured)
// against the portal simulator over HTTP: a fetch brings the portal's names and contacts, the
// mismatch list and the occurrence report show them, both copies write them to the suite, and
// the suite's tables and a reload (F5) hold them.
#include "demo_data.h"
#include "entry/main_window.h"
#include "entry/mod_it_main.h"
#include "platform/base/suite_schema.h"
#include "platform/grid/flexgrid.h"
#include "portal_login_component.h"
#include "portal_simulator.h"
#include "register/register_layout.h"
#include "register/register_panel.h"
#include "reports/copy_commands.h"
#include "reports/occurrence_report.h"
#include "reports/report_commands.h"
#include "reports/report_panel.h"
#include "scripted_interaction.h"
#include "test_store.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QSqlQuery>
#include <QTest>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

// The portal's name and primary contacts of five individuals and one other client; the first
// two share a mobile.
struct PortalAccount {
  NameParts name;
  QString mobile, eMail;
  QString fullName() const { return QStringList{name.first, name.middle, name.last}.join(' ').simplified(); }
};
const std::vector<PortalAccount> accounts = {
    {{"Asha", "", ""}, "9123400001", "asha@firm.in"},
    {{"Ravi", "", "D'Souza"}, "9123400001", "o'brien\\desk@firm.in"},
    {{"Meena", "Devi \\Kumari", "Das"}, "9123400003", "meena@firm.in"},
    {{"A", "B C D E F G H I", "J"}, "9123400004", "ten@firm.in"},
    {{"ராஜா", "", "குமார்"}, "9123400005", "raja@firm.in"},
    {{"", "", "O'Reilly Sons HUF"}, "9123400006", "huf@firm.in"},
};

}  // namespace

class TestReportsEndToEnd : public QObject {
  Q_OBJECT

  std::unique_ptr<TestStore> store_;
  QTemporaryDir dir_;
  Simulator sim_;
  std::unique_ptr<ScopedInteraction> script_;
  MainWindow* w_ = nullptr;
  QStringList codes_;  // of the accounts, in order

  grid::FlexGridModel& g() { return *w_->registerGrid->model(); }
  int rowOf(const QString& code) { return g().FindRow(code, FirstDataRow, col::PartyCode); }
  void trigger(const char* item) { w_->reportCommands->item(QString::fromLatin1(item))->trigger(); }
  QStringList suiteRow(SqlStore& sql, const QString& select) {
    QSqlQuery q = sql.select(select);
    return q.next() ? QStringList{q.value(0).toString(), q.value(1).toString(), q.value(2).toString()}
                    : QStringList();
  }

 private slots:
  void initTestCase() {
    store_ = std::make_unique<TestStore>();
    QJsonArray fixture;
    {
      SqlStore sql(store_->connectionString(), "e2e");
      EnsureSuiteTables(sql);
      demo::SeedDemoStore(sql, 40, 5, true);
      for (const auto& [pick, count] :
           {std::pair{"SELECT Code FROM Owner1 WHERE Code NOT IN (SELECT Code_No FROM "
                      "Main_Info1) ORDER BY Code",
                      5},
            std::pair{"SELECT Code_No FROM Main_Info1 WHERE Code_No NOT IN (SELECT Code "
                      "FROM Owner1) ORDER BY Code_No",
                      1}}) {
        QSqlQuery q = sql.select(pick);
        for (int n = count; n > 0 && q.next(); --n) codes_ << q.value(0).toString();
      }
      QCOMPARE(codes_.size(), int(accounts.size()));
      // Each client gets a PAN and password the portal knows and plain contacts in the suite.
      for (int i = 0; i < codes_.size(); ++i) {
        const QString pan = QString("ZZZPZ%1Z").arg(9950 + i);
        sql.exec(i < 5 ? "UPDATE Owner1 SET Pan='" + pan + "' WHERE Code='" + codes_[i] + "'"
                       : "UPDATE Main_Info1 SET Pan='" + pan + "' WHERE Code_No='" + codes_[i] + "'");
        sql.exec("DELETE FROM OnlineRegInfo WHERE Code_No='" + codes_[i] + "'");
        sql.exec("INSERT INTO OnlineRegInfo (Code_No, AsYr, LoginPwd, MobNo, EmailID) VALUES ('" + codes_[i] +
                 "', 0, 'Secret#1', '9000000000', 'old@firm.in')");
        const PortalAccount& a = accounts[size_t(i)];
        fixture.append(QJsonObject{{"pan", pan},
                                   {"password", "Secret#1"},
                                   {"scenario", "success"},
                                   {"profile", QJsonObject{{"firstName", a.name.first},
                                                           {"midName", a.name.middle},
                                                           {"lastName", a.name.last},
                                                           {"residentialStatusCd", "RES"},
                                                           {"priMobileNum", a.mobile},
                                                           {"priMobBelongsTo", "1"},
                                                           {"priEmailId", a.eMail},
                                                           {"priEmailRelationId", "1"}}}});
      }
    }
    QFile file(dir_.filePath("accounts.json"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(fixture).toJson()) > 0);
    file.close();
    QVERIFY(sim_.start({"--fixture", file.fileName()}));

    auto base = store_->makeBase();
    ObjectRegistry::instance().registerFactory("VelBase.ClsMain", [base] { return base; });
    ModuleStart();
    PortalLoginOptions options;
    options.baseUrl = sim_.url;
    options.timeoutMs = 5000;
    registerPortalLogin(options);
    script_ = std::make_unique<ScopedInteraction>();
    w_ = &MainWindow::loadDefault();
    w_->show();
  }

  void cleanupTestCase() {
    delete w_;
    script_.reset();
    ModuleShutdown();
  }

  void fetchListCopyReload() {
    for (int r = FirstDataRow; r < g().Rows(); ++r)
      g().setCellChecked(r, col::SrNo, codes_.contains(g().TextMatrix(r, col::PartyCode)) ? 1 : 2);
    w_->fetchProfiles();
    for (const QString& code : codes_)
      QCOMPARE(g().TextMatrix(rowOf(code), col::ImportLogs), "Login Success");

    ReportPanel& panel = *w_->reportPanel;
    trigger("MnuMobMisMatch");
    const grid::FlexGridModel& report = *panel.VSRpt->model();
    for (const QString& code : codes_) QVERIFY(report.FindRow(code, HeaderRows, 1) >= HeaderRows);
    trigger("MnuLMobAssigned");
    panel.showDetailsBox->click();
    const grid::FlexGridModel& det = *panel.detailGrid->model();
    const int shared = det.FindRow("9123400001", 1, det::Value);
    QCOMPARE(det.TextMatrix(shared, det::Count), "2");
    QCOMPARE(
        QStringList({det.TextMatrix(shared, det::PartyCode), det.TextMatrix(shared + 1, det::PartyCode)}),
        codes_.mid(0, 2));
    QTest::keyClick(panel.detailGrid, Qt::Key_Escape);

    (**script_).answers = {true, true};
    trigger("MnuCopyLoginToSw");
    trigger("MnuCopyLoginToSwMoEml");
    QCOMPARE((**script_).messages.size(), size_t(2));
    SqlStore sql(store_->connectionString(), "e2e-check");
    for (int i = 0; i < codes_.size(); ++i) {
      const PortalAccount& a = accounts[size_t(i)];
      QCOMPARE(suiteRow(sql, i < 5 ? "SELECT f_Nm, m_Nm, l_nm FROM Owner1 WHERE Code='" + codes_[i] + "'"
                                   : "SELECT nm, '', '' FROM Main_Info1 WHERE Code_No='" + codes_[i] + "'"),
               QStringList({i < 5 ? a.name.first : a.fullName(), a.name.middle, i < 5 ? a.name.last : ""}));
      QCOMPARE(suiteRow(sql, "SELECT MobNo, EmailID, EmailId1 FROM OnlineRegInfo WHERE Code_No='" +
                                 codes_[i] + "'"),
               QStringList({a.mobile, a.eMail, "|||||R|1|1|||"}));
    }

    // A reload shows the portal's details as the suite's own.
    QTest::keyClick(w_->registerGrid, Qt::Key_F5);
    for (int i = 0; i < codes_.size(); ++i) {
      const int r = rowOf(codes_[i]);
      QCOMPARE(g().TextMatrix(r, col::PartyName), accounts[size_t(i)].fullName());
      QCOMPARE(g().TextMatrix(r, col::Software + col::Mobile1), accounts[size_t(i)].mobile);
      QCOMPARE(g().TextMatrix(r, col::Software + col::EMail1), accounts[size_t(i)].eMail);
    }
    // The suite's e-mails, quotes and backslashes included, counted with their clients' names.
    trigger("MnuEMailAssigned");
    const int quoted = det.FindRow(accounts[1].eMail, 1, det::Value);
    QCOMPARE(det.TextMatrix(quoted, det::PartyName), accounts[1].fullName());
    QCOMPARE(det.TextMatrix(det.FindRow(accounts[4].eMail, 1, det::Value), det::PartyName),
             accounts[4].fullName());
  }
};

QTEST_MAIN(TestReportsEndToEnd)
#include "tst_reports_end_to_end.moc"
