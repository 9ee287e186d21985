#include "entry/error_log.h"
#include "entry/mod_it_main.h"
#include "platform/base/suite_schema.h"
#include "platform/grid/flexgrid_model.h"
#include "portal/portal_run.h"
#include "portal/progress_panel.h"
#include "register/register_layout.h"
#include "test_store.h"

#include <QFile>
#include <QTest>

using namespace kestrel;
using namespace kestrel::testing;

class TestPortalStore : public QObject {
  Q_OBJECT
  TestStore store_;
  std::shared_ptr<VelBase> base_;

  QString q(const QString& v) const { return "'" + base_->TruncVarSQL(v) + "'"; }
  // EmailID;MobNo;EmailId1;MobNo1 of the client's record.
  QString record(const QString& code) {
    std::unique_ptr<Recordset> rs;
    base_->RecordsetQuery(
        rs, "SELECT EmailID, MobNo, EmailId1, MobNo1 FROM OnlineRegInfo WHERE Code_No=" + q(code),
        base_->DBObj(), ado::adOpenForwardOnly, ado::adLockReadOnly);
    return QStringList{rs->Text(0), rs->Text(1), rs->Text(2), rs->Text(3)}.join(';');
  }

 private slots:
  void init() {
    store_.dropAllTables();
    base_ = store_.makeBase();
    ModIT_Main().BaseComponent = base_;
    EnsureSuiteTables(base_->store());
  }
  void cleanup() { ModuleShutdown(); }

  void writeBack_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("stored");
    QTest::newRow("resident") << "C001"
                              << "No;;98;1;a@x.in;5;91;12;b@x.in;2"
                              << "a@x.in;98;b@x.in|||||R|1|5|12|2|;91";
    QTest::newRow("non-resident") << "C002"
                                  << "Yes;1;50;1"
                                  << ";50;|||||NR|1||||1;";
    QTest::newRow("nothing kept") << "C003"
                                  << ";;;;;;;;b@x.in;0"
                                  << ";;b@x.in;";
    QTest::newRow("quotes, backslashes") << "D'SOU\\01"
                                         << "No;;98;1;o'neil@x.in;1;;;d\\'s@x.in;6"
                                         << "o'neil@x.in;98;d\\'s@x.in|||||R|1|1||6|;";
  }
  void writeBack() {
    QFETCH(QString, code);
    QFETCH(QString, change);
    QFETCH(QString, stored);
    for (const QString& c : {code, QString("OTHER")})
      base_->ConQuery("INSERT INTO OnlineRegInfo (Code_No, AsYr, EmailID, MobNo, EmailId1, MobNo1) VALUES (" +
                      q(c) + ", 0, 'old@x.in', '90', 'o2@x.in||||R|1|1|1|1|', '91')");
    grid::FlexGridModel vsCL;
    vsCL.setCols(col::Count);
    vsCL.setRows(HeaderRows + 1);
    vsCL.setTextMatrix(FirstDataRow, col::PartyCode, code);
    const QStringList cells = change.split(';');
    for (int i = 0; i < cells.size(); ++i) vsCL.setTextMatrix(FirstDataRow, col::Change + i, cells[i]);
    ProgressPanel panel;
    PortalRun run(vsCL, panel, [](bool) {});
    run.CurrentRow = FirstDataRow;

    run.UpdateITRDetails();

    QCOMPARE(record(code), stored);
    QCOMPARE(record("OTHER"), "old@x.in;90;o2@x.in||||R|1|1|1|1|;91");
    QVERIFY2(!QFile::exists(ErrorLogPath()), "the write-back must log no failure");
  }
};

QTEST_MAIN(TestPortalStore)
#include "tst_portal_store.moc"
