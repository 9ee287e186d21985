#include "contact_fields.h"
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
  RunMode mode;
  Script script;
  const char* log;
  QColor back, fore;
  QStringList calls;  // between the login and CheckForLogInCL
  const char* name = "";
  bool written = false;
  bool prepared = true;  // the row's "To be Changed" group holds new details
};

const char* const Profile = R"({"firstName":"Zara","lastName":"Khan","priMobileNum":"9000000001"})";
const Contacts NewDetails = {
    .nonResident = "No", .mobile1 = "9876543210", .mobile1Rel = "5", .email1 = "z@x.in", .email1Rel = "1"};

// The main window's side of a run: the register and what the run reported.
struct Window {
  grid::FlexGridModel clients;
  bool cancel = false;
  PortalRun run{clients, [this] { return cancel; }};
  QStringList reports;

  Window() {
    clients.setCols(col::Count);
    clients.setRows(HeaderRows);
    clients.setFixedRows(HeaderRows);
    clients.setColHidden(col::ImportLogs, true);
    QObject::connect(&run, &PortalRun::started, [this] { reports << "started"; });
    QObject::connect(&run, &PortalRun::clientStarted,
                     [this](const QString& name) { reports << "client " + name; });
    QObject::connect(&run, &PortalRun::progressText, [this](const QString& text) { reports << text; });
    QObject::connect(&run, &PortalRun::clientFinished, [this](int row, const QString& outcome) {
      reports << QString("row %1: %2").arg(row).arg(outcome);
    });
    QObject::connect(&run, &PortalRun::finished, [this] { reports << "finished"; });
  }
  // A client with PAN "AAAP<code>1111A", password "pw-<code>" and an earlier run's traces.
  int add(const QString& code, bool ticked = true, bool hidden = false, const Contacts& change = {}) {
    clients.AddItem(
        QStringList{"", code, "", "", "", code + " Client", pan(code), "", "pw-" + code}.join('\t'));
    const int r = clients.Rows() - 1;
    clients.setCellChecked(r, col::SrNo, ticked ? 1 : 2);
    clients.setRowHidden(r, hidden);
    const ContactGroup cells = change.group();
    for (int i = 0; i < int(cells.size()); ++i) clients.setTextMatrix(r, col::Change + i, cells[size_t(i)]);
    clients.setTextMatrix(r, col::ImportLogs, "earlier");
    clients.setCellBackColor(r, 0, r, col::ImportLogs, Pink);
    return r;
  }
  static QString pan(const QString& code) { return "AAAP" + code + "1111A"; }
  // The row's colour when all its cells share it.
  QColor colour(int r, bool back) const {
    const auto at = [&](int c) { return back ? clients.CellBackColor(r, c) : clients.CellForeColor(r, c); };
    for (int c = 1; c <= col::ImportLogs; ++c)
      if (at(c) != at(0))
        return QColor(1, 2, 3);
    return at(0);
  }
};

QString session(const QString& code, const QStringList& middle) {
  const QString pan = Window::pan(code);
  return (QStringList{"InitMe", "ShowError(0)", "Login(" + pan + ", pw-" + code + ")"} + middle +
          QStringList{"Check(" + pan + ", 1)"})
      .join(", ");
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
    registerFakePortal(journal_);
  }
  void cleanup() {
    ModuleShutdown();
    ObjectRegistry::instance().unregister("VelBase.ClsMain");
    ObjectRegistry::instance().unregister(PortalLogin::ProgId);
  }

  void oneClient_data() {
    QTest::addColumn<Case>("c");
    const RunMode Fetch = RunMode::Fetch, Update = RunMode::Update;
    // clang-format off
    const Case cases[] = {
        {"fetch", Fetch, {true, "", Profile}, "Login Success", None, None, {"Profile"}, "Zara Khan"},
        {"fetch, no profile", Fetch, {}, "Failed to Open 'myProfile' Page", None, None, {"Profile"}},
        {"fetch, not JSON", Fetch, {true, "", "Expired"}, "Unknown Response", None, None, {"Profile"}},
        {"not verified", Fetch, {false, "NON Verified Details"}, "NON Verified Details", Cyan, None,
         {"ErrData"}},
        {"PIN", Update, {false, "Validate PIN Details"}, "Validate PIN Details", Green, None, {"ErrData"}},
        {"wrong password", Fetch, {false, "Wrong password"}, "Wrong password", Pink, None, {"ErrData"}},
        {"failed login, contacts confirmed", Fetch, {false, "Validate Contact Success"},
         "Validate Contact Success", None, Blue, {"ErrData"}, "", true},
        {"contacts confirmed, nothing prepared", Fetch, {false, "Validate Contact Success"},
         "Validate Contact Success", None, Blue, {"ErrData"}, "", false, false},
        {"update", Update, {true, "", Profile}, "Validate Contact Success", None, Blue, {"Profile", "Verify"},
         "", true},
        {"update refused", Update, {true, "", Profile, false}, "Failed to Open 'Verify Contact Detail' Page",
         None, None, {"Profile", "Verify"}},
        {"update, no profile", Update, {}, "Failed to Open 'myProfile' Page", None, None, {"Profile"}},
    };
    // clang-format on
    for (const Case& c : cases) QTest::newRow(c.tag) << c;
  }
  void oneClient() {
    QFETCH(Case, c);
    ScopedInteraction ui;
    Window w;
    const int skipped[] = {w.add("X", false), w.add("Y", true, true)};
    const int z = w.add("Z", true, false, c.prepared ? NewDetails : Contacts{});
    journal_->scripts.insert(w.pan("Z"), c.script);

    w.run.runClients(c.mode);

    QCOMPARE(journal_->sessions, QStringList{session("Z", c.calls)});
    QCOMPARE(w.clients.TextMatrix(z, col::ImportLogs), c.log);
    QCOMPARE(w.colour(z, true), c.back);
    QCOMPARE(w.colour(z, false), c.fore);
    QCOMPARE(w.clients.TextMatrix(z, col::LoginName), c.name);
    for (int r : skipped) {
      QCOMPARE(w.clients.TextMatrix(r, col::ImportLogs), "");
      QCOMPARE(w.colour(r, true), None);
    }
    const Submission sent = {.isd = "91",
                             .priMobile = "9876543210",
                             .priMobileRel = "2",  // Spouse in the portal's codes
                             .priEmail = "z@x.in",
                             .priEmailRel = "1"};
    QCOMPARE(journal_->submitted, QList<QStringList>(c.calls.contains("Verify") ? 1 : 0, sent.values()));
    QCOMPARE(w.clients.TextMatrix(z, col::Software + col::EMail1), c.written ? "z@x.in" : "");
    QCOMPARE(w.clients.TextMatrix(z, col::Login + col::Mobile1Rel), c.written ? "5" : "");
    const QStringList sql = {
        "UPDATE OnlineRegInfo SET EmailID='z@x.in', MobNo='9876543210',"
        "EmailId1='|||||R|5|1|||', MobNo1='' WHERE Code_No='Z'",
        "Flush Tables"};
    QCOMPARE(base_->statements, c.written ? sql : QStringList());
    QVERIFY(ui->messages.empty());
    QCOMPARE(w.reports.first(), "started");
    QCOMPARE(w.reports.last(), "finished");
    QVERIFY(w.reports.contains("client Z Client"));
    QVERIFY(w.reports.contains(QString("row %1: %2").arg(z).arg(c.log)));
    QVERIFY(!w.clients.ColHidden(col::ImportLogs));
    QVERIFY(!w.run.portalLogin);
    QCOMPARE(logLines(), QStringList());
  }

  // Each client gets its own component, which reports its progress through the run; the
  // window hears of every client and step in order.
  void clientsInOrderOneInstanceEach() {
    ScopedInteraction ui;
    Window w;
    const int a = w.add("A", true, false, NewDetails), b = w.add("B"), c = w.add("C");
    journal_->scripts = {{w.pan("A"), {true, "", Profile}}, {w.pan("B"), {false, "x"}}, {w.pan("C"), {}}};
    w.run.portalLogin = w.run.newPortalLogin();  // the window's own, replaced by the first client's
    QCOMPARE(journal_->init,
             QStringList({Base().ExePath() + QDir::separator() + "VelLog.log", Base().vTmpPath()}));
    QCOMPARE(journal_->progress, static_cast<RunProgress*>(&w.run));

    w.run.runClients(RunMode::Update);

    QCOMPARE(journal_->sessions, QStringList({"InitMe", session("A", {"Profile", "Verify"}),
                                              session("B", {"ErrData"}), session("C", {"Profile"})}));
    QCOMPARE(journal_->mostLive, 1);
    QCOMPARE(ui->yields, 3 + 2 + 1);  // each row, A's profile and request, C's profile
    QCOMPARE(
        w.reports,
        QStringList({"started", "client A Client", "Logging in " + w.pan("A"), "Opening 'myProfile' Page ...",
                     "Request for Verification ...", QString("row %1: Validate Contact Success").arg(a),
                     "client B Client", "Logging in " + w.pan("B"), QString("row %1: x").arg(b),
                     "client C Client", "Logging in " + w.pan("C"), "Opening 'myProfile' Page ...",
                     QString("row %1: Failed to Open 'myProfile' Page").arg(c), "finished"}));
  }

  // Relations read from the portal, copied to "To be Changed" and submitted reach the portal as
  // it sent them (Brother, Spouse, Tax Return Preparer, Friend).
  void relationsRoundTrip() {
    ScopedInteraction ui;
    Window w;
    const int r = w.add("R");
    journal_->scripts.insert(w.pan("R"), {true, "", R"({"priMobileNum":"9876543210","priMobBelongsTo":"7",
        "priEmailId":"r@x.in","priEmailRelationId":"2","secMobileNum":"9123456780","secMobRelationId":"26",
        "secEmailId":"s@x.in","secEmailRelationId":"22"})"});
    w.run.runClients(RunMode::Fetch);
    for (int i = 0; i < 10; ++i)
      w.clients.setTextMatrix(r, col::Change + i, w.clients.TextMatrix(r, col::Login + i));
    w.run.runClients(RunMode::Update);
    const QStringList sent = journal_->submitted.value(0);
    QCOMPARE((QStringList{sent.value(2), sent.value(4), sent.value(6), sent.value(8)}),
             (QStringList{"7", "2", "26", "22"}));
  }

  // The run asks before each client and finishes the client in progress.
  void cancel_data() {
    QTest::addColumn<int>("during");  // the client whose profile is being read, -1: never
    QTest::addColumn<int>("done");
    QTest::newRow("first") << 0 << 1;
    QTest::newRow("last") << 2 << 3;
    QTest::newRow("not cancelled") << -1 << 3;
  }
  void cancel() {
    QFETCH(int, during);
    QFETCH(int, done);
    ScopedInteraction ui;
    Window w;
    const int rows[] = {w.add("A"), w.add("B"), w.add("C")};
    for (const char* code : {"A", "B", "C"}) journal_->scripts.insert(w.pan(code), {true, "", Profile});
    ui->onYield = [&] {
      if (during >= 0 && w.run.portalLogin && w.run.currentRow == rows[during])
        w.cancel = true;
    };
    w.run.runClients(RunMode::Fetch);
    QCOMPARE(journal_->sessions.size(), done);
    for (int i = 0; i < 3; ++i)
      QCOMPARE(w.clients.TextMatrix(rows[i], col::ImportLogs), i < done ? "Login Success" : "");
    QCOMPARE(w.reports.last(), "finished");
    QVERIFY(!w.clients.ColHidden(col::ImportLogs));
  }

  void missingComponent() {
    ScopedInteraction ui;
    ObjectRegistry::instance().unregister(PortalLogin::ProgId);
    Window w;
    const int rows[] = {w.add("M"), w.add("N")};
    w.run.runClients(RunMode::Fetch);
    const QStringList lines = logLines();
    QCOMPARE(lines.size(), 2);  // one per client
    for (int r : rows) {
      QCOMPARE(w.clients.TextMatrix(r, col::ImportLogs), lines.first().section('\t', 2, 2));
      QCOMPARE(w.colour(r, true), Pink);
    }
    QVERIFY(lines.first().endsWith("\tfrmKestrel\tLoginToITR"));
  }

  // Cancel asks once; a run already marked asks nothing, and the next run starts unmarked.
  void cancelQuestion_data() {
    QTest::addColumn<bool>("markedBefore");
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<int>("questions");
    QTest::addColumn<bool>("marked");
    QTest::newRow("yes") << false << QList<bool>{true} << 1 << true;
    QTest::newRow("no") << false << QList<bool>{false} << 1 << false;
    QTest::newRow("no, then yes") << false << QList<bool>{false, true} << 2 << true;
    QTest::newRow("already marked") << true << QList<bool>{true} << 0 << true;
  }
  void cancelQuestion() {
    QFETCH(bool, markedBefore);
    QFETCH(QList<bool>, answers);
    QFETCH(int, questions);
    QFETCH(bool, marked);
    ScopedInteraction ui;
    ProgressPanel panel;
    panel.setCancelRequested(markedBefore);
    ui->answers.assign(answers.begin(), answers.end());
    for (int i = 0; i < answers.size(); ++i) emit panel.cancelButton->Click();
    QCOMPARE(ui->questions, QStringList(questions, "Do you really want to Cancel?"));
    QCOMPARE(panel.cancelRequested(), marked);
    panel.begin();
    QVERIFY(!panel.cancelRequested());
  }
};

QTEST_MAIN(TestPortalRun)
#include "tst_portal_run.moc"
