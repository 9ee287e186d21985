// bench_reports: the reports over N clients.
//   The occurrence report (AssignedDet) of the portal's Mobile-1 (about three clients per
//   number), summary and details, on SQLite and, when KESTREL_BENCH_MYSQL holds a connection
//   string, on MariaDB; against the bare DELETE, INSERT and GROUP BY (or ORDER BY) of the same
//   values through QtSql, measured in the same run. The report's rows are checked against the
//   peer's.
//   The blank and mismatch lists (ShowReportBlank, ShowReportMismatch) into the report grid;
//   against a plain loop copying the same cells into a vector of rows.
//   The memory the report panel takes with N rows in each of its grids.
//
//   bench_reports [--clients 100000] [--runs 3]
#include "entry/interaction.h"
#include "entry/mod_it_main.h"
#include "entry/module_tables.h"
#include "platform/base/velbase.h"
#include "platform/grid/flexgrid.h"
#include "register/register_layout.h"
#include "reports/occurrence_report.h"
#include "reports/report_lists.h"
#include "reports/report_panel.h"
#include "store/value_list_statements.h"

#include "bench_util.h"

#include <QApplication>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <vector>

using namespace kestrel;

namespace {
using kestrel::bench::bestOf;
using kestrel::bench::statusKb;

QTextStream out(stdout);

QString ms(double v) {
  return QString::number(v, 'f', 1) + QStringLiteral(" ms");
}

// Every client has suite contacts; one in four has no portal details, one in three a portal
// mobile of its own, the others share theirs with two neighbours.
void fillRegister(grid::FlexGridModel& g, int clients) {
  FormatRegisterGrid(g);
  g.setRows(FirstDataRow + clients);
  for (int i = 0; i < clients; ++i) {
    const int row = FirstDataRow + i;
    g.setCellChecked(row, col::SrNo, grid::flexChecked);
    g.setTextMatrix(row, col::SrNo, QString::number(i + 1));
    g.setTextMatrix(row, col::PartyCode, QStringLiteral("CL%1").arg(i, 6, 10, QLatin1Char('0')));
    g.setTextMatrix(row, col::PartyName, QStringLiteral("Client's Name Number %1").arg(i));
    g.setTextMatrix(row, col::Pan, QStringLiteral("ABCPK%1L").arg(i % 10000, 4, 10, QLatin1Char('0')));
    g.setTextMatrix(row, 15, QStringLiteral("98%1").arg(i, 8, 10, QLatin1Char('0')));
    g.setTextMatrix(row, 17, QStringLiteral("client%1@example.in").arg(i));
    if (i % 4 == 0)
      continue;
    g.setTextMatrix(row, col::LoginName, QStringLiteral("CLIENT NAME NUMBER %1").arg(i));
    g.setTextMatrix(row, 26, QStringLiteral("97%1").arg(i % 3 ? i / 3 : i, 8, 10, QLatin1Char('0')));
    g.setTextMatrix(row, 28, QStringLiteral("client%1@example.in").arg(i % 5 ? i : i + 1));
    g.setTextMatrix(row, col::ImportLogs, QStringLiteral("Login Success"));
  }
}

class SilentInteraction final : public Interaction {
 public:
  void MsgBox(const QString& text, Icon, const QString&) override { out << "  message: " << text << "\n"; }
  bool AskYesNo(const QString&, bool, const QString&) override { return false; }
  void DoEvents() override {}
  bool OpenWithDesktop(const QString&, bool) override { return false; }
};

// The peer: the same value groups written and counted by the store through QtSql alone. Returns
// each record's value and its count (summary) or client code (details).
std::vector<std::pair<QString, QString>> bareOccurrence(SqlStore& store, const grid::FlexGridModel& g,
                                                        int column, bool details, qsizetype limit) {
  store.exec(QStringLiteral("DELETE FROM ITRDet_Temp"));
  ValueListStatements statements(
      QStringLiteral("INSERT INTO ITRDet_Temp (Email_Mob, Code_No, PartyName)VALUES"), limit);
  for (int row = FirstDataRow; row < g.Rows(); ++row) {
    const QString value = g.TextMatrix(row, column);
    if (!value.trimmed().isEmpty())
      statements.add(QStringLiteral("('") + store.escape(value) + QStringLiteral("','") +
                     store.escape(g.TextMatrix(row, col::PartyCode)) + QStringLiteral("','") +
                     store.escape(g.TextMatrix(row, col::PartyName)) + QStringLiteral("')"));
  }
  for (const QString& insert : statements.finish()) store.exec(insert);
  QSqlQuery q =
      store.select(details ? QStringLiteral("SELECT * FROM ITRDet_Temp ORDER BY EMail_Mob, Code_No")
                           : QStringLiteral("SELECT Count(Code_No) as Cnt, Email_Mob FROM ITRDet_Temp "
                                            "GROUP BY Email_Mob ORDER BY EMail_Mob"));
  std::vector<std::pair<QString, QString>> records;
  while (q.next())
    records.emplace_back(q.value(details ? 0 : 1).toString(), q.value(details ? 1 : 0).toString());
  return records;
}

// Whether the report shows the peer's records, row for row.
bool sameAsPeer(const grid::FlexGridModel& det, const std::vector<std::pair<QString, QString>>& records,
                bool details) {
  if (det.Rows() - 1 != int(records.size()))
    return false;
  for (int r = 1; r < det.Rows(); ++r) {
    const auto& [value, other] = records[size_t(r - 1)];
    if (det.TextMatrix(r, det::Value) != value.trimmed() ||
        det.TextMatrix(r, details ? det::PartyCode : det::Count) != other)
      return false;
  }
  return true;
}

void benchOccurrence(const QString& label, const QString& connection, const QString& home,
                     const grid::FlexGridModel& g, int runs) {
  ModuleShutdown();
  VelBaseOptions options;
  options.connectionString = connection;
  options.suiteHome = home;
  registerVelBase(options);
  ModuleStart();
  CreateModuleTables();
  SqlStore peerStore(connection, QStringLiteral("bench"));
  const qsizetype limit = StatementSizeLimit(Base());
  for (bool details : {false, true}) {
    grid::FlexGridModel det;
    FormatDetailGrid(det);
    const double ours = bestOf(runs, [&] { AssignedDet(g, 26, details, det, limit); });
    std::vector<std::pair<QString, QString>> records;
    const double peer = bestOf(runs, [&] { records = bareOccurrence(peerStore, g, 26, details, limit); });
    out << label << ": AssignedDet " << (details ? "with details " : "summary      ") << ms(ours) << " ("
        << det.Rows() - 1 << " rows, "
        << (sameAsPeer(det, records, details) ? "identical to" : "NOT the same as")
        << " the peer's); bare DELETE+INSERT+" << (details ? "ORDER BY " : "GROUP BY ") << ms(peer)
        << "; ratio " << QString::number(ours / peer, 'f', 2) << "\n";
    out.flush();
  }
  ModuleShutdown();
}

void benchLists(const grid::FlexGridModel& g, int runs) {
  grid::FlexGridModel report;
  FormatGrid(report, ReportColumns());
  struct Case {
    const char* name;
    std::function<int()> list;
    std::function<bool(int)> listed;
  };
  const Case cases[] = {
      {"Blank Mobile (Login)", [&] { return ListBlank(g, 26, report); },
       [&](int r) { return IsBlankCell(g, r, 26); }},
      {"Mobile Mismatch", [&] { return ListMismatch(g, MismatchKind::Mobile, report); },
       [&](int r) { return IsMismatch(g, r, MismatchKind::Mobile); }},
      {"Blank Sec. E-Mail (S/w), everyone", [&] { return ListBlank(g, 21, report); },
       [&](int r) { return IsBlankCell(g, r, 21); }},
  };
  for (const Case& c : cases) {
    int listed = 0;
    const double ours = bestOf(runs, [&] { listed = c.list(); });
    // The peer: the same cells of the same rows copied into a plain table.
    std::vector<std::array<QString, ReportColumnCount>> table;
    const double peer = bestOf(runs, [&] {
      table.clear();
      for (int r = FirstDataRow; r < g.Rows(); ++r) {
        if (!c.listed(r))
          continue;
        auto& row = table.emplace_back();
        for (int rc = 1; rc < ReportColumnCount; ++rc)
          row[size_t(rc)] = g.TextMatrix(r, ReportSourceColumns[size_t(rc)]);
      }
    });
    out << c.name << ": " << listed << " rows listed " << ms(ours) << "; plain loop copying the cells "
        << ms(peer) << "; ratio " << QString::number(ours / peer, 'f', 2) << "\n";
    out.flush();
  }
}

void benchPanelMemory(const grid::FlexGridModel& g, const QString& home) {
  ModuleShutdown();
  VelBaseOptions options;
  options.connectionString = QStringLiteral("sqlite:") + home + QStringLiteral("/memory.db");
  options.suiteHome = home;
  registerVelBase(options);
  ModuleStart();
  CreateModuleTables();
  const qint64 before = statusKb("VmRSS:");
  {
    ReportPanel panel;
    ListBlank(g, 21, *panel.VSRpt->model());
    const qint64 report = statusKb("VmRSS:");
    AssignedDet(g, 15, true, *panel.detailGrid->model());
    const qint64 both = statusKb("VmRSS:");
    out << "Report panel: " << panel.VSRpt->Rows() - HeaderRows << " listed rows take "
        << (report - before) / 1024 << " MB (grid storage "
        << panel.VSRpt->model()->memoryUsed() / (1024 * 1024) << " MB); with " << panel.detailGrid->Rows() - 1
        << " detail rows as well " << (both - before) / 1024 << " MB; peak of the process "
        << statusKb("VmHWM:") / 1024 << " MB\n";
  }
  ModuleShutdown();
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  int clients = 100000;
  int runs = 3;
  const QStringList args = app.arguments();
  for (int i = 1; i + 1 < args.size(); ++i) {
    if (args[i] == u"--clients")
      clients = args[i + 1].toInt();
    else if (args[i] == u"--runs")
      runs = std::max(1, args[i + 1].toInt());
  }
  setInteraction(std::make_unique<SilentInteraction>());

  QTemporaryDir home;
  grid::FlexGridModel g;
  fillRegister(g, clients);
  out << clients << " clients\n";
  benchPanelMemory(g, home.path());
  benchLists(g, runs);
  benchOccurrence(QStringLiteral("SQLite"),
                  QStringLiteral("sqlite:") + home.path() + QStringLiteral("/bench.db"), home.path(), g,
                  runs);
  const QString mysql = qEnvironmentVariable("KESTREL_BENCH_MYSQL");
  if (!mysql.isEmpty())
    benchOccurrence(QStringLiteral("MariaDB"), mysql, home.path(), g, runs);
  return 0;
}
