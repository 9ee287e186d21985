#include "assign/auto_find_box.h"
#include "assign/default_panel.h"
#include "assign/proceed_checks.h"
#include "assign/proceed_command.h"
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

// A client holding a value in the checked column; codes are numbered in register order.
struct Holder {
  QString value;
  Tick tick = Tick::Ticked;
  QString name = "Name";
};
using Holders = QList<Holder>;

Holders times(int count, const Holder& holder) {
  return Holders(count, holder);
}

std::unique_ptr<grid::FlexGrid> registerWith(const Holders& holders, int column) {
  std::vector<Client> clients;
  for (int i = 0; i < holders.size(); ++i)
    clients.push_back({"C" + QString::number(i + 1), holders[i].name, holders[i].tick});
  auto view = makeRegister(clients);
  for (int i = 0; i < holders.size(); ++i)
    view->model()->setTextMatrix(FirstDataRow + i, column, holders[i].value);
  return view;
}

// The texts of the panel's two limit boxes.
struct LimitBoxes {
  QString mobile;
  QString eMail;
};

QString overMessage(const QString& kind, const QString& value, int limit) {
  return QString("you have assigned same %1(%2) to more than %3 Parties ").arg(kind, value).arg(limit);
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
    QTest::addColumn<Holders>("holders");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("maxBytes");     // of one insert statement, 0 for the store's own limit
    QTest::addColumn<QString>("message");  // "" when the check passes
    QTest::newRow("empty column") << Holders{{""}, {"  "}} << col::NewEMail1 << 1 << 0 << "";
    QTest::newRow("two over-used: first in order")
        << times(2, {"z@b.in"}) + times(2, {"m@b.in"}) << col::NewEMail1 << 1 << 0
        << overMessage("E-Mail", "m@b.in", 1);
    QTest::newRow("hidden and unticked rows never count")
        << times(2, {"9876543210"}) + Holders{{"9876543210", Tick::Hidden}, {"9876543210", Tick::Unticked}}
        << col::NewMobile1 << 2 << 0 << "";
    // The count does not read the name: one longer than the scratch column is cut, not refused.
    QTest::newRow("a name longer than the scratch column")
        << times(2, {"x@b.in", Tick::Ticked, QString(300, 'n') + "'s"}) << col::NewEMail1 << 1 << 0
        << overMessage("E-Mail", "x@b.in", 1);
    // Many statements, names and addresses with quotes and backslashes: every row still counts once.
    const Holders many = times(300, {"sh'\\x@b.in", Tick::Ticked, "Name's \\ "});
    QTest::newRow("split insert, at the limit") << many << col::NewEMail1 << 300 << 600 << "";
    QTest::newRow("split insert, one over")
        << many << col::NewEMail1 << 299 << 600 << overMessage("E-Mail", "sh'\\x@b.in", 299);
  }
  void sharingLimits() {
    QFETCH(Holders, holders);
    QFETCH(int, column);
    QFETCH(int, limit);
    QFETCH(int, maxBytes);
    QFETCH(QString, message);
    auto view = registerWith(holders, column);
    const auto refusal = CheckSharingLimit(*view->model(), column, limit, maxBytes);
    QCOMPARE(refusal ? refusal->message : QString(), message);
    if (refusal) {
      QCOMPARE(refusal->col, column);
      QCOMPARE(refusal->row, -1);  // the current row stays
    }
  }

  void failingStatementStopsTheRunSilently() {
    ScopedInteraction ui;
    // The connection's private scratch table first, then the shared one.
    while (ignoreErrors([&] { base_->ConQuery("DROP TABLE ITRDet_Temp"); })) {
    }
    auto view = registerWith({{"a@b.in"}}, col::NewEMail1);
    writeNewContact(*view->model(), FirstDataRow, CompleteContact);
    int runs = 0;
    StartUpdateRun(*view, SharingLimits{.eMail = 5}, [&](bool) { ++runs; });
    QCOMPARE(runs, 0);
    QVERIFY(ui->messages.empty());
    QFile log(base_->ExePath() + "/VelLog.log");
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().contains("frmKestrel\tValidateData"));
  }

  // The limit boxes as typed, the rows checked first, and where a refusal leaves the cursor.
  void proceed_data() {
    QTest::addColumn<LimitBoxes>("limitBoxes");
    QTest::addColumn<NewContact>("secondRow");
    QTest::addColumn<QString>("message");  // "" when the run starts
    QTest::addColumn<int>("cursorRow");
    QTest::addColumn<int>("cursorCol");
    const NewContact& ok = CompleteContact;
    const int first = FirstDataRow, second = FirstDataRow + 1;
    QTest::newRow("mobile limit") << LimitBoxes{"1", "5"} << ok << overMessage("Mobile No.", "9876543210", 1)
                                  << first << col::NewMobile1;
    QTest::newRow("mobile check off, 1.4 rounds to 1")
        << LimitBoxes{"0", "1.4"} << ok << overMessage("E-Mail", "a@b.in", 1) << first << col::NewEMail1;
    QTest::newRow("both off") << LimitBoxes{"", "abc"} << ok << "" << first << col::PartyName;
    QTest::newRow("incomplete row before any limit")
        << LimitBoxes{"1", "1"} << ok.with(&NewContact::eMail1Rel, "")
        << "Primary E-Mail Belongs To cannot be blank" << second << col::NewEMail1Rel;
  }
  void proceed() {
    QFETCH(LimitBoxes, limitBoxes);
    QFETCH(NewContact, secondRow);
    QFETCH(QString, message);
    QFETCH(int, cursorRow);
    QFETCH(int, cursorCol);
    ScopedInteraction ui;
    auto view = makeRegister({{"C1", "A"}, {"C2", "B"}});
    writeNewContact(*view->model(), FirstDataRow, CompleteContact);
    writeNewContact(*view->model(), FirstDataRow + 1, secondRow);
    view->model()->setCurrentCell(FirstDataRow, col::PartyName);
    DefaultPanel panel(view.get());
    panel.mobileLimitBox->setText(limitBoxes.mobile);
    panel.eMailLimitBox->setText(limitBoxes.eMail);
    QList<bool> runs;
    StartUpdateRun(*view, panel.sharingLimits(), [&](bool update) { runs << update; });
    QCOMPARE(ui->messages.empty() ? QString() : ui->messages.at(0).text, message);
    QCOMPARE(runs, message.isEmpty() ? QList<bool>{true} : QList<bool>{});
    QCOMPARE(view->Row(), cursorRow);
    QCOMPARE(view->Col(), cursorCol);
  }

  void assignmentRoundTripOnStore() {
    ScopedInteraction ui;
    base_->ConQuery("INSERT INTO TblITR_SecMail (s_eMail) VALUES('kept@b.in')");
    base_->ConQuery("INSERT INTO WebMailDomain(DomainID, sUrl, sDomain)VALUES(1,'panel.firm.in','firm.in')");
    base_->ConQuery("INSERT INTO WebMailFwder(DomainID, CodeNo, sAlias, nForwardTo)VALUES(1,'C1','c.one',1)");
    auto view = makeRegister({{"C1", "One"}, {"C2", "Two"}});
    DefaultPanel panel(view.get());
    panel.fillRelationLists();
    panel.loadUsedValues();
    panel.loadSettings();

    panel.primaryMobileBox->setEditText("9876543210");
    panel.fetchAliasBox->setChecked(true);
    panel.primaryEMailBox->setEditText("typed@b.in");  // replaced by the alias, so not remembered
    panel.secondaryEMailBox->setEditText("o'brien\\x@b.in");
    panel.assignToSelectedClients();
    QVERIFY(ui->messages.empty());
    QCOMPARE(view->model()->TextMatrix(FirstDataRow, col::NewEMail1), "c.one@firm.in");
    QCOMPARE(view->model()->TextMatrix(FirstDataRow + 1, col::NewEMail2), "o'brien\\x@b.in");

    // The typed values are listed again and selected from the stored settings.
    QCOMPARE(panel.primaryMobileBox->itemText(ListIndex(panel.primaryMobileBox)), "9876543210");
    QCOMPARE(ListIndex(panel.secondaryEMailBox), panel.secondaryEMailBox->findText("o'brien\\x@b.in"));

    // Picked now, so a second assignment remembers nothing new.
    panel.assignToSelectedClients();
    QCOMPARE(scalar("SELECT Count(*) FROM TblITR_SecMail"), "2");
    QCOMPARE(scalar("SELECT Count(*) FROM TblITR_PriMob"), "1");
    QCOMPARE(scalar("SELECT Count(*) FROM TblITR_PriMail"), "0");
  }
};

QTEST_MAIN(TestAssignStore)
#include "tst_assign_store.moc"
