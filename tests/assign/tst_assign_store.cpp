#include "assign/auto_find.h"
#include "assign/batch_update.h"
#include "assign/default_panel.h"
#include "assign_test_grid.h"
#include "entry/mod_it_main.h"
#include "entry/module_tables.h"
#include "scripted_interaction.h"
#include "test_store.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTest>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

// Clients "code|name|state|value" with value in column `column`.
std::unique_ptr<grid::FlexGrid> registerWith(const QStringList& clients, int column) {
  QStringList plain;
  for (const QString& c : clients) plain << c.section(u'|', 0, 2);
  auto view = makeRegister(plain);
  for (int i = 0; i < clients.size(); ++i)
    view->model()->setTextMatrix(2 + i, column, clients[i].section(u'|', 3));
  return view;
}

QStringList repeat(int times, const QString& client) {
  QStringList list;
  for (int i = 0; i < times; ++i) list << QString(client).replace("#", QString::number(i));
  return list;
}

}  // namespace

class TestAssignStore : public QObject {
  Q_OBJECT

  std::unique_ptr<TestStore> store_;
  std::shared_ptr<VelBase> base_;

  QString scalar(const QString& sql) {
    std::unique_ptr<Recordset> rs;
    base_->RecordsetQuery(rs, sql, base_->DBObj(), ado::adOpenForwardOnly, ado::adLockReadOnly);
    return rs->Eof() ? QString() : rs->Text(0);
  }

 private slots:
  void initTestCase() { store_ = std::make_unique<TestStore>(); }
  void init() {
    base_ = store_->makeBase();
    auto base = base_;
    ObjectRegistry::instance().registerFactory("VelBase.ClsMain", [base] { return base; });
    ModuleStart();
    CreateModuleTables();
  }
  void cleanup() {
    ModuleShutdown();
    ObjectRegistry::instance().unregister("VelBase.ClsMain");
    base_.reset();
    store_->dropAllTables();
  }

  void sharingLimits_data() {
    QTest::addColumn<QStringList>("clients");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("message");  // "" when the check passes
    QTest::addColumn<int>("maxBytes");     // of one insert statement, 0 for the store's own limit
    const QString over = "you have assigned same %1 to more than %2 Parties ";
    QTest::newRow("empty column") << QStringList{"C1|A|T|", "C2|B|T|  "} << 38 << 1 << "" << 0;
    QTest::newRow("two over-used: first in order")
        << (repeat(2, "Z#|N#|T|z@b.in") + repeat(2, "M#|N#|T|m@b.in")) << 38 << 1
        << over.arg("E-Mail(m@b.in)").arg(1) << 0;
    QTest::newRow("hidden and unticked rows never count")
        << (repeat(2, "C#|N#|T|9876543210") + QStringList{"H|h|H|9876543210", "U|u|U|9876543210"}) << 36 << 2
        << "" << 0;
    // Many statements, names and addresses with quotes and backslashes: every row still counts once.
    const QStringList many = repeat(300, "C#|Name's \\ #|T|sh'\\x@b.in");
    QTest::newRow("split insert, at the limit") << many << 38 << 300 << "" << 600;
    QTest::newRow("split insert, one over")
        << many << 38 << 299 << over.arg("E-Mail(sh'\\x@b.in)").arg(299) << 600;
  }
  void sharingLimits() {
    QFETCH(QStringList, clients);
    QFETCH(int, column);
    QFETCH(int, limit);
    QFETCH(QString, message);
    QFETCH(int, maxBytes);
    ScopedInteraction ui;
    auto view = registerWith(clients, column);
    QCOMPARE(maxBytes ? ValidateData(*view, column, limit, maxBytes) : ValidateData(*view, column, limit),
             message.isEmpty());
    QCOMPARE(ui->messages.empty() ? QString() : ui->messages[0].text, message);
    if (!message.isEmpty())
      QCOMPARE(view->Col(), column);
  }

  void failingStatementFailsTheCheck() {
    ScopedInteraction ui;
    base_->ConQuery("DROP TABLE ITRDet_Temp");
    auto view = registerWith({"C1|A|T|a@b.in"}, 38);
    QVERIFY(!ValidateData(*view, 38, 5));
    QVERIFY(ui->messages.empty());
    QFile log(base_->ExePath() + "/VelLog.log");
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().contains("frmKestrel\tValidateData"));
  }

  void proceed_data() {
    QTest::addColumn<QString>("maxMobile");
    QTest::addColumn<QString>("maxEMail");
    QTest::addColumn<QString>("outcome");  // message shown, or "run"
    const QString over = "you have assigned same %1 to more than 1 Parties ";
    QTest::newRow("mobile limit") << "1" << QString("5") << over.arg("Mobile No.(9876543210)");
    QTest::newRow("mobile check off") << "0" << QString("1.4") << over.arg("E-Mail(a@b.in)");
    QTest::newRow("both off") << "" << QString("abc") << "run";
  }
  void proceed() {
    QFETCH(QString, maxMobile);
    QFETCH(QString, maxEMail);
    QFETCH(QString, outcome);
    ScopedInteraction ui;
    auto view = makeRegister({"C1|A", "C2|B"});
    for (int row = 2; row <= 3; ++row)
      for (int c = 36; c <= 39; ++c)
        view->model()->setTextMatrix(row, c, QString("9876543210|1|a@b.in|1").section('|', c - 36, c - 36));
    DefaultPanel panel(view.get());
    panel.TxtMaxMobile->setText(maxMobile);
    panel.TxtMaxEMail->setText(maxEMail);
    QList<bool> runs;
    CmdProceed_Click(*view, panel, [&](bool update) { runs << update; });
    QCOMPARE(runs.isEmpty() ? ui->messages.at(0).text : QString("run"), outcome);
    QCOMPARE(runs, outcome == "run" ? QList<bool>{true} : QList<bool>{});
  }

  void assignmentRoundTripOnStore() {
    ScopedInteraction ui;
    base_->ConQuery("INSERT INTO TblITR_SecMail (s_eMail) VALUES('kept@b.in')");
    base_->ConQuery("INSERT INTO WebMailDomain(DomainID, sUrl, sDomain)VALUES(1,'panel.firm.in','firm.in')");
    base_->ConQuery("INSERT INTO WebMailFwder(DomainID, CodeNo, sAlias, nForwardTo)VALUES(1,'C1','c.one',1)");
    auto view = makeRegister({"C1|One", "C2|Two"});
    DefaultPanel panel(view.get());
    panel.FillBelongsToLists();
    panel.ReadDefaultDetails();
    panel.ReadITRDefSetting();

    panel.cmbp_mob->setEditText("9876543210");
    panel.ChkFetchAlias->setChecked(true);
    panel.cmbp_email->setEditText("typed@b.in");  // replaced by the alias, so not remembered
    panel.Cmbsecemail->setEditText("o'brien\\x@b.in");
    panel.CmdSecDefault_Click();
    QVERIFY(ui->messages.empty());
    QCOMPARE(view->model()->TextMatrix(2, 38), "c.one@firm.in");
    QCOMPARE(view->model()->TextMatrix(3, 42), "o'brien\\x@b.in");

    // The typed values are listed again and selected from the stored settings.
    QCOMPARE(panel.cmbp_mob->itemText(ListIndex(panel.cmbp_mob)), "9876543210");
    QCOMPARE(ListIndex(panel.Cmbsecemail), panel.Cmbsecemail->findText("o'brien\\x@b.in"));

    // Picked now, so a second assignment remembers nothing new: 2 secondary e-mails, 1 mobile, no e-mail.
    panel.CmdSecDefault_Click();
    QCOMPARE(scalar("SELECT Count(*) FROM TblITR_SecMail") + scalar("SELECT Count(*) FROM TblITR_PriMob") +
                 scalar("SELECT Count(*) FROM TblITR_PriMail"),
             "210");
  }
};

QTEST_MAIN(TestAssignStore)
#include "tst_assign_store.moc"
