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
#include "portal/portal_settings_box.h"
#include "portal/progress_panel.h"
#include "portal_login_component.h"
#include "portal_simulator.h"
#include "register/register_layout.h"
#include "register/register_panel.h"
#include "register/setup_panel.h"
#include "scripted_interaction.h"
#include "test_store.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QSet>
#include <QSpinBox>
#include <QSqlQuery>
#include <QTest>
#include <QThread>

using namespace kestrel;
using namespace kestrel::testing;
using namespace Qt::StringLiterals;

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
  PortalLoginOptions options_;
  // Each row after the fetch run of one session: outcome, back and fore colour.
  QStringList oneByOne_;

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
    options_ = options;
    script_ = std::make_unique<ScopedInteraction>();
    w_ = &MainWindow::loadDefault();
    w_->show();
    QVERIFY(g().Rows() > FirstDataRow + 20);
  }

  // The portal of the other tests again.
  void cleanup() {
    registerPortalLogin(options_);
    qunsetenv("KESTREL_PORTAL_TIME_SCALE");
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
    for (int r = FirstDataRow; r < g().Rows(); ++r) oneByOne_ << rowState(r);
  }

  // Four portal sessions at the portal's pace (a hundredth of the time): every client once,
  // each row as one session left it, the two rows of a PAN never in two sessions at once, no
  // lockout and no client given up; the panel shows a line per session.
  void fourSessionsFetchAsOneByOne() {
    Simulator portal;
    QVERIFY(startPacedPortal(portal, {}));
    setSessions(4);
    tickOnly([](int) { return true; });
    // The next row takes the PAN and password of a client the portal simply logs in.
    int twin = FirstDataRow;
    while (g().TextMatrix(twin, col::Pan).mid(5, 4).toInt() % 100 < 17) ++twin;
    const QString pan = g().TextMatrix(twin, col::Pan);
    g().setTextMatrix(twin + 1, col::Pan, pan);
    g().setTextMatrix(twin + 1, col::Password, g().TextMatrix(twin, col::Password));
    QHash<int, int> finished;
    bool sessionsShown = false;
    const auto watch = connect(w_->portalRun, &PortalRun::clientFinished, this, [&](int row) {
      ++finished[row];
      sessionsShown = sessionsShown || (w_->progressPanel->sessionLabels[3]->isVisible() &&
                                        w_->progressPanel->sessionLabels[3]->text().startsWith(u"4. "));
    });
    w_->fetchProfiles();
    disconnect(watch);
    setSessions(1);

    QVERIFY(sessionsShown);
    QCOMPARE(finished.size(), g().Rows() - FirstDataRow);
    for (int r = FirstDataRow; r < g().Rows(); ++r) {
      QCOMPARE(finished.value(r), 1);
      QCOMPARE(rowState(r), oneByOne_[r - FirstDataRow + (r == twin + 1 ? -1 : 0)]);
    }
    QStringList steps;
    for (const QJsonValue& request : simRequests(portal.url)) {
      const QJsonObject o = request.toObject();
      const QString step = o.value(u"service").toString() + u' ' + o.value(u"code").toString();
      QVERIFY2(!step.endsWith(u"EF00031"), qPrintable(step));  // no account locked
      if (o.value(u"pan").toString() == pan)
        steps << step;
    }
    const QStringList client = {u"wLoginService EF00000"_s, u"loginService EF00000"_s,
                                u"userProfileService HTTP 200"_s, u"logoutService EF00000"_s};
    QCOMPARE(steps, client + client);
    QTest::keyClick(w_->registerGrid, Qt::Key_F5);
  }

  // The update of eight clients in four sessions: the PINs asked on the window's thread one
  // prompt at a time, and every confirmation written back.
  void fourSessionsUpdateWritesBack() {
    QStringList codes;
    for (auto it = loggedIn_.crbegin(); it != loggedIn_.crend() && codes.size() < 8; ++it)
      if (g().TextMatrix(FindClientRowForTest(*it), col::Pan).mid(5, 4).toInt() % 100 >= 17)
        codes << *it;
    QCOMPARE(codes.size(), 8);
    int asked = 0, open = 0, mostOpen = 0;
    bool onWindowThread = true;
    Simulator portal;
    QVERIFY(startPacedPortal(portal, [&](const PinRequest& request, const std::function<bool()>&) {
      ++asked;
      mostOpen = std::max(mostOpen, ++open);
      onWindowThread = onWindowThread && QThread::currentThread() == qApp->thread();
      QTest::qWait(20);  // the user types
      const QJsonObject sent = lastUpdate(portal.url, request.userId);
      --open;
      return std::optional<PinReply>(
          PinReply{sent.value(u"mobilePin").toString(), sent.value(u"emailPin").toString()});
    }));
    setSessions(4);
    tickOnly([&](int r) { return codes.contains(g().TextMatrix(r, col::PartyCode)); });
    w_->showDefaults();
    DefaultPanel& panel = *w_->defaultPanel;
    panel.primaryMobileBox->setEditText(u"9000012345"_s);
    panel.relationBoxes[0]->setCurrentIndex(1);
    panel.primaryEMailBox->setEditText(u"desk.four@firm.example.in"_s);
    panel.relationBoxes[1]->setCurrentIndex(1);
    panel.assignToSelectedClients();
    w_->proceedWithUpdate();
    setSessions(1);

    QCOMPARE(asked, codes.size());
    QCOMPARE(mostOpen, 1);
    QVERIFY(onWindowThread);
    for (const QString& code : codes) {
      const int r = FindClientRowForTest(code);
      QCOMPARE(g().TextMatrix(r, col::ImportLogs), u"Validate Contact Success"_s);
      std::unique_ptr<Recordset> rs;
      Base().RecordsetQuery(
          rs, u"SELECT MobNo, EmailID FROM OnlineRegInfo WHERE AsYr=0 AND Code_No='"_s + code + u'\'',
          Base().DBObj(), 0, 1);
      QVERIFY(!rs->Eof());
      QCOMPARE(rs->Text(0), u"9000012345"_s);
      QCOMPARE(rs->Text(1), u"desk.four@firm.example.in"_s);
    }
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
  QString rowState(int r) {
    return g().TextMatrix(r, col::ImportLogs) + u" | "_s + g().CellBackColor(r, col::PartyName).name() +
           u" | "_s + g().CellForeColor(r, col::PartyName).name();
  }
  // Runs with this many portal sessions from now on, set as the practitioner sets it.
  void setSessions(int n) {
    w_->showSetup();
    w_->portalSettings->sessionsBox->setValue(n);
    w_->setupPanel->CmdOKSetup_Click();
    QCOMPARE(w_->portalRun->readPace().sessions, n);
  }
  // A simulator keeping the portal's pause before the password and (generously) its rate limit,
  // at a hundredth of the time with 300 ms answers, and the component keeping the pace with it.
  bool startPacedPortal(Simulator& portal, PinProvider pins) {
    if (!portal.start({u"--store"_s, store_->connectionString(), u"--pace"_s, u"--rate-limit"_s, u"120/60s"_s,
                       u"--latency"_s, u"300ms"_s, u"--time-scale"_s, u"0.01"_s}))
      return false;
    PortalLoginOptions paced = options_;
    paced.baseUrl = portal.url;
    paced.loginPauseMs = PortalLoginOptions().loginPauseMs;
    paced.retryDelayMs = PortalLoginOptions().retryDelayMs;
    paced.timeScale = 0.01;
    if (pins)
      paced.pinProvider = std::move(pins);
    registerPortalLogin(paced);
    qputenv("KESTREL_PORTAL_TIME_SCALE", "0.01");
    return true;
  }
  int FindClientRowForTest(const QString& code) {
    return g().FindRow(code, FirstDataRow, col::PartyCode, true, true);
  }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_end_to_end.moc"
