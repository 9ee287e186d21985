#include "controls/zen_button.h"
#include "entry/mod_it_main.h"
#include "fake_base.h"
#include "fake_portal.h"
#include "platform/grid/flexgrid_model.h"
#include "portal/portal_run.h"
#include "portal/progress_panel.h"
#include "register/register_layout.h"
#include "scripted_interaction.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

const QColor None, Cyan(227, 250, 251), Green(192, 255, 192), Pink(255, 227, 235), Blue(0, 0, 255);
// One client's run: the portal's answers and what the row and the store show afterwards.
struct Case {
  const char* tag;
  bool update;
  Script script;
  const char* log;
  QColor back, fore;
  const char* calls;  // between the login and CheckForLogInCL
  const char* name = "";
  bool written = false;
};

const char* const Profile = R"({"firstName":"Zara","lastName":"Khan","priMobileNum":"9000000001"})";

// The main window's side of a run.
struct Window {
  grid::FlexGridModel vsCL;
  ProgressPanel FraProgress;
  QList<bool> running;
  PortalRun run{vsCL, FraProgress, [this](bool on) { running << on, FraProgress.setVisible(on); }};

  Window() {
    vsCL.setCols(col::Count);
    vsCL.setRows(HeaderRows);
    vsCL.setFixedRows(HeaderRows);
    vsCL.setColHidden(col::ImportLogs, true);
  }
  // A client with PAN "AAAP<code>1111A", password "pw-<code>" and an earlier run's traces.
  int add(const QString& code, bool ticked = true, bool hidden = false, const QString& change = {}) {
    vsCL.AddItem(QStringList{"", code, "", "", "", code + " Client", pan(code), "", "pw-" + code}.join('\t'));
    const int r = vsCL.Rows() - 1;
    vsCL.setCellChecked(r, col::SrNo, ticked ? 1 : 2);
    vsCL.setRowHidden(r, hidden);
    const QStringList cells = change.split(';');
    for (int i = 0; i < cells.size(); ++i) vsCL.setTextMatrix(r, col::Change + i, cells[i]);
    vsCL.setTextMatrix(r, col::ImportLogs, "earlier");
    vsCL.setCellBackColor(r, 0, r, col::ImportLogs, Pink);
    return r;
  }
  static QString pan(const QString& code) { return "AAAP" + code + "1111A"; }
  // The row's colour when all its cells share it.
  QColor colour(int r, bool back) const {
    const auto at = [&](int c) { return back ? vsCL.CellBackColor(r, c) : vsCL.CellForeColor(r, c); };
    for (int c = 1; c <= col::ImportLogs; ++c)
      if (at(c) != at(0))
        return QColor(1, 2, 3);
    return at(0);
  }
};

QString session(const QString& code, const QString& middle) {
  const QString pan = Window::pan(code);
  return "InitMe, ShowError(0), Login(" + pan + ", pw-" + code + "), " + middle + ", Check(" + pan + ", 1)";
}

QStringList logLines() {
  QFile file(Base().ExePath() + "/VelLog.log");
  file.open(QIODevice::ReadOnly | QIODevice::Text);
  return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

}  // namespace

Q_DECLARE_METATYPE(Case)

class TestPortalRun : public QObject {
  Q_OBJECT
  std::shared_ptr<FakeBase> base_;
  std::shared_ptr<Journal> journal_;

 private slots:
  void init() {
    base_ = std::make_shared<FakeBase>();
    ObjectRegistry::instance().registerFactory("VelBase.ClsMain", [b = base_] { return b; });
    ModuleStart();
    journal_ = std::make_shared<Journal>();
    ObjectRegistry::instance().registerFactory(PortalLogin::ProgId,
                                               [j = journal_] { return std::make_shared<FakePortal>(j); });
  }
  void cleanup() {
    ModuleShutdown();
    ObjectRegistry::instance().unregister("VelBase.ClsMain");
    ObjectRegistry::instance().unregister(PortalLogin::ProgId);
  }

  void oneClient_data() {
    QTest::addColumn<Case>("c");
    // clang-format off
    const Case cases[] = {
        {"fetch", false, {true, "", Profile}, "Login Success", None, None, "Profile", "Zara Khan"},
        {"fetch, no profile", false, {}, "Failed to Open 'myProfile' Page", None, None, "Profile"},
        {"fetch, not JSON", false, {true, "", "Expired"}, "Unknown Response", None, None, "Profile"},
        {"not verified", false, {false, "NON Verified Details"}, "NON Verified Details", Cyan, None, "ErrData"},
        {"PIN", true, {false, "Validate PIN Details"}, "Validate PIN Details", Green, None, "ErrData"},
        {"wrong password", false, {false, "Wrong password"}, "Wrong password", Pink, None, "ErrData"},
        {"failed login, contacts confirmed", false, {false, "Validate Contact Success"}, "Validate Contact Success",
         None, Blue, "ErrData", "", true},
        {"update", true, {true, "", Profile}, "Validate Contact Success", None, Blue, "Profile, Verify", "", true},
        {"update refused", true, {true, "", Profile, false}, "Failed to Open 'Verify Contact Detail' Page", None,
         None, "Profile, Verify"},
        {"update, no profile", true, {}, "Failed to Open 'myProfile' Page", None, None, "Profile"},
    };
    // clang-format on
    for (const Case& c : cases) QTest::newRow(c.tag) << c;
  }
  void oneClient() {
    QFETCH(Case, c);
    ScopedInteraction ui;
    Window w;
    const int skipped[] = {w.add("X", false), w.add("Y", true, true)};
    const int z = w.add("Z", true, false, "No;;9876543210;5;z@x.in;1");
    journal_->scripts.insert(w.pan("Z"), c.script);

    w.run.LoginToITR(c.update);

    QCOMPARE(journal_->sessions, QStringList{session("Z", c.calls)});
    QCOMPARE(w.vsCL.TextMatrix(z, col::ImportLogs), c.log);
    QCOMPARE(w.colour(z, true), c.back);
    QCOMPARE(w.colour(z, false), c.fore);
    QCOMPARE(w.vsCL.TextMatrix(z, col::LoginName), c.name);
    for (int r : skipped) {
      QCOMPARE(w.vsCL.TextMatrix(r, col::ImportLogs), "");
      QCOMPARE(w.colour(r, true), None);
    }
    QCOMPARE(journal_->submitted,
             QStringList(QString(c.calls).contains("Verify") ? 1 : 0, "91;9876543210;2;z@x.in;1;;;;"));
    QCOMPARE(w.vsCL.TextMatrix(z, col::Software + col::EMail1), c.written ? "z@x.in" : "");
    QCOMPARE(w.vsCL.TextMatrix(z, col::Login + col::Mobile1Rel), c.written ? "5" : "");
    const QStringList sql = {
        "UPDATE OnlineRegInfo SET EmailID='z@x.in', MobNo='9876543210',"
        "EmailId1='|||||R|5|1|||', MobNo1='' WHERE Code_No='Z'",
        "Flush Tables"};
    QCOMPARE(base_->statements, c.written ? sql : QStringList());
    QCOMPARE(w.running, QList<bool>({true, false}));
    QVERIFY(!w.vsCL.ColHidden(col::ImportLogs));
    QCOMPARE(w.FraProgress.lblPartyName->text(), "Fetching Details for - Z Client");
    QVERIFY(!w.run.Portal);
    QCOMPARE(logLines(), QStringList());
  }

  void clientsInOrderOneInstanceEach() {
    ScopedInteraction ui;
    Window w;
    for (const char* code : {"A", "B", "C"}) w.add(code);
    journal_->scripts = {{w.pan("A"), {true, "", Profile}}, {w.pan("B"), {false, "x"}}, {w.pan("C"), {}}};
    w.run.Portal = w.run.NewPortalLogin();  // the window's own, replaced by the first client's
    QCOMPARE(journal_->init, QStringList({Base().ExePath() + QDir::separator() + "VelLog.log",
                                          Base().vTmpPath(), "lblprog", "cmdprogC"}));
    w.run.LoginToITR(true);
    QCOMPARE(journal_->sessions, QStringList({"InitMe", session("A", "Profile, Verify"),
                                              session("B", "ErrData"), session("C", "Profile")}));
    QCOMPARE(journal_->mostLive, 1);
    QCOMPARE(ui->yields, 3 + 2 + 1);  // each row, A's profile and request, C's profile
  }

  void cancel_data() {
    QTest::addColumn<int>("during");  // the client whose profile is being read
    QTest::addColumn<bool>("yes");
    QTest::addColumn<int>("done");
    QTest::newRow("yes, first") << 0 << true << 1;
    QTest::newRow("yes, last") << 2 << true << 3;
    QTest::newRow("no") << 0 << false << 3;
  }
  void cancel() {
    QFETCH(int, during);
    QFETCH(bool, yes);
    QFETCH(int, done);
    ScopedInteraction ui;
    Window w;
    const int rows[] = {w.add("A"), w.add("B"), w.add("C")};
    for (const char* code : {"A", "B", "C"}) journal_->scripts.insert(w.pan(code), {true, "", Profile});
    ui->answers = {yes};
    ui->onYield = [&] {
      if (w.run.Portal && w.run.CurrentRow == rows[during] && ui->questions.isEmpty()) {
        emit w.FraProgress.cmdprogC->Click();
        emit w.FraProgress.cmdprogC->Click();  // asks again only when the first was answered No
      }
    };
    w.FraProgress.setCancelMark("C");  // left by an earlier run
    w.run.LoginToITR(false);
    QCOMPARE(journal_->sessions.size(), done);
    QCOMPARE(ui->questions, QStringList(yes ? 1 : 2, "Do you really want to Cancel?"));
    for (int i = 0; i < 3; ++i)
      QCOMPARE(w.vsCL.TextMatrix(rows[i], col::ImportLogs), i < done ? "Login Success" : "");
    QCOMPARE(w.FraProgress.CancelMark(), yes ? "C" : "");
    QCOMPARE(w.running, QList<bool>({true, false}));
  }

  void missingComponent() {
    ScopedInteraction ui;
    ObjectRegistry::instance().unregister(PortalLogin::ProgId);
    Window w;
    const int rows[] = {w.add("M"), w.add("N")};
    w.run.LoginToITR(false);
    const QStringList lines = logLines();
    QCOMPARE(lines.size(), 2);  // one per client
    for (int r : rows) {
      QCOMPARE(w.vsCL.TextMatrix(r, col::ImportLogs), lines.first().section('\t', 2, 2));
      QCOMPARE(w.colour(r, true), Pink);
    }
    QVERIFY(lines.first().endsWith("\tfrmKestrel\tLoginToITR"));
  }
};

QTEST_MAIN(TestPortalRun)
#include "tst_portal_run.moc"
