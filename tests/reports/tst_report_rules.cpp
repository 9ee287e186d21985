// The reports' and copies' logic on the grids and a fake base component: the portal name split,
// which clients the blank and mismatch lists take, the occurrence grouping, and the statements
// the copies and the occurrence report send.
#include "entry/mod_it_main.h"
#include "fake_base.h"
#include "platform/grid/flexgrid.h"
#include "register/register_layout.h"
#include "reports/copy_commands.h"
#include "reports/occurrence_report.h"
#include "reports/report_lists.h"
#include "scripted_interaction.h"

#include <QFile>
#include <QTest>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

enum class Tick { Ticked, Unticked, Hidden };

// A register row with only the cells a test names filled.
struct ClientRow {
  QString code;
  std::map<int, QString> cells;  // register column -> text
  Tick tick = Tick::Ticked;
};

std::unique_ptr<grid::FlexGrid> registerOf(const std::vector<ClientRow>& clients) {
  auto view = std::make_unique<grid::FlexGrid>();
  grid::FlexGridModel& g = *view->model();
  FormatRegisterGrid(g);
  g.setRows(FirstDataRow + int(clients.size()));
  for (int row = FirstDataRow; const ClientRow& client : clients) {
    g.setTextMatrix(row, col::PartyCode, client.code);
    for (const auto& [c, text] : client.cells) g.setTextMatrix(row, c, text);
    g.setCellChecked(row, col::SrNo, client.tick == Tick::Unticked ? grid::flexUnchecked : grid::flexChecked);
    g.setRowHidden(row++, client.tick == Tick::Hidden);
  }
  return view;
}

constexpr int SwMob1 = 15, SwMob2 = 19, SwMail1 = 17, SwMail2 = 21;
constexpr int LgName = 23, LgMob1 = 26, LgMob2 = 30, LgMail1 = 28, LgMail2 = 32, Log = 44;

// C1 differs from the portal in the case of its e-mail and lacks a portal Mobile-2, C2 only by
// blanks around its mobile, C3 was never fetched, C4 has no suite contacts, C5 agrees.
// clang-format off
const std::vector<ClientRow> listClients = {
    {"C1", {{SwMob1, "9800000001"}, {LgMob1, "9800000001"}, {SwMob2, "9700000001"}, {SwMail1, "a@x.in"},
            {LgMail1, "A@x.in"}}},
    {"C2", {{SwMob1, " 9800000002 "}, {LgMob1, "9800000002"}, {SwMail1, "b@x.in"}, {LgMail1, "b@x.in"}},
     Tick::Unticked},
    {"C3", {{SwMob1, "9800000003"}, {SwMail1, "c@x.in"}}, Tick::Hidden},
    {"C4", {{SwMail1, "  "}, {LgMob1, "9800000004"}, {LgMail1, "d@x.in"}, {Log, "Login Success"}}},
    {"C5", {{SwMob1, "98005"}, {LgMob1, "98005"}, {SwMob2, "96005"}, {LgMob2, "96005"}, {SwMail1, "e@x.in"},
            {LgMail1, "e@x.in"}, {SwMail2, "O'Neil\\@x.in"}, {LgMail2, "O'Neil\\@x.in"}}},
};
// clang-format on

struct DetRow {
  QString no{}, value{}, count{}, code{}, name{};
  friend bool operator==(const DetRow&, const DetRow&) = default;
};

// One client of a copy: its portal name and primary contacts, and how its last run ended.
struct Fetched {
  QString code;
  QString name;
  QString mobile = "9800000001";
  QString eMail = "p@x.in";
  QString log = "Login Success";
  Tick tick = Tick::Ticked;
};

std::unique_ptr<grid::FlexGrid> fetchedRegister(const std::vector<Fetched>& rows) {
  std::vector<ClientRow> clients;
  // clang-format off
  for (const Fetched& f : rows)
    clients.push_back({f.code, {{col::PartyName, "Old"}, {LgName, f.name}, {LgMob1, f.mobile}, {LgMail1, f.eMail},
                                {24, "No"}, {27, "1"}, {29, "2"}, {33, "26"}, {LgMail2, "s@x.in"}, {Log, f.log}},
                       f.tick});
  // clang-format on
  return registerOf(clients);
}

QStringList nameChanges(const QString& code, const QString& name, const NameParts& p) {
  return {QString("UPDATE Owner1 SET f_nm='%1', m_nm='%2', l_nm='%3' WHERE Code='%4'")
              .arg(p.first, p.middle, p.last, code),
          "Flush Tables", QString("UPDATE Main_Info1 SET Nm='%1' WHERE Code_No='%2'").arg(name, code),
          "Flush Tables"};
}

enum class Command { Names, Contacts };
// The statement that fails, and how: once with a lost connection, or for good.
struct Failure {
  QString statementStart{};
  bool lostOnce = false;
};

}  // namespace

Q_DECLARE_METATYPE(NameParts)
Q_DECLARE_METATYPE(std::vector<DetRow>)
Q_DECLARE_METATYPE(std::vector<OccurrenceRecord>)
Q_DECLARE_METATYPE(std::vector<Fetched>)
Q_DECLARE_METATYPE(Command)
Q_DECLARE_METATYPE(MismatchKind)
Q_DECLARE_METATYPE(Failure)

class TestReportRules : public QObject {
  Q_OBJECT

  std::shared_ptr<FakeBase> base_;

 private slots:
  void init() {
    base_ = std::make_shared<FakeBase>();
    ObjectRegistry::instance().registerFactory("VelBase.ClsMain", [b = base_] { return b; });
    ModuleStart();
  }
  void cleanup() { ModuleShutdown(); }

  void portalNameSplit_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<NameParts>("parts");
    QTest::newRow("one word is all first name") << "Asha" << NameParts{"Asha", "", ""};
    QTest::newRow("two words: first and last") << "Asha Rao" << NameParts{"Asha", "", "Rao"};
    QTest::newRow("four words: two in the middle")
        << "A Devi Kumari Rao" << NameParts{"A", "Devi Kumari", "Rao"};
    QTest::newRow("ten words") << "A B C D E F G H I J" << NameParts{"A", "B C D E F G H I", "J"};
    QTest::newRow("outer blanks go, the middle keeps its own")
        << " Asha  Devi  Rao " << NameParts{"Asha", "Devi ", "Rao"};
    QTest::newRow("quotes, backslashes, Tamil") << "ராஜா O'Brien \\K" << NameParts{"ராஜா", "O'Brien", "\\K"};
  }
  void portalNameSplit() {
    QFETCH(QString, name);
    QFETCH(NameParts, parts);
    QCOMPARE(SplitPortalName(name), parts);
  }

  // Every row counts, ticked or not, hidden or not; blanks around a value never count, case does.
  void listedClients_data() {
    QTest::addColumn<int>("blankColumn");  // -1: a mismatch list
    QTest::addColumn<MismatchKind>("kind");
    QTest::addColumn<QStringList>("codes");
    const auto blank = [](const char* tag, int column, const QStringList& codes) {
      QTest::newRow(tag) << column << MismatchKind::Mobile << codes;
    };
    blank("Blank Mobile (S/w)", SwMob1, {"C4"});
    blank("Blank Mobile (Login), never fetched", LgMob1, {"C3"});
    blank("Blank Sec. Mobile (S/w)", SwMob2, {"C2", "C3", "C4"});
    blank("Blank E-Mail (S/w), blanks only", SwMail1, {"C4"});
    blank("Blank Sec. E-Mail (Login)", LgMail2, {"C1", "C2", "C3", "C4"});
    QTest::newRow("Mobile Mismatch, blanks around do not count")
        << -1 << MismatchKind::Mobile << QStringList{"C1", "C3", "C4"};
    QTest::newRow("E-Mail Mismatch, case counts")
        << -1 << MismatchKind::EMail << QStringList{"C1", "C3", "C4"};
  }
  void listedClients() {
    QFETCH(int, blankColumn);
    QFETCH(MismatchKind, kind);
    QFETCH(QStringList, codes);
    auto clients = registerOf(listClients);
    grid::FlexGridModel report;
    FormatGrid(report, ReportColumns());
    report.setRows(9);  // an earlier list goes
    const int n = blankColumn >= 0 ? ListBlank(*clients->model(), blankColumn, report)
                                   : ListMismatch(*clients->model(), kind, report);
    QStringList listed;
    for (int r = HeaderRows; r < report.Rows(); ++r) listed << report.TextMatrix(r, 1);
    QCOMPARE(listed, codes);
    QCOMPARE(n, codes.size());
    // The portal's mobile and e-mail stand in report columns 18 and 20, the log in 26.
    if (const int c4 = HeaderRows + int(codes.indexOf("C4")); c4 >= HeaderRows) {
      QCOMPARE(report.TextMatrix(c4, 18), "9800000004");
      QCOMPARE(report.TextMatrix(c4, 20), "d@x.in");
      QCOMPARE(report.TextMatrix(c4, 26), "Login Success");
    }
    auto none = registerOf({});
    QCOMPARE(ListBlank(*none->model(), SwMob1, report), 0);
    QCOMPARE(report.Rows(), HeaderRows);
  }

  void occurrenceGroups_data() {
    using Records = std::vector<OccurrenceRecord>;
    using Rows = std::vector<DetRow>;
    QTest::addColumn<Records>("records");
    QTest::addColumn<bool>("details");
    QTest::addColumn<Rows>("rows");
    QTest::newRow("summary: a line per value with its count")
        << Records{{"a@x.in", "2"}, {"b@x.in", "1"}, {"c@x.in", "1"}} << false
        << Rows{{"1", "a@x.in", "2"}, {"2", "b@x.in", "1"}, {"3", "c@x.in", "1"}};
    QTest::newRow("details: every client under its value") << Records{{"a", "", "C1", "Ravi"},
                                                                      {"a", "", "C7", "Sita"},
                                                                      {"b", "", "C2", "Meena"},
                                                                      {"c", "", "C3", "Uma"}}
                                                           << true
                                                           << Rows{{"1", "a", "2", "C1", "Ravi"},
                                                                   {"1", "a", "2", "C7", "Sita"},
                                                                   {"2", "b", "1", "C2", "Meena"},
                                                                   {"3", "c", "1", "C3", "Uma"}};
    QTest::newRow("grouped by the trimmed value")
        << Records{{"98 ", "", "C1", "A"}, {"98", "", "C2", "B"}} << true
        << Rows{{"1", "98", "2", "C1", "A"}, {"1", "98", "2", "C2", "B"}};
    QTest::newRow("nothing to count") << Records{} << true << Rows{};
  }
  void occurrenceGroups() {
    QFETCH(std::vector<OccurrenceRecord>, records);
    QFETCH(bool, details);
    QFETCH(std::vector<DetRow>, rows);
    grid::FlexGridModel g;
    FormatDetailGrid(g);
    FillOccurrenceGrid(g, {{"x", "9"}, {"y", "9"}}, !details, 17);  // the other kind before
    FillOccurrenceGrid(g, records, details, 26);
    std::vector<DetRow> shown;
    for (int r = 1; r < g.Rows(); ++r)
      shown.push_back({g.TextMatrix(r, 0), g.TextMatrix(r, 1), g.TextMatrix(r, 2), g.TextMatrix(r, 3),
                       g.TextMatrix(r, 4)});
    QCOMPARE(shown, rows);
    QCOMPARE(g.TextMatrix(0, 1), "Mobile");
    QVERIFY(g.ColHidden(3) != details && g.ColHidden(4) != details);
    for (int r = 1; r < g.Rows(); ++r) {
      QCOMPARE(g.CellBackColor(r, 4), g.TextMatrix(r, 0).toInt() % 2 ? OddGroupBack : EvenGroupBack);
      QVERIFY(!g.CellBackColor(r, 0).isValid());
      // Number, value and count merge over the group's rows with details, never across groups.
      int first = r, last = r;
      while (details && first > 1 && g.TextMatrix(first - 1, 0) == g.TextMatrix(r, 0)) --first;
      while (details && last + 1 < g.Rows() && g.TextMatrix(last + 1, 0) == g.TextMatrix(r, 0)) ++last;
      for (int c = 0; c < 3; ++c) QCOMPARE(g.mergedRange(r, c), (grid::CellRange{first, c, last, c}));
    }
  }

  void occurrenceStatements() {
    const QString head = "INSERT INTO ITRDet_Temp (Email_Mob, Code_No, PartyName)VALUES";
    const QString longName = QString(260, QChar(0x0BB0));
    auto clients = registerOf({{"C1", {{SwMail1, "o'x@b.in"}, {col::PartyName, "D'Souza"}}},
                               {"C2", {{SwMail1, "  "}}},
                               {"C3", {{SwMail1, "k@b.in"}, {col::PartyName, longName}}, Tick::Hidden}});
    grid::FlexGridModel det;
    FormatDetailGrid(det);
    QCOMPARE(AssignedDet(*clients->model(), SwMail1, false, det, 90), "E-Mail Occurance List");
    // Each group in a statement of its own at this size; names cut to the scratch table's width.
    QCOMPARE(base_->statements,
             QStringList({"DELETE FROM ITRDet_Temp", "Flush Tables", head + "('o''x@b.in','C1','D''Souza')",
                          head + "('k@b.in','C3','" + longName.left(250) + "')", "Flush Tables",
                          "SELECT Count(Code_No) as Cnt, Email_Mob FROM ITRDet_Temp GROUP BY Email_Mob ORDER "
                          "BY EMail_Mob"}));
  }

  void suiteCopies_data() {
    QTest::addColumn<Command>("command");
    QTest::addColumn<std::vector<Fetched>>("clients");
    QTest::addColumn<Failure>("failure");
    QTest::addColumn<QStringList>("statements");
    QTest::addColumn<QStringList>("updated");  // codes whose grid row took the portal's values
    QTest::addColumn<int>("messages");         // shown before "Data Updated Successfully"
    const QStringList tail{"delete from tempcltbl", "Flush Tables"};
    const NameParts asha{"Asha", "", ""};
    // clang-format off
    QTest::newRow("names: only selected rows whose login succeeded") << Command::Names
        << std::vector<Fetched>{{"C1", "Asha Devi Rao"}, {"C2", "Ravi", {}, {}, "Login Success", Tick::Unticked},
                                {"C3", "Meena", {}, {}, "NON Verified Details"},
                                {"C4", "Gopal", {}, {}, "Login Success", Tick::Hidden}, {"C5", "  "}}
        << Failure{} << nameChanges("C1", "Asha Devi Rao", {"Asha", "Devi", "Rao"}) + tail << QStringList{"C1"} << 0;
    QTest::newRow("names: quotes escaped, the code's too") << Command::Names
        << std::vector<Fetched>{{"C'1", "D'Souza \\Ram"}} << Failure{}
        << nameChanges("C''1", "D''Souza \\Ram", {"D''Souza", "", "\\Ram"}) + tail << QStringList{"C'1"} << 0;
    QTest::newRow("names: a lost connection is shown and the change sent again") << Command::Names
        << std::vector<Fetched>{{"C1", "Asha"}} << Failure{"UPDATE Owner1", true}
        << nameChanges("C1", "Asha", asha).mid(0, 1) + nameChanges("C1", "Asha", asha) + tail << QStringList{"C1"} << 1;
    QTest::newRow("names: a failing row stops there, the next goes on") << Command::Names
        << std::vector<Fetched>{{"C1", "Asha"}, {"C2", "Asha"}} << Failure{"UPDATE Main_Info1 SET Nm='Asha' WHERE Code_No='C1'"}
        << nameChanges("C1", "Asha", asha).mid(0, 3) + nameChanges("C2", "Asha", asha) + tail << QStringList{"C2"} << 0;
    QTest::newRow("names: longer than the suite holds, named and left") << Command::Names
        << std::vector<Fetched>{{"C1", QString(101, 'x') + " Rao"}} << Failure{} << tail << QStringList{} << 1;
    QTest::newRow("contacts: both primary contacts needed, escaped") << Command::Contacts
        << std::vector<Fetched>{{"C1", "", "98001", "o'x\\@b.in"}, {"C2", "", "98002", " "}, {"C3", "", "", "c@b.in"}}
        << Failure{} << QStringList{"UPDATE OnlineRegInfo SET EmailID='o''x\\@b.in', MobNo='98001',EmailId1="
                                    "'s@x.in|||||R|1|2||26|', MobNo1='' WHERE Code_No='C1'", "Flush Tables"}
        << QStringList{"C1"} << 0;
    // clang-format on
  }

  void suiteCopies() {
    QFETCH(Command, command);
    QFETCH(std::vector<Fetched>, clients);
    QFETCH(Failure, failure);
    QFETCH(QStringList, statements);
    QFETCH(QStringList, updated);
    QFETCH(int, messages);
    ScopedInteraction ui;
    ui->answers = {true};
    if (failure.lostOnce)
      base_->failure = {errnum::DatabaseFailure, LostConnectionText, "VelBase"};
    int failed = 0;
    base_->fails = [&](const QString& sql) {
      return sql.startsWith(failure.statementStart) && !failure.statementStart.isEmpty() &&
             !(failure.lostOnce && failed++);
    };
    auto view = fetchedRegister(clients);
    grid::FlexGridModel& g = *view->model();
    const SuiteCopy copy = command == Command::Names ? CopyLoginNamesToSuite(g) : CopyLoginContactsToSuite(g);
    QCOMPARE(base_->statements, statements);
    QCOMPARE(base_->refreshes, command == Command::Names ? 1 : 0);
    QCOMPARE(int(ui->messages.size()), messages + 1);
    QCOMPARE(ui->messages.back().text, "Data Updated Successfully");
    QCOMPARE(copy.updated, updated.size());
    // A row the suite did not take keeps its grid cells.
    for (int r = FirstDataRow; r < g.Rows(); ++r) {
      const bool took = updated.contains(g.TextMatrix(r, col::PartyCode));
      QCOMPARE(g.TextMatrix(r, col::PartyName) != "Old", took && command == Command::Names);
      QCOMPARE(g.TextMatrix(r, SwMail1) == g.TextMatrix(r, LgMail1) && !g.TextMatrix(r, SwMail1).isEmpty(),
               took && command == Command::Contacts);
    }
    if (command == Command::Contacts)
      QCOMPARE(g.TextMatrix(2, col::SecDet), "||||R|1|2||26|");
    QFile log(base_->ExePath() + "/VelLog.log");
    QCOMPARE(log.open(QIODevice::ReadOnly) && log.readAll().contains("frmKestrel\tMnuCopyLoginToSw_Click"),
             !failure.statementStart.isEmpty() && !failure.lostOnce);
  }
};

QTEST_MAIN(TestReportRules)
#include "tst_report_rules.moc"
