// bench_assign: the default assignment and the sharing limits check at scale.
//   The sharing limits check (ValidateData) over N ticked clients (column 38, about ten
//   clients per address) on SQLite and, when KESTREL_BENCH_MYSQL holds a connection string,
//   on MariaDB; against the same counting done in C++ with a QHash and a sort, measured in
//   the same run.
//   The panel's assignment (CmdSecDefault_Click) over the same N ticked clients (checks,
//   assignment, remembered values, settings, lists, column widths) and the assignment loop
//   alone; against the same eight texts written into a plain vector of rows.
//
//   bench_assign [--clients 100000] [--runs 3]
#include "assign/assign_rules.h"
#include "assign/default_panel.h"
#include "assign/proceed_checks.h"
#include "entry/interaction.h"
#include "entry/mod_it_main.h"
#include "entry/module_tables.h"
#include "platform/base/velbase.h"
#include "platform/grid/flexgrid.h"
#include "register/register_layout.h"

#include "bench_util.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHash>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <array>
#include <functional>

using namespace kestrel;

namespace {
using kestrel::bench::bestOf;

QTextStream out(stdout);

void fillRegister(grid::FlexGridModel& g, int clients) {
  g.setCols(col::Count);
  g.setRows(FirstDataRow + clients);
  g.setFixedRows(FirstDataRow);
  for (int i = 0; i < clients; ++i) {
    const int row = FirstDataRow + i;
    g.setCellChecked(row, col::SrNo, grid::flexChecked);
    g.setTextMatrix(row, col::SrNo, QString::number(i + 1));
    g.setTextMatrix(row, col::PartyCode, QStringLiteral("CL%1").arg(i, 6, 10, QLatin1Char('0')));
    g.setTextMatrix(row, col::PartyName, QStringLiteral("Client's Name Number %1").arg(i));
    g.setTextMatrix(row, col::PartyMobile, QStringLiteral("98%1").arg(i, 8, 10, QLatin1Char('0')));
    g.setTextMatrix(row, 36, QStringLiteral("97%1").arg(i / 10, 8, 10, QLatin1Char('0')));
    g.setTextMatrix(row, 38, QStringLiteral("office%1@firm-domain.in").arg(i / 10));
  }
}

// The peer: the same selected values counted in a QHash, sorted, the first over the limit.
QString hashCount(const grid::FlexGridModel& g, int column, int limit) {
  QHash<QString, int> counts;
  for (int row = FirstDataRow; row < g.Rows(); ++row) {
    const QString value = g.TextMatrix(row, column);
    if (!value.trimmed().isEmpty() && IsSelectedRow(g, row))
      ++counts[value];
  }
  QStringList keys = counts.keys();
  std::sort(keys.begin(), keys.end());
  for (const QString& key : keys)
    if (counts.value(key) > limit)
      return key;
  return {};
}

class SilentInteraction final : public Interaction {
 public:
  void MsgBox(const QString& text, Icon, const QString&) override { out << "  message: " << text << "\n"; }
  bool AskYesNo(const QString&, bool, const QString&) override { return false; }
  void DoEvents() override {}
  bool OpenWithDesktop(const QString&, bool) override { return false; }
};

void benchStore(const QString& label, const QString& connection, const QString& home, int clients, int runs) {
  ModuleShutdown();
  VelBaseOptions options;
  options.connectionString = connection;
  options.suiteHome = home;
  registerVelBase(options);
  ModuleStart();
  CreateModuleTables();
  Base().ConQuery(QStringLiteral("DELETE FROM TblITR_PriMob"));
  Base().ConQuery(QStringLiteral("DELETE FROM TblITR_PriMail"));

  grid::FlexGridModel g;
  fillRegister(g, clients);

  bool passed = false;
  const double check = bestOf(runs, [&] { passed = !CheckSharingLimit(g, col::NewEMail1, 100000); });
  QString peerFound = QStringLiteral("-");
  const double peer = bestOf(runs, [&] { peerFound = hashCount(g, col::NewEMail1, 100000); });
  const qsizetype limit = StatementSizeLimit(Base());
  out << label << ": ValidateData over " << clients << " ticked clients " << QString::number(check, 'f', 1)
      << " ms (passed " << passed << ", statements of at most " << limit << " bytes); QHash count "
      << QString::number(peer, 'f', 1) << " ms; ratio " << QString::number(check / peer, 'f', 1) << "\n";
  std::optional<ProceedRefusal> refusal;
  const double refused = bestOf(1, [&] { refusal = CheckSharingLimit(g, col::NewMobile1, 9); });
  out << label << ": ValidateData refusing (limit 9 of 10 per mobile) " << QString::number(refused, 'f', 1)
      << " ms: " << (refusal ? refusal->message : QStringLiteral("passed")) << "; peer names "
      << hashCount(g, col::NewMobile1, 9) << "\n";
  out.flush();
  ModuleShutdown();
}

void benchAssignment(const QString& home, int clients, int runs) {
  ModuleShutdown();
  VelBaseOptions options;
  options.connectionString = QStringLiteral("sqlite:") + home + QStringLiteral("/assign.db");
  options.suiteHome = home;
  registerVelBase(options);
  ModuleStart();
  CreateModuleTables();

  grid::FlexGrid view;
  fillRegister(*view.model(), clients);
  DefaultPanel panel(&view);
  panel.fillRelationLists();
  panel.loadUsedValues();
  panel.loadSettings();

  auto setPanel = [&] {
    panel.primaryMobileBox->setEditText(QStringLiteral("9876543210"));
    panel.primaryEMailBox->setEditText(QStringLiteral("office@firm-domain.in"));
    panel.secondaryMobileBox->setEditText(QStringLiteral("9123456789"));
    panel.secondaryEMailBox->setEditText(QString());
    for (QComboBox* box : panel.relationBoxes) box->setCurrentIndex(1);
  };
  const double click = bestOf(runs, [&] {
    setPanel();
    panel.assignToSelectedClients();
  });
  setPanel();
  const DefaultChoices choices = panel.choices();
  const double loop = bestOf(runs, [&] { AssignDefaults(*view.model(), choices); });

  // The peer: the same eight texts written into a plain table of rows.
  std::vector<std::array<QString, 8>> table(static_cast<std::size_t>(clients));
  const double peer = bestOf(runs, [&] {
    for (auto& row : table)
      row = {choices.primaryMobile,   choices.relation[0], choices.primaryEMail,   choices.relation[1],
             choices.secondaryMobile, choices.relation[2], choices.secondaryEMail, choices.relation[3]};
  });
  out << "CmdSecDefault_Click over " << clients << " ticked clients " << QString::number(click, 'f', 1)
      << " ms; assignment loop alone " << QString::number(loop, 'f', 1) << " ms; plain vector fill "
      << QString::number(peer, 'f', 1) << " ms; ratio (loop/peer) " << QString::number(loop / peer, 'f', 1)
      << "\n";
  out.flush();
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
  benchStore(QStringLiteral("SQLite"), QStringLiteral("sqlite:") + home.path() + QStringLiteral("/bench.db"),
             home.path(), clients, runs);
  const QString mysql = qEnvironmentVariable("KESTREL_BENCH_MYSQL");
  if (!mysql.isEmpty())
    benchStore(QStringLiteral("MariaDB"), mysql, home.path(), clients, runs);
  benchAssignment(home.path(), clients, runs);
  return 0;
}
