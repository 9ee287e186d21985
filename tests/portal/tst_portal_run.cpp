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
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>
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

// The main window's side of a run: the register, the progress panel and what the run reported.
struct Window {
  grid::FlexGridModel clients;
  bool cancel = false;
  ProgressPanel panel;
  PortalRun run{clients, [this] { return cancel || panel.cancelRequested(); }};
  PortalPace pace;
  QStringList reports;

  Window() {
    run.readPace = [this] { return pace; };
    panel.follow(run);
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

// What the portal does to a client in the tests of the run's steering.
enum class Turn { Ok, Busy, Denied, Locked, Skipped };
Script ScriptOf(Turn turn) {
  using enum PortalRefusal;
  switch (turn) {
    case Turn::Busy:
      return {false, "Portal busy: given up", "", true, Busy};
    case Turn::Denied:
      return {false, "Permission Denied: refused", "", true, AccessRefused};
    case Turn::Locked:
      return {false, "Account locked: five wrong passwords", "", true, AccountLocked};
    case Turn::Skipped:
      return {false, "Skipped: logged in elsewhere", "", true, LoggedInElsewhere};
    default:
      return {true, "", Profile};
  }
}

enum class DuringRest { Wait, Resume, Cancel };
struct Steering {
  int sessions;
  QList<Turn> turns;  // one client each, in row order
  DuringRest during;
  int processed;  // clients with an outcome, from the first row on; -1: as the sessions' timing has it
  int rests;      // -1: at least one
  bool refused;   // the user is told the portal refuses automated access
};

// A run's clients in several sessions, with what makes them hard to hand out.
struct Handout {
  int sessions;
  int spacingMs;  // portal milliseconds; the run's pace is scaled to a tenth
  bool takeOver;
};

// The pace as the settings file and the environment give it.
struct PaceSource {
  const char *iniSessions, *iniGap, *iniOpen;  // nullptr: the key is not in the file
  const char *envSessions, *envSpacing, *envOpen;
  int sessions, spacingMs;
  bool takeOver;
};

}  // namespace

Q_DECLARE_METATYPE(Case)
Q_DECLARE_METATYPE(Steering)
Q_DECLARE_METATYPE(Handout)
Q_DECLARE_METATYPE(PaceSource)

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

  // The portal's refusals steer the run: access refused stops it after that client (with several
  // sessions the clients in progress finish); three busy give-ups in a row rest it, which runs
  // out, is cut short or cancelled from the progress panel.
  void steering_data() {
    QTest::addColumn<Steering>("c");
    using enum Turn;
    using enum DuringRest;
    // clang-format off
    QTest::newRow("three busy in a row rest the run") << Steering{1, {Busy, Busy, Busy, Ok, Ok}, Wait, 5, 1, false};
    QTest::newRow("a success breaks the streak") << Steering{1, {Busy, Busy, Ok, Busy, Busy}, Wait, 5, 0, false};
    QTest::newRow("no rest with no client left") << Steering{1, {Ok, Busy, Busy, Busy}, Wait, 4, 0, false};
    QTest::newRow("resume now") << Steering{1, {Busy, Busy, Busy, Ok}, Resume, 4, 1, false};
    QTest::newRow("cancel during the rest") << Steering{1, {Busy, Busy, Busy, Ok, Ok}, Cancel, 3, 1, false};
    QTest::newRow("access refused stops the run") << Steering{1, {Ok, Denied, Ok, Ok}, Wait, 2, 0, true};
    QTest::newRow("a locked account does not") << Steering{1, {Locked, Ok}, Wait, 2, 0, false};
    QTest::newRow("nor a skipped client") << Steering{1, {Skipped, Busy, Busy, Ok}, Wait, 4, 0, false};
    QTest::newRow("4 sessions: access refused, the others finish")
        << Steering{4, {Ok, Denied, Ok, Ok, Ok, Ok, Ok, Ok, Ok}, Wait, -1, 0, true};
    QTest::newRow("4 sessions: rest, resume now")
        << Steering{4, QList<Turn>(8, Busy) + QList<Turn>{Ok}, Resume, 9, -1, false};
    QTest::newRow("4 sessions: cancel during the rest") << Steering{4, QList<Turn>(8, Busy), Cancel, -1, 1, false};
    // clang-format on
  }
  void steering() {
    QFETCH(Steering, c);
    ScopedInteraction ui;
    Window w;
    w.pace.sessions = c.sessions;
    w.pace.loginSpacingMs = 0;
    w.pace.timeScale = 0.0001;  // a rest of 90 ms
    QList<int> rows;
    for (int i = 0; i < c.turns.size(); ++i) {
      const QString code(QChar('A' + i));
      rows << w.add(code);
      journal_->scripts.insert(w.pan(code), ScriptOf(c.turns[i]));
    }
    // What happened, in order: "start <code>", "done <code>", "rest", "rest over".
    QStringList events;
    auto start = [&](const QString& name) {
      if (!name.isEmpty())
        events << "start " + name.section(' ', 0, 0);
    };
    QObject::connect(&w.run, &PortalRun::clientStarted, start);
    QObject::connect(&w.run, &PortalRun::sessionClient, [&](int, const QString& name) { start(name); });
    QObject::connect(&w.run, &PortalRun::clientFinished, [&](int row, const QString&) {
      events << "done " + w.clients.TextMatrix(row, col::PartyCode);
    });
    QObject::connect(&w.run, &PortalRun::resting, [&](qint64 secondsLeft, const QString& reason) {
      const bool began = !events.isEmpty() && events.last() != "rest" && secondsLeft > 0;
      if (secondsLeft == 0)
        events << "rest over";
      if (!began)
        return;
      events << "rest";
      QVERIFY(!w.panel.resumeButton->isHidden());
      QVERIFY(w.panel.progressLabel->text().startsWith(reason + "\nThe next client starts in "));
      if (c.during == DuringRest::Resume)
        emit w.panel.resumeButton->Click();
      if (c.during == DuringRest::Cancel) {
        ui->answers = {true};
        emit w.panel.cancelButton->Click();
      }
    });

    w.run.runClients(RunMode::Fetch);

    if (c.rests >= 0)
      QCOMPARE(events.count("rest"), c.rests);
    else
      QVERIFY(events.count("rest") > 0);
    QVERIFY(w.panel.resumeButton->isHidden());
    // Every client handed out finishes; none starts while the run rests, after a cancel, or
    // after the portal refused automated access.
    const QStringList started = events.filter(QRegularExpression("^start ")),
                      done = events.filter(QRegularExpression("^done "));
    QCOMPARE(done.size(), started.size());
    if (c.processed >= 0)
      QCOMPARE(started.size(), c.processed);
    QString refused;
    for (int i = 0, resting = 0; i < events.size(); ++i) {
      resting += events[i] == "rest" ? 1 : events[i] == "rest over" ? -1 : 0;
      const bool halted = resting > 0 || (!refused.isEmpty()) ||
                          (c.during == DuringRest::Cancel && events.mid(0, i).contains("rest"));
      QVERIFY2(!(events[i].startsWith("start ") && halted), qPrintable(events.join(", ")));
      const int turn = events[i].startsWith("done ") ? events[i].at(5).unicode() - 'A' : -1;
      if (turn >= 0 && c.turns[turn] == Turn::Denied && refused.isEmpty())
        refused = events[i].mid(5) + " Client";
    }
    for (int i = 0; i < rows.size(); ++i) {
      const Script script = ScriptOf(c.turns[i]);
      const QString expected = i >= started.size() ? "" : script.login ? "Login Success" : script.errData;
      QCOMPARE(w.clients.TextMatrix(rows[i], col::ImportLogs), expected);
    }
    QCOMPARE(ui->messages.size(), size_t(c.refused ? 1 : 0));
    if (c.refused)
      QCOMPARE(ui->messages.front().text, PortalRun::accessRefusedMessage(refused));
    QCOMPARE(w.reports.last(), "finished");
  }

  // With several sessions every ticked client is handed out once, in row order, never two with
  // the same PAN at once and new logins spaced; each row ends as it would one by one, and every
  // confirmation is written back.
  void sessions_data() {
    QTest::addColumn<Handout>("c");
    QTest::newRow("one session") << Handout{1, 0, true};
    QTest::newRow("two sessions") << Handout{2, 0, true};
    QTest::newRow("four sessions") << Handout{4, 0, true};
    QTest::newRow("four sessions, logins 0.3 s apart, skipping") << Handout{4, 300, false};
  }
  void sessions() {
    QFETCH(Handout, c);
    ScopedInteraction ui;
    Window w;
    w.pace.sessions = c.sessions;
    w.pace.loginSpacingMs = c.spacingMs;
    w.pace.takeOverOpenSession = c.takeOver;
    w.pace.timeScale = 0.1;
    journal_->loginMs = 15;
    const Script ok(true, "", Profile), refused(true, "", Profile, false);
    // Code, PAN of (its own when empty), script, outcome, back and fore colour.
    struct Client {
      const char *code, *panOf;
      Script script;
      const char* log;
      QColor back, fore;
    };
    const Client clients[] = {
        {"A", "", ok, "Validate Contact Success", None, Blue},
        {"A2", "A", ok, "Validate Contact Success", None, Blue},  // one PAN, two rows
        {"B", "", {false, "Validate PIN Details"}, "Validate PIN Details", Green, None},
        {"C", "", refused, "Failed to Open 'Verify Contact Detail' Page", None, None},
        {"D", "", {false, "wrong"}, "wrong", Pink, None},
        {"E", "", ok, "Validate Contact Success", None, Blue},
        {"F", "", {}, "Failed to Open 'myProfile' Page", None, None},
        {"F2", "F", {}, "Failed to Open 'myProfile' Page", None, None},
        {"G", "", ok, "Validate Contact Success", None, Blue},
    };
    QList<int> rows;
    for (const Client& client : clients) {
      rows << w.add(client.code, true, false, NewDetails);
      const QString pan = w.pan(*client.panOf ? client.panOf : client.code);
      w.clients.setTextMatrix(rows.last(), col::Pan, pan);
      w.clients.setTextMatrix(rows.last(), col::Password, "pw-" + QString(client.code).left(1));
      journal_->scripts.insert(pan, client.script);
    }
    const int unticked = w.add("X", false), hidden = w.add("Y", true, true);
    QStringList handedOut;
    QList<qint64> handedAt;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&w.run, &PortalRun::sessionClient, [&](int session, const QString& name) {
      QVERIFY(session >= 0 && session < c.sessions);
      if (!name.isEmpty())
        handedOut << name, handedAt << clock.elapsed();
    });
    if (c.sessions == 1)
      QObject::connect(&w.run, &PortalRun::clientStarted, [&](const QString& name) { handedOut << name; });
    // The count the panel shows after each client, and its bar.
    QStringList counts;
    QList<int> bar;
    QObject::connect(&w.run, &PortalRun::clientsDone, [&] {
      counts << w.panel.countLabel->text().section("  ", 0, 0);
      bar << w.panel.bar->value();
    });

    w.run.runClients(RunMode::Update);

    QStringList inRowOrder, written;
    for (const Client& client : clients) {
      inRowOrder << QString(client.code) + " Client";
      if (client.fore == Blue)
        written << QString("WHERE Code_No='%1'").arg(client.code);
    }
    QCOMPARE(handedOut, inRowOrder);
    for (int i = 0; i < rows.size(); ++i) {
      QCOMPARE(w.clients.TextMatrix(rows[i], col::ImportLogs), clients[i].log);
      QCOMPARE(w.colour(rows[i], true), clients[i].back);
      QCOMPARE(w.colour(rows[i], false), clients[i].fore);
    }
    for (int r : {unticked, hidden}) QCOMPARE(w.clients.TextMatrix(r, col::ImportLogs), "");
    QCOMPARE(journal_->sessions.size(), rows.size());
    QVERIFY(journal_->mostLive <= c.sessions);
    for (const QString& pan : journal_->mostLivePan.keys()) QCOMPARE(journal_->mostLivePan[pan], 1);
    QCOMPARE(journal_->takeOver, QList<std::optional<bool>>(rows.size(), c.takeOver));
    QStringList updates = base_->statements.filter("UPDATE OnlineRegInfo");
    for (QString& u : updates) u = u.section(' ', -2);
    updates.sort();
    QCOMPARE(updates, written);
    for (int i = 1; i < handedAt.size(); ++i)
      QVERIFY2(
          handedAt[i] - handedAt[i - 1] >= c.spacingMs / 10 - 1,
          qPrintable(
              QString("login %1 came %2 ms after the one before").arg(i).arg(handedAt[i] - handedAt[i - 1])));
    QVERIFY(ui->messages.empty());
    QVERIFY(w.panel.sessionLabels[0]->isVisibleTo(&w.panel) == (c.sessions > 1));
    QStringList expectedCounts;
    QList<int> expectedBar;
    for (int done = 0; done <= rows.size(); ++done) {
      expectedCounts << QString("%1 of %2 clients done").arg(done).arg(rows.size());
      expectedBar << done * 100 / int(rows.size());
    }
    QCOMPARE(counts, expectedCounts);
    QCOMPARE(bar, expectedBar);
  }

  // The settings file's keys win over the environment, which wins over the defaults; values
  // out of range are brought within it, unreadable ones ignored.
  void readPace_data() {
    QTest::addColumn<PaceSource>("c");
    // clang-format off
    QTest::newRow("defaults") << PaceSource{nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 1, 3000, true};
    QTest::newRow("environment") << PaceSource{nullptr, nullptr, nullptr, "2", "4000", "skip", 2, 4000, false};
    QTest::newRow("file over environment") << PaceSource{"4", "5", "CONTINUE", "2", "1500", "skip", 4, 5000, true};
    QTest::newRow("out of range") << PaceSource{"9", "-3", "Skip", "0", nullptr, nullptr, 4, 0, false};
    QTest::newRow("too few, too far apart") << PaceSource{"0", "9999", nullptr, nullptr, nullptr, nullptr, 1, 600000, true};
    QTest::newRow("unreadable file values") << PaceSource{"two", "x", "maybe", "3", "2000", "skip", 3, 2000, false};
    // clang-format on
  }
  void readPace() {
    QFETCH(PaceSource, c);
    const QString file = Base().DocPath() + QDir::separator() + "ITRELFdefCongi.ini";
    const std::pair<const char*, const char*> keys[] = {
        {"SESSIONS", c.iniSessions}, {"LOGINGAP", c.iniGap}, {"SESSIONOPEN", c.iniOpen}};
    for (const auto& [key, value] : keys)
      if (value)
        base_->settings.insert(file + "|ITRPORTAL|" + key, value);
    const std::pair<const char*, const char*> env[] = {{"KESTREL_PORTAL_SESSIONS", c.envSessions},
                                                       {"KESTREL_PORTAL_LOGIN_SPACING_MS", c.envSpacing},
                                                       {"KESTREL_PORTAL_SESSION_OPEN", c.envOpen}};
    for (const auto& [name, value] : env)
      if (value)
        qputenv(name, value);
    const PortalPace pace = ReadPortalPace();
    for (const auto& [name, value] : env) qunsetenv(name);
    QCOMPARE(pace.sessions, c.sessions);
    QCOMPARE(pace.loginSpacingMs, c.spacingMs);
    QCOMPARE(pace.takeOverOpenSession, c.takeOver);

    // What the setup shows is what a run reads next.
    SavePortalPace(pace);
    const PortalPace again = ReadPortalPace();
    QCOMPARE(QList<int>({again.sessions, again.loginSpacingMs, again.takeOverOpenSession}),
             QList<int>({pace.sessions, pace.loginSpacingMs, pace.takeOverOpenSession}));
  }
};

QTEST_MAIN(TestPortalRun)
#include "tst_portal_run.moc"
