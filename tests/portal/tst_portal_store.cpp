#include "entry/error_log.h"
#include "entry/mod_it_main.h"
#include "platform/base/suite_schema.h"
#include "platform/grid/flexgrid_model.h"
#include "portal/portal_run.h"
#include "portal/progress_panel.h"
#include "register/register_layout.h"
#include "scripted_interaction.h"
#include "test_store.h"

#include <QFile>
#include <QTest>

using namespace kestrel;
using namespace kestrel::testing;

class TestPortalStore : public QObject {
  Q_OBJECT

  std::unique_ptr<TestStore> store_;
  std::shared_ptr<VelBase> base_;

  QStringList record(const QString& code) {
    std::unique_ptr<Recordset> rs;
    base_->RecordsetQuery(rs,
                          "SELECT EmailID, MobNo, EmailId1, MobNo1 FROM OnlineRegInfo WHERE Code_No='" +
                              base_->TruncVarSQL(code) + "'",
                          base_->DBObj(), ado::adOpenForwardOnly, ado::adLockReadOnly);
    if (rs->Eof())
      return {};
    return {rs->Text(0), rs->Text(1), rs->Text(2), rs->Text(3)};
  }

  void insert(const QString& code, const QStringList& values) {
    const auto q = [&](const QString& v) { return "'" + base_->TruncVarSQL(v) + "'"; };
    base_->ConQuery("INSERT INTO OnlineRegInfo (Code_No, AsYr, EmailID, MobNo, EmailId1, MobNo1) VALUES (" +
                    q(code) + ", 0, " + q(values[0]) + ", " + q(values[1]) + ", " + q(values[2]) + ", " +
                    q(values[3]) + ")");
  }

 private slots:
  void initTestCase() { store_ = std::make_unique<TestStore>(); }
  void init() {
    store_->dropAllTables();
    base_ = store_->makeBase();
    ModIT_Main().BaseComponent = base_;
    EnsureSuiteTables(base_->store());
  }
  void cleanup() {
    ModuleShutdown();
    base_.reset();
  }

  void writeBackReadsBack_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QStringList>("change");
    QTest::addColumn<QStringList>("stored");  // EmailID, MobNo, EmailId1, MobNo1

    QTest::newRow("resident, all four")
        << "C001"
        << QStringList{"No", "", "9876543210", "1", "a@x.in", "5", "9123456780", "12", "b@x.in", "2"}
        << QStringList{"a@x.in", "9876543210", "b@x.in|||||R|1|5|12|2|", "9123456780"};
    QTest::newRow("non-resident") << "C002"
                                  << QStringList{"Yes", "1", "5012345678", "1", "", "", "", "", "", ""}
                                  << QStringList{"", "5012345678", "|||||NR|1||||1", ""};
    QTest::newRow("nothing but a secondary e-mail")
        << "C003" << QStringList{"", "", "", "", "", "", "", "", "b@x.in", "0"}
        << QStringList{"", "", "b@x.in", ""};
    QTest::newRow("apostrophes and backslashes")
        << "D'SOU\\01"
        << QStringList{"No", "", "9876543210", "1", "o'neil@x.in", "1", "", "", "d'souza\\@x.in", "6"}
        << QStringList{"o'neil@x.in", "9876543210", "d'souza\\@x.in|||||R|1|1||6|", ""};
  }
  void writeBackReadsBack() {
    QFETCH(QString, code);
    QFETCH(QStringList, change);
    QFETCH(QStringList, stored);
    ScopedInteraction ui;
    const QStringList old = {"old@x.in", "9000000000", "old2@x.in||||R|1|1|1|1|", "9000000001"};
    insert(code, old);
    insert("NEIGHBOUR", old);

    grid::FlexGridModel vsCL;
    vsCL.setCols(col::Count);
    vsCL.setRows(FirstDataRow + 1);
    vsCL.setFixedRows(HeaderRows);
    const int r = FirstDataRow;
    vsCL.setTextMatrix(r, col::PartyCode, code);
    for (int i = 0; i < change.size(); ++i) vsCL.setTextMatrix(r, col::Change + i, change[i]);
    ProgressPanel panel;
    PortalRun run(vsCL, panel, [](bool) {});
    run.CurrentRow = r;

    run.UpdateITRDetails();

    QCOMPARE(record(code), stored);
    QCOMPARE(record("NEIGHBOUR"), old);
    QVERIFY2(!QFile::exists(ErrorLogPath()), "the write-back must log no failure");
  }
};

QTEST_MAIN(TestPortalStore)
#include "tst_portal_store.moc"
