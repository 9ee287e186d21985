// bench_register: the client register at scale.
//   LoadClients ("ShowData") of N demo clients on SQLite (and MariaDB when KESTREL_BENCH_MYSQL
//   holds a connection string), against the bare read of the same statement through the same base
//   component (every record's fields fetched as text) measured in the same run;
//   the search command over the loaded register, against the bare upper-case-and-contains
//   loop over the same column;
//   peak memory (VmHWM) of a process holding the main panel with N clients, against one
//   holding the same cells in a QStandardItemModel shown by a QTableView;
//   the per-client cost of a portal run over the loaded register with a portal login component
//   that answers at once (what the run itself adds to every client's portal round trips),
//   against the same number of bare profile readings.
//
//   bench_register [--clients 10000,100000] [--runs 3]
//   bench_register --side panel|peer --store S     one memory side, printing peak_kb=…
#include "demo_data.h"
#include "entry/interaction.h"
#include "entry/mod_it_main.h"
#include "fake_portal.h"
#include "platform/base/sql_store.h"
#include "platform/base/suite_schema.h"
#include "platform/base/velbase.h"
#include "platform/grid/flexgrid.h"
#include "portal/portal_rules.h"
#include "portal/portal_run.h"
#include "register/client_register_load.h"
#include "register/client_rows.h"
#include "register/register_layout.h"
#include "register/register_panel.h"

#include "bench_util.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

using namespace kestrel;

namespace {
using kestrel::bench::bestOf;
using kestrel::bench::statusKb;

QTextStream out(stdout);

void startModule(const QString& connection, const QString& home) {
  ModuleShutdown();
  VelBaseOptions options;
  options.connectionString = connection;
  options.suiteHome = home;
  registerVelBase(options);
  ModuleStart();
}

void seed(const QString& connection, int clients) {
  SqlStore store(connection, QStringLiteral("bench"));
  EnsureSuiteTables(store);
  demo::SeedDemoStore(store, clients, 7, true);
}

// The bare read: the client statement walked to its end with every field fetched as text.
int bareRead() {
  std::unique_ptr<Recordset> rs;
  Base().RecordsetQuery(rs, ClientListStatement(), Base().DBObj(), ado::adOpenForwardOnly,
                        ado::adLockReadOnly);
  int n = 0;
  qsizetype chars = 0;
  for (; !rs->Eof(); rs->MoveNext(), ++n)
    for (int f = 0; f < rs->FieldCount(); ++f) chars += rs->Text(f).size();
  rs->Close();
  return chars > 0 ? n : 0;
}

// A run over every 100th client of the register (ticked), fetch mode, the portal answering at
// once with a full profile.
void benchRun(grid::FlexGridModel& m) {
  const QString profile = QStringLiteral(
      R"({"firstName":"Asha","midName":"","lastName":"Rao","residentialStatusCd":"RES","priMobileNum":"9876543210",)"
      R"("priMobBelongsTo":"1","priEmailId":"asha@example.in","priEmailRelationId":"1","secMobileNum":"",)"
      R"("secMobRelationId":"","secEmailId":"","secEmailRelationId":""})");
  auto journal = std::make_shared<testing::Journal>();
  int ticked = 0;
  for (int r = FirstDataRow; r < m.Rows(); ++r) {
    const bool tick = (r - FirstDataRow) % 100 == 0;
    m.setCellChecked(r, col::SrNo, tick ? grid::flexChecked : grid::flexUnchecked);
    if (tick) {
      journal->scripts.insert(m.TextMatrix(r, col::Pan), testing::Script(true, "", "", true));
      journal->scripts[m.TextMatrix(r, col::Pan)].profile = profile;
      ++ticked;
    }
  }
  testing::registerFakePortal(journal);
  // Yields cost nothing here: the run's own work is what is measured.
  struct Quiet final : Interaction {
    void MsgBox(const QString&, Icon, const QString&) override {}
    bool AskYesNo(const QString&, bool, const QString&) override { return false; }
    void DoEvents() override {}
    bool OpenWithDesktop(const QString&, bool) override { return false; }
  };
  auto previous = setInteraction(std::make_unique<Quiet>());
  PortalRun run(m, [] { return false; });
  m.AutoSize(0, m.Cols() - 1);
  const double total = bestOf(1, [&] { run.runClients(RunMode::Fetch); });
  const double bare = bestOf(1, [&] {
    for (int i = 0; i < ticked; ++i) (void)ReadProfile(profile, QStringLiteral("ABCPR1234K"));
  });
  setInteraction(std::move(previous));
  out << QStringLiteral(
             "run      %1 clients: %2 ticked, %3 ms per client, bare profile reading %4 ms, ratio %5\n")
             .arg(m.Rows() - HeaderRows, 7)
             .arg(ticked)
             .arg(total / ticked, 0, 'f', 3)
             .arg(bare / ticked, 0, 'f', 3)
             .arg(total / bare, 0, 'f', 1);
  out.flush();
}

void benchBackend(const QString& name, const QString& connection, const QList<int>& sizes, int runs,
                  const QString& home) {
  for (int clients : sizes) {
    seed(connection, clients);
    startModule(connection, home);
    RegisterPanel panel;
    grid::FlexGridModel& m = *panel.vsCL->model();
    FormatRegisterGrid(m);
    MergeHeaders(m);
    const double read = bestOf(runs, [] { bareRead(); });
    const double show = bestOf(runs, [&] { LoadClients(m); });
    out << QStringLiteral("%1 %2 clients: ShowData %3 ms, bare read %4 ms, ratio %5 (rows %6)\n")
               .arg(name, -8)
               .arg(clients, 7)
               .arg(show, 8, 'f', 1)
               .arg(read, 8, 'f', 1)
               .arg(show / read, 5, 'f', 2)
               .arg(m.Rows() - HeaderRows);
    out.flush();

    if (clients == sizes.last() && name == QLatin1String("sqlite")) {
      benchRun(m);
      panel.CmbSearch->setCurrentIndex(1);  // Party Name
      panel.TxtSearch->setText(QStringLiteral("kumar"));
      const double search = bestOf(runs, [&] { panel.CmdSearch_Click(); });
      const int shown = m.visibleRowCount();
      QStringList names;
      for (int r = FirstDataRow; r < m.Rows(); ++r) names << m.TextMatrix(r, col::PartyName);
      int hits = 0;
      const double loop = bestOf(runs, [&] {
        hits = 0;
        for (const QString& n : names) hits += n.toUpper().contains(QLatin1String("KUMAR"));
      });
      out << QStringLiteral(
                 "search   %1 clients: CmdSearch %2 ms, bare loop %3 ms, ratio %4 (%5 shown, %6 hits)\n")
                 .arg(clients, 7)
                 .arg(search, 8, 'f', 1)
                 .arg(loop, 8, 'f', 1)
                 .arg(search / loop, 5, 'f', 2)
                 .arg(shown)
                 .arg(hits);
      out.flush();
    }
  }
}

// One memory side in this process: the main panel after LoadClients, or the same cells in a
// QStandardItemModel behind a QTableView.
int memorySide(const QString& side, const QString& connection, const QString& home) {
  startModule(connection, home);
  if (side == QLatin1String("panel")) {
    RegisterPanel panel;
    FormatRegisterGrid(*panel.vsCL->model());
    MergeHeaders(*panel.vsCL->model());
    LoadClients(*panel.vsCL->model());
    panel.resize(1200, 700);
    panel.show();
    QApplication::processEvents();
    out << "rows=" << panel.vsCL->Rows() << "\npeak_kb=" << statusKb("VmHWM:") << "\n";
    out.flush();
    return 0;
  }
  QStandardItemModel model;
  model.setColumnCount(col::Count);
  std::unique_ptr<Recordset> rs;
  Base().RecordsetQuery(rs, ClientListStatement(), Base().DBObj(), ado::adOpenForwardOnly,
                        ado::adLockReadOnly);
  const CommonValues common;
  for (; !rs->Eof(); rs->MoveNext()) {
    ClientRecord r;
    r.CodeNo = rs->Text(u"CodeNo");
    r.F_Nm = rs->Text(u"F_Nm");
    r.M_Nm = rs->Text(u"M_Nm");
    r.L_Nm = rs->Text(u"L_Nm");
    r.Dob = rs->Text(u"DOB");
    r.Pan = rs->Text(u"Pan");
    r.GMob = rs->Text(u"GMob");
    r.GMob2 = rs->Text(u"GMob2");
    r.GMail = rs->Text(u"GMail");
    r.LoginPwd = rs->Text(u"LoginPwd");
    r.TelNo = rs->Text(u"TelNo");
    r.MobNo = rs->Text(u"MobNo");
    r.MobNo1 = rs->Text(u"MobNo1");
    r.EmailID = rs->Text(u"EmailID");
    r.EmailId1 = rs->Text(u"EmailId1");
    const RegisterCells cells = FillRegisterRow(r, common, [](const QString& p) { return p; });
    QList<QStandardItem*> items;
    for (int c = 0; c < col::Count; ++c) {
      auto* item = new QStandardItem(c < int(cells.size()) ? cells[std::size_t(c)] : QString());
      if (c == 0)
        item->setCheckable(true);
      items << item;
    }
    model.appendRow(items);
  }
  QTableView view;
  view.setModel(&model);
  view.resize(1200, 700);
  view.show();
  QApplication::processEvents();
  out << "rows=" << model.rowCount() << "\npeak_kb=" << statusKb("VmHWM:") << "\n";
  out.flush();
  return 0;
}

long childPeak(const QString& side, const QString& connection) {
  QProcess child;
  child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  child.start(QCoreApplication::applicationFilePath(),
              {QStringLiteral("--side"), side, QStringLiteral("--store"), connection});
  child.waitForFinished(-1);
  for (const QByteArray& line : child.readAllStandardOutput().split('\n'))
    if (line.startsWith("peak_kb="))
      return line.mid(8).toLong();
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QStringList args = app.arguments();
  QTemporaryDir home;
  auto option = [&](const char* name, const QString& fallback) {
    const qsizetype at = args.indexOf(QString::fromLatin1(name));
    return at >= 0 && at + 1 < args.size() ? args[at + 1] : fallback;
  };
  if (args.contains(QStringLiteral("--side")))
    return memorySide(option("--side", {}), option("--store", {}), home.path());

  QList<int> sizes;
  for (const QString& s : option("--clients", QStringLiteral("10000,100000")).split(u',')) sizes << s.toInt();
  const int runs = option("--runs", QStringLiteral("3")).toInt();

  const QString sqlite = QStringLiteral("sqlite:") + home.path() + QStringLiteral("/bench.db");
  benchBackend(QStringLiteral("sqlite"), sqlite, sizes, runs, home.path());
  const QString mysql = qEnvironmentVariable("KESTREL_BENCH_MYSQL");
  if (!mysql.isEmpty())
    benchBackend(QStringLiteral("mariadb"), mysql, sizes, runs, home.path());

  // The SQLite store now holds the largest size.
  const long panelKb = childPeak(QStringLiteral("panel"), sqlite);
  const long peerKb = childPeak(QStringLiteral("peer"), sqlite);
  out << QStringLiteral(
             "memory   %1 clients: main panel %2 MB, QStandardItemModel+QTableView %3 MB, ratio %4\n")
             .arg(sizes.last(), 7)
             .arg(panelKb / 1024.0, 6, 'f', 1)
             .arg(peerKb / 1024.0, 6, 'f', 1)
             .arg(double(panelKb) / double(peerKb), 5, 'f', 2);
  out.flush();
  ModuleShutdown();
  return 0;
}
