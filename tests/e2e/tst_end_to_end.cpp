// The module end to end on a real store (SQLite, and MariaDB when configured) against the portal
// simulator over HTTP: the window loads the demo clients, a fetch run fills and colours every
// ticked row by its outcome, a cancelled run stops after the client in progress, an update run
// from assigned defaults writes the confirmed details back, which a reload then shows, and an
// update run whose store fails halfway loses none of the details the portal confirmed.
#include "assign/default_panel.h"
#include "controls/zen_button.h"
#include "demo_data.h"
#include "entry/main_window.h"
#include "entry/mod_it_main.h"
#include "platform/base/sql_store.h"
#include "platform/base/suite_schema.h"
#include "platform/grid/flexgrid.h"
#include "portal/portal_run.h"
#include "portal/progress_panel.h"
#include "portal_login_component.h"
#include "portal_simulator.h"
#include "register/register_layout.h"
#include "register/register_panel.h"
#include "scripted_interaction.h"
#include "test_store.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QSet>
#include <QSqlQuery>
#include <QTest>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

const QColor Cyan(227, 250, 251), Green(192, 255, 192), Pink(255, 227, 235), Blue(0, 0, 255);

// The store out of reach while this lives: the SQLite file locked by another connection's
// exclusive transaction, or the MariaDB server stopped with scripts/mariadb.sh (and started again).
class StoreOutage {
 public:
  explicit StoreOutage(const TestStore& store) : port_(ParseStoreAddress(store.connectionString()).port) {
    if (!store.isMariaDb()) {
      lock_ = std::make_unique<SqlStore>(store.connectionString(), QStringLiteral("outage"));
      lock_->exec(QStringLiteral("BEGIN EXCLUSIVE"));
      return;
    }
    // The server's folder as the script lays it out: <dir>/data holds the data.
    serverDir_ = QDir(SqlStore(store.connectionString(), QStringLiteral("outage"))
                          .scalar(QStringLiteral("SELECT @@datadir"))
                          .toString())
                     .absolutePath();
    serverDir_.chop(5);
    QProcess::execute(Script, {QStringLiteral("stop"), serverDir_});
  }
  ~StoreOutage() {
    if (lock_)
      lock_->exec(QStringLiteral("ROLLBACK"));
    else
      QProcess::execute(Script, {QStringLiteral("start"), serverDir_, QString::number(port_)});
  }

 private:
  static inline const QString Script = QStringLiteral(KESTREL_SOURCE_DIR "/scripts/mariadb.sh");
  std::unique_ptr<SqlStore> lock_;
  QString serverDir_;
  int port_;
};

}  // namespace

class TestEndToEnd : public QObject {
  Q_OBJECT

  std::unique_ptr<TestStore> store_;
  Simulator sim_;
  std::unique_ptr<ScopedInteraction> script_;
  MainWindow* w_ = nullptr;
  QStringList loggedIn_;  // codes of clients whose fetch succeeded

  grid::FlexGridModel& g() { return *w_->registerGrid->model(); }
  void tickOnly(const std::function<bool(int row)>& pick) {
    for (int r = FirstDataRow; r < g().Rows(); ++r)
      g().setCellChecked(r, col::SrNo, pick(r) ? grid::flexChecked : grid::flexUnchecked);
  }

 private slots:
  void initTestCase() {
    store_ = std::make_unique<TestStore>();
    {
      SqlStore sql(store_->connectionString(), QStringLiteral("e2e"));
      EnsureSuiteTables(sql);
      demo::SeedDemoStore(sql, 48, 3, true);
      // The simulator picks a client's scenario from the four digits of its PAN: give twelve
      // individuals (registered, not also in Main_Info1) one failure scenario each, and a
      // password.
      QStringList codes;
      QSqlQuery q = sql.select(QStringLiteral(
          "SELECT O.Code FROM Owner1 O INNER JOIN OnlineRegInfo R ON R.Code_No = O.Code AND R.AsYr = 0 "
          "WHERE O.Code NOT IN (SELECT Code_No FROM Main_Info1) ORDER BY O.Code"));
      while (q.next()) codes << q.value(0).toString();
      QVERIFY(codes.size() >= 20);
      for (int k = 0; k < 12; ++k) {
        sql.exec(QStringLiteral("UPDATE Owner1 SET Pan='AAAPA%1A' WHERE Code='%2'")
                     .arg(k, 4, 10, QLatin1Char('0'))
                     .arg(codes[k]));
        sql.exec(
            QStringLiteral("UPDATE OnlineRegInfo SET LoginPwd='Secret#1' WHERE Code_No='%1'").arg(codes[k]));
      }
    }
    auto base = store_->makeBase();
    ObjectRegistry::instance().registerFactory(QStringLiteral("VelBase.ClsMain"), [base] { return base; });
    ModuleStart();
    QVERIFY(sim_.start({QStringLiteral("--store"), store_->connectionString(), QStringLiteral("--slow"),
                        QStringLiteral("300")}));
    PortalLoginOptions options;
    options.baseUrl = sim_.url;
    options.timeoutMs = 5000;
    // The simulator here keeps no pace: no pause before the password, short back-off pauses.
    options.loginPauseMs = 0;
    options.retryDelayMs = 20;
    // The PINs come from what the simulator says it sent, as a practitioner reads them off the
    // client's phone and mailbox.
    options.pinProvider = [url = sim_.url](const PinRequest& request, const std::function<bool()>&) {
      const QJsonObject sent = lastUpdate(url, request.userId);
      return std::optional<PinReply>(PinReply{sent.value(QStringLiteral("mobilePin")).toString(),
                                              sent.value(QStringLiteral("emailPin")).toString()});
    };
    registerPortalLogin(options);
    script_ = std::make_unique<ScopedInteraction>();
    w_ = &MainWindow::loadDefault();
    w_->show();
    QVERIFY(g().Rows() > FirstDataRow + 20);
  }

  void cleanupTestCase() {
    delete w_;
    script_.reset();
    ModuleShutdown();
  }

  void fetchRunColoursEveryOutcome() {
    tickOnly([](int) { return true; });
    w_->fetchProfiles();
    QVERIFY(w_->registerPanel->isEnabled());
    QVERIFY(!w_->progressPanel->isVisible());
    int succeeded = 0;
    QSet<QString> outcomes;
    for (int r = FirstDataRow; r < g().Rows(); ++r) {
      const QString outcome = g().TextMatrix(r, col::ImportLogs);
      outcomes << outcome;
      QVERIFY2(!outcome.isEmpty(), qPrintable(g().TextMatrix(r, col::PartyCode)));
      const QColor back = g().CellBackColor(r, col::PartyName);
      if (outcome == u"Login Success") {
        ++succeeded;
        loggedIn_ << g().TextMatrix(r, col::PartyCode);
        QVERIFY(!g().TextMatrix(r, col::LoginName).isEmpty());
        QVERIFY(!back.isValid());
      } else if (outcome == u"NON Verified Details") {
        QCOMPARE(back, Cyan);
      } else if (outcome == u"Validate PIN Details") {
        QCOMPARE(back, Green);
      } else if (outcome == u"Validate Contact Success") {
        QCOMPARE(g().CellForeColor(r, col::PartyName), Blue);
      } else if (outcome == u"Failed to Open 'myProfile' Page" || outcome == u"Unknown Response") {
        QVERIFY(!back.isValid());
      } else {
        QCOMPARE(back, Pink);
      }
    }
    QVERIFY(succeeded > 20);
    for (const char* outcome :
         {"NON Verified Details", "Validate PIN Details", "Validate Contact Success", "Unknown Response"})
      QVERIFY2(outcomes.contains(QString::fromLatin1(outcome)), outcome);
    QVERIFY(outcomes.size() >= 9);  // and the failures of their own texts
    QVERIFY(!g().ColHidden(col::ImportLogs));
  }

  void cancelStopsAfterTheClientInProgress() {
    tickOnly([](int) { return true; });
    (**script_).answers = {true};
    int yields = 0;
    (**script_).onYield = [&] {
      if (++yields == 5)
        w_->progressPanel->confirmCancel();
    };
    w_->fetchProfiles();
    (**script_).onYield = nullptr;
    QCOMPARE((**script_).questions, QStringList{QStringLiteral("Do you really want to Cancel?")});
    int done = 0;
    for (int r = FirstDataRow; r < g().Rows(); ++r) done += !g().TextMatrix(r, col::ImportLogs).isEmpty();
    QVERIFY2(done >= 3 && done <= 6, qPrintable(QString::number(done)));
    QVERIFY(w_->registerPanel->isEnabled());
    QVERIFY(!w_->progressPanel->isVisible());
  }

  void updateRunWritesBack() {
    // Three clients that logged in during the fetch run.
    const QStringList codes = loggedIn_.mid(0, 3);
    QCOMPARE(codes.size(), 3);
    tickOnly([&](int r) { return codes.contains(g().TextMatrix(r, col::PartyCode)); });

    w_->showDefaults();
    DefaultPanel& panel = *w_->defaultPanel;
    panel.primaryMobileBox->setEditText(QStringLiteral("9123456780"));
    panel.relationBoxes[0]->setCurrentIndex(1);  // Self
    panel.primaryEMailBox->setEditText(QStringLiteral("o'brien.desk@firm.example.in"));
    panel.relationBoxes[1]->setCurrentIndex(1);
    panel.assignToSelectedClients();
    QVERIFY(!panel.isVisible());
    w_->proceedWithUpdate();
    QVERIFY((**script_).messages.empty());

    for (const QString& code : codes) {
      const int r = FindClientRowForTest(code);
      QCOMPARE(g().TextMatrix(r, col::ImportLogs), QStringLiteral("Validate Contact Success"));
      QCOMPARE(g().CellForeColor(r, col::PartyName), Blue);
      std::unique_ptr<Recordset> rs;
      Base().RecordsetQuery(
          rs,
          QStringLiteral("SELECT MobNo, EmailID FROM OnlineRegInfo WHERE AsYr=0 AND Code_No='") + code +
              QLatin1Char('\''),
          Base().DBObj(), 0, 1);
      QVERIFY(!rs->Eof());
      QCOMPARE(rs->Text(0), QStringLiteral("9123456780"));
      QCOMPARE(rs->Text(1), QStringLiteral("o'brien.desk@firm.example.in"));
    }

    // A reload reads the new details back into the suite's group.
    QTest::keyClick(w_->registerGrid, Qt::Key_F5);
    for (const QString& code : codes) {
      const int r = FindClientRowForTest(code);
      QCOMPARE(g().TextMatrix(r, col::Software + col::Mobile1), QStringLiteral("9123456780"));
      QCOMPARE(g().DisplayText(r, col::Software + col::Mobile1Rel), QStringLiteral("Self"));
      QCOMPARE(g().TextMatrix(r, col::Software + col::EMail1),
               QStringLiteral("o'brien.desk@firm.example.in"));
      QVERIFY(g().TextMatrix(r, col::ImportLogs).isEmpty());
    }
  }

  // The store fails once two clients are confirmed: the run goes on with the portal, the rows
  // whose details the store did not take are marked and their clients named, and the next load
  // saves every one of them.
  void storeLostMidRunLosesNoConfirmation() {
    QStringList codes;  // clients that logged in and whose PAN gives the portal's plain success
    for (const QString& code : loggedIn_.mid(3))
      if (g().TextMatrix(FindClientRowForTest(code), col::Pan).mid(5, 4).toInt() % 100 >= 17 &&
          codes.size() < 5)
        codes << code;
    QCOMPARE(codes.size(), 5);
    tickOnly([&](int r) { return codes.contains(g().TextMatrix(r, col::PartyCode)); });
    w_->showDefaults();
    DefaultPanel& panel = *w_->defaultPanel;
    panel.primaryMobileBox->setEditText(QStringLiteral("9988776655"));
    panel.primaryEMailBox->setEditText(QStringLiteral("d'souza.backoffice@firm.example.in"));
    panel.relationBoxes[0]->setCurrentIndex(1);
    panel.relationBoxes[1]->setCurrentIndex(1);
    panel.assignToSelectedClients();
    std::unique_ptr<StoreOutage> outage;
    int finished = 0;
    const auto watch = connect(w_->portalRun, &PortalRun::clientFinished, this, [&] {
      if (++finished == 2)
        outage = std::make_unique<StoreOutage>(*store_);
    });
    w_->proceedWithUpdate();
    disconnect(watch);

    QVERIFY(!(**script_).messages.empty());
    const QString told = (**script_).messages.back().text;
    for (int i = 0; i < codes.size(); ++i) {
      const int r = FindClientRowForTest(codes[i]);
      QCOMPARE(g().TextMatrix(r, col::ImportLogs), QStringLiteral("Validate Contact Success"));
      QCOMPARE(g().CellBackColor(r, col::PartyName), i < 2 ? QColor() : PortalRun::unsavedBackColour());
      QCOMPARE(told.contains(QLatin1Char('\n') + codes[i] + QStringLiteral("  ")), i >= 2);
    }
    QVERIFY(w_->registerPanel->CmdSaveConfirmed->isVisible());
    outage.reset();
    QTest::keyClick(w_->registerGrid, Qt::Key_F5);
    for (const QString& code : codes) {
      const int r = FindClientRowForTest(code);
      QCOMPARE(g().TextMatrix(r, col::Software + col::Mobile1), QStringLiteral("9988776655"));
      QCOMPARE(g().TextMatrix(r, col::Software + col::EMail1),
               QStringLiteral("d'souza.backoffice@firm.example.in"));
    }
    QVERIFY(!w_->registerPanel->CmdSaveConfirmed->isVisible());
  }

 private:
  int FindClientRowForTest(const QString& code) {
    return g().FindRow(code, FirstDataRow, col::PartyCode, true, true);
  }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_end_to_end.moc"
