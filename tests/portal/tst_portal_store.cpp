#include "contact_fields.h"
#include "entry/error_log.h"
#include "entry/mod_it_main.h"
#include "platform/base/suite_schema.h"
#include "platform/grid/flexgrid_model.h"
#include "portal/portal_run.h"
#include "register/register_layout.h"
#include "test_store.h"

#include <QFile>
#include <QTest>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

// A client's OnlineRegInfo fields that a write-back sets.
struct Stored {
  const char* emailId = "";
  const char* mobNo = "";
  const char* emailId1 = "";
  const char* mobNo1 = "";
};

struct Case {
  const char* tag;
  const char* code;
  Contacts change;
  Stored stored;
};

}  // namespace

Q_DECLARE_METATYPE(Case)

class TestPortalStore : public QObject {
  Q_OBJECT
  TestStore store_;
  std::shared_ptr<VelBase> base_;

  QString q(const QString& v) const { return "'" + base_->TruncVarSQL(v) + "'"; }
  void compareRecord(const QString& code, const Stored& expected) {
    std::unique_ptr<Recordset> rs;
    base_->RecordsetQuery(
        rs, "SELECT EmailID, MobNo, EmailId1, MobNo1 FROM OnlineRegInfo WHERE Code_No=" + q(code),
        base_->DBObj(), ado::adOpenForwardOnly, ado::adLockReadOnly);
    QVERIFY(!rs->Eof());
    QCOMPARE(rs->Text(u"EmailID"), expected.emailId);
    QCOMPARE(rs->Text(u"MobNo"), expected.mobNo);
    QCOMPARE(rs->Text(u"EmailId1"), expected.emailId1);
    QCOMPARE(rs->Text(u"MobNo1"), expected.mobNo1);
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
    QTest::addColumn<Case>("c");
    const Case cases[] = {
        {.tag = "resident",
         .code = "C001",
         .change = {.nonResident = "No",
                    .mobile1 = "98",
                    .mobile1Rel = "1",
                    .email1 = "a@x.in",
                    .email1Rel = "5",
                    .mobile2 = "91",
                    .mobile2Rel = "12",
                    .email2 = "b@x.in",
                    .email2Rel = "2"},
         .stored =
             {.emailId = "a@x.in", .mobNo = "98", .emailId1 = "b@x.in|||||R|1|5|12|2|", .mobNo1 = "91"}},
        {.tag = "non-resident",
         .code = "C002",
         .change = {.nonResident = "Yes", .isd = "1", .mobile1 = "50", .mobile1Rel = "1"},
         .stored = {.mobNo = "50", .emailId1 = "|||||NR|1||||1"}},
        {.tag = "nothing kept",
         .code = "C003",
         .change = {.email2 = "b@x.in", .email2Rel = "0"},
         .stored = {.emailId1 = "b@x.in"}},
        {.tag = "quotes, backslashes",
         .code = "D'SOU\\01",
         .change = {.nonResident = "No",
                    .mobile1 = "98",
                    .mobile1Rel = "1",
                    .email1 = "o'neil@x.in",
                    .email1Rel = "1",
                    .email2 = "d\\'s@x.in",
                    .email2Rel = "6"},
         .stored = {.emailId = "o'neil@x.in", .mobNo = "98", .emailId1 = "d\\'s@x.in|||||R|1|1||6|"}},
    };
    for (const Case& c : cases) QTest::newRow(c.tag) << c;
  }
  void writeBack() {
    QFETCH(Case, c);
    for (const QString& code : {QString(c.code), QString("OTHER")})
      base_->ConQuery("INSERT INTO OnlineRegInfo (Code_No, AsYr, EmailID, MobNo, EmailId1, MobNo1) VALUES (" +
                      q(code) + ", 0, 'old@x.in', '90', 'o2@x.in||||R|1|1|1|1|', '91')");
    grid::FlexGridModel clients;
    clients.setCols(col::Count);
    clients.setRows(HeaderRows + 1);
    clients.setTextMatrix(FirstDataRow, col::PartyCode, c.code);
    const ContactGroup change = c.change.group();
    for (int i = 0; i < int(change.size()); ++i)
      clients.setTextMatrix(FirstDataRow, col::Change + i, change[size_t(i)]);
    PortalRun run(clients, [] { return false; });
    run.currentRow = FirstDataRow;

    run.writeBackConfirmedDetails();

    compareRecord(c.code, c.stored);
    compareRecord(
        "OTHER", {.emailId = "old@x.in", .mobNo = "90", .emailId1 = "o2@x.in||||R|1|1|1|1|", .mobNo1 = "91"});
    QVERIFY2(!QFile::exists(ErrorLogPath()), "the write-back must log no failure");
  }
};

QTEST_MAIN(TestPortalStore)
#include "tst_portal_store.moc"
