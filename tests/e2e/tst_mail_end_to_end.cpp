// The mail window end to end on a real store (SQLite, and MariaDB when configured) against the
// hosting panel simulator over HTTP with the real web session component: opened from the main
// window with ticked clients, the domain created, a mailbox user created (and refused the
// second time), aliases with a number series created for a mix of clients while the panel
// fails once and does not answer once, the records read back, and the default assignment
// fetching the aliases.
#include "assign/default_panel.h"
#include "controls/zen_button.h"
#include "demo_data.h"
#include "entry/main_window.h"
#include "entry/mod_it_main.h"
#include "fake_portal.h"
#include "hosting_simulator.h"
#include "mail/alias_panel.h"
#include "mail/client_grid.h"
#include "mail/mail_setup_panel.h"
#include "mail/mail_window.h"
#include "mail/user_panel.h"
#include "platform/base/sql_store.h"
#include "platform/base/suite_schema.h"
#include "platform/grid/flexgrid.h"
#include "register/register_layout.h"
#include "register/register_panel.h"
#include "scripted_interaction.h"
#include "test_store.h"
#include "web_session_component.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QJsonArray>
#include <QLineEdit>
#include <QRadioButton>
#include <QSqlQuery>
#include <QTest>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

const QString Domain = "firm.example.in";
const QString Password = " p&ss w'rd\\ ";  // sent as typed, stored trimmed
const QString OddCode = "O'K\\1";          // a client code with a quote and a backslash

}  // namespace

class TstMailEndToEnd : public QObject {
  Q_OBJECT

  std::unique_ptr<TestStore> store_;
  std::shared_ptr<VelBase> base_;
  HostingSimulator sim_;
  std::unique_ptr<ScopedInteraction> script_;
  MainWindow* main_ = nullptr;
  QStringList ticked_;  // codes handed to the mail window

  grid::FlexGridModel& reg() { return *main_->registerGrid->model(); }
  mail::MailWindow& mailWindow() { return *mail::MailWindow::instance(); }
  grid::FlexGridModel& vs() { return *mailWindow().mainPanel->clientGrid->model(); }
  QStringList messages() {
    QStringList texts;
    for (const auto& m : (**script_).messages) texts << m.text;
    (**script_).messages.clear();
    return texts;
  }
  QVariant scalar(const QString& sql) { return base_->store().scalar(sql); }

 private slots:
  void initTestCase() {
    store_ = std::make_unique<TestStore>();
    {
      SqlStore sql(store_->connectionString(), "e2e");
      EnsureSuiteTables(sql);
      demo::SeedDemoStore(sql, 30, 7, true);
      const QString code = "'O''K" + QString(sql.isMariaDb() ? "\\\\" : "\\") + "1'";
      sql.exec("INSERT INTO Owner1(Code, f_Nm, l_nm, Pan, Mobile) VALUES(" + code +
               ", 'Odd', 'Code', 'ZZZPC9999Z', '9000000009')");
      sql.exec("INSERT INTO OnlineRegInfo(Code_No, AsYr) VALUES(" + code + ", 0)");
    }
    base_ = store_->makeBase();
    ObjectRegistry::instance().registerFactory("VelBase.ClsMain", [b = base_] { return b; });
    registerFakePortal(std::make_shared<Journal>());
    ModuleStart();
    QVERIFY(sim_.start({}));
    WebSessionOptions options;
    options.timeoutMs = 1500;
    registerWebSession(options);
    script_ = std::make_unique<ScopedInteraction>();
    main_ = &MainWindow::loadDefault();
    main_->show();
  }

  void cleanupTestCase() {
    delete mail::MailWindow::instance();
    delete main_;
    script_.reset();
    ModuleShutdown();
  }

  void opensWithTheTickedClients() {
    // The first five clients and the odd code; a ticked client that is hidden stays behind.
    const int hidden = FirstDataRow + 5;
    for (int r = FirstDataRow; r < reg().Rows(); ++r) {
      const QString code = reg().TextMatrix(r, col::PartyCode);
      const bool pick = r < hidden || code == OddCode;
      reg().setCellChecked(r, col::SrNo, pick || r == hidden ? grid::flexChecked : grid::flexUnchecked);
      if (pick)
        ticked_ << code;
    }
    reg().setRowHidden(hidden, true);
    QCOMPARE(ticked_.size(), 6);
    main_->registerPanel->CmdMailSetup->PerformClick();
    QVERIFY(mail::MailWindow::instance() && mailWindow().isVisible());
    QCOMPARE(vs().Rows(), 1 + 6);
    for (int r = 1; r < vs().Rows(); ++r) QCOMPARE(vs().TextMatrix(r, mail::vs::PartyCode), ticked_[r - 1]);
    // A second press brings the same window to the front with its rows.
    mail::MailWindow* first = mail::MailWindow::instance();
    reg().setCellChecked(FirstDataRow, col::SrNo, grid::flexUnchecked);
    main_->registerPanel->CmdMailSetup->PerformClick();
    QCOMPARE(mail::MailWindow::instance(), first);
    QCOMPARE(vs().Rows(), 1 + 6);
  }

  void createsTheDomainAndAUser() {
    QVERIFY(mail::MailWindow::instance());
    mail::MailWindow& w = mailWindow();
    // A numeric host gets the account's user directory, which the simulator serves.
    w.mainPanel->hostField->setText(sim_.url.host() + ":" + QString::number(sim_.url.port()));
    w.mainPanel->domainField->setText(" www." + Domain + " ");
    w.openUserPanel();
    QVERIFY(w.userPanel->isVisible());
    QCOMPARE(scalar("SELECT COUNT(*) FROM WebMailDomain").toInt(), 1);
    QCOMPARE(scalar("SELECT sDomain FROM WebMailDomain WHERE DomainID=1").toString(), Domain);

    mail::UserPanel& u = *w.userPanel;
    for (int attempt = 0; attempt < 2; ++attempt) {
      w.openUserPanel();
      u.userBox->setEditText("Office");
      u.passwordField->setText(Password);
      u.retypedField->setText(Password);
      u.saveButton->PerformClick();
    }
    QCOMPARE(messages(), QStringList({"SUCCESS: Office@" + Domain + " created.",
                                      "FAILED: The Office@" + Domain + " already exists!"}));
    QCOMPARE(scalar("SELECT COUNT(*) FROM WebMailUser").toInt(), 1);
    QCOMPARE(scalar("SELECT sPassword FROM WebMailUser WHERE UserID=1 AND sUserNm='Office'").toString(),
             Password.trimmed());
    const QJsonObject mailbox = sim_.state().value("mailboxes").toArray().at(0).toObject();
    QCOMPARE(mailbox.value("address").toString(), "office@" + Domain);
    QCOMPARE(mailbox.value("password").toString(), Password);
    QCOMPARE(w.mainPanel->forwarderTag, "1");
  }

  void createsAliasesThroughFailures() {
    QVERIFY(mail::MailWindow::instance());
    mail::MailWindow& w = mailWindow();
    mail::AliasPanel& a = *w.aliasPanel;
    a.optionBoxes[0]->setCurrentIndex(mail::part::AnyText);
    a.optionFields[0]->setText("client");
    a.optionBoxes[1]->setCurrentIndex(mail::part::NumberSeries);
    a.optionFields[1]->setText("101");
    // After the second client the panel answers 500, after the third it does not answer in time.
    int yields = 0;
    (**script_).onYield = [&] {
      ++yields;
      if (yields == 2)
        sim_.scenario("status=500");
      else if (yields == 3)
        sim_.scenario("status=0&delay=4000");
      else if (yields == 4)
        sim_.scenario("delay=0");
    };
    w.createAliases();
    (**script_).onYield = nullptr;
    QStringList logs;
    for (int r = 1; r < vs().Rows(); ++r) logs << vs().TextMatrix(r, mail::vs::ImportLogs);
    const QString forward = "@" + Domain + " forward to Office@" + Domain;
    QCOMPARE(logs.mid(0, 2), QStringList({"SUCCESS: client101" + forward, "SUCCESS: client102" + forward}));
    // The panel's error page and its silence both show why no alias was confirmed.
    QVERIFY2(logs[2].startsWith("Failed to Open Link !") && logs[2].contains("500"), qPrintable(logs[2]));
    QVERIFY2(logs[3].startsWith("Failed to Open Link !"), qPrintable(logs[3]));
    QCOMPARE(logs.mid(4), QStringList({"SUCCESS: client105" + forward, "SUCCESS: client106" + forward}));
    QVERIFY(messages().isEmpty());
    QVERIFY(w.mainPanel->isEnabled());

    QSqlQuery q = base_->store().select(
        "SELECT CodeNo, sAlias, nForwardTo, DomainID FROM WebMailFwder ORDER BY sAlias");
    QStringList records;
    while (q.next())
      records << QStringList{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                             q.value(3).toString()}
                     .join('|');
    QCOMPARE(records, QStringList({ticked_[0] + "|client101|1|1", ticked_[1] + "|client102|1|1",
                                   ticked_[4] + "|client105|1|1", ticked_[5] + "|client106|1|1"}));
    QCOMPARE(sim_.state().value("forwarders").toArray().size(), 4 + 1);
    SqlStore other(store_->connectionString(), "other");
    QCOMPARE(other.scalar("SELECT COUNT(*) FROM WebMailFwder").toInt(), 4);  // and the unanswered one
  }

  void defaultAssignmentFetchesTheAliases() {
    for (const QString& code : ticked_)
      reg().setCellChecked(reg().FindRow(code, FirstDataRow, col::PartyCode), col::SrNo, grid::flexChecked);
    DefaultPanel& d = *main_->defaultPanel;
    main_->showDefaults();
    d.primaryMobileBox->setEditText("9123456780");
    d.fetchAliasBox->setChecked(true);
    d.assignToSelectedClients();
    QVERIFY(messages().isEmpty());
    const auto address = [&](int i) {
      return reg().TextMatrix(reg().FindRow(ticked_[i], FirstDataRow, col::PartyCode), col::NewEMail1);
    };
    QCOMPARE(address(0), "client101@" + Domain);
    QCOMPARE(address(5), "client106@" + Domain);
    QCOMPARE(address(2), "");
  }

  void passwordsStayOutOfTheLog() {
    QFile log(base_->ExePath() + "/VelLog.log");
    if (log.open(QIODevice::ReadOnly))
      QVERIFY(!QString::fromUtf8(log.readAll()).contains(Password.trimmed()));
  }
};

QTEST_MAIN(TstMailEndToEnd)
#include "tst_mail_end_to_end.moc"
