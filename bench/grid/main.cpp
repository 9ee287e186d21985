// bench_grid: the grid control holding the client register (100,000 clients, 45 columns of which
// 23 hold data) against a QStandardItemModel + QTableView holding the same, each in a process of
// its own so that peak memory (VmHWM) belongs to one side only.
//
//   bench_grid [--clients N]          runs both sides and prints the figures and ratios
//   bench_grid --side grid|peer ...   one side, printing key=value lines
#include "platform/grid/flexgrid.h"

#include "bench_util.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QProcess>
#include <QStandardItemModel>
#include <QTableView>
#include <QTextStream>

#include <cstdio>
#include <functional>

using kestrel::grid::FlexGrid;
using kestrel::grid::FlexGridModel;

namespace {
using kestrel::bench::statusKb;

constexpr int kCols = 45;
constexpr int kDataCols = 23;
const QString kNeedle = QStringLiteral("kumar");

// The client register's 23 data columns for client i, deterministic.
QStringList clientRow(int i) {
  static const char* first[] = {"Ramesh", "Sunita", "Arjun", "Priya", "Vikram", "Meena", "Rahul", "Anita"};
  static const char* last[] = {"Sharma", "Iyer", "Kumar", "Patel", "Reddy", "Nair", "Gupta", "Das", "Rao"};
  const quint32 h = static_cast<quint32>(i) * 2654435761u;
  const QString name =
      QStringLiteral("%1 %2").arg(QLatin1String(first[h % 8]), QLatin1String(last[(h >> 5) % 9]));
  const QString pan = QStringLiteral("%1%2P%3%4A")
                          .arg(QChar(u'A' + static_cast<char16_t>(h % 26)))
                          .arg(QChar(u'A' + static_cast<char16_t>((h >> 3) % 26)))
                          .arg(QChar(u'A' + static_cast<char16_t>((h >> 7) % 26)))
                          .arg(i % 10000, 4, 10, QLatin1Char('0'));
  const QString mobile =
      QStringLiteral("9%1").arg(static_cast<qulonglong>(h % 1000000000u), 9, 10, QLatin1Char('0'));
  const QString mail = QStringLiteral("%1.%2@example.in").arg(name.section(u' ', 0, 0).toLower()).arg(i);
  return {QString::number(100000 + i),
          name,
          pan,
          QStringLiteral("%1/%2/19%3").arg(1 + h % 28).arg(1 + (h >> 4) % 12).arg(50 + (h >> 9) % 50),
          (h & 1) ? QStringLiteral("Individual") : QStringLiteral("HUF"),
          mobile,
          QString::number(h % 3 == 0 ? 10 : 1),
          mail,
          QString::number((h >> 2) % 3 == 0 ? 10 : 1),
          (h % 5 == 0) ? QString() : QStringLiteral("8%1").arg(h % 100000000u, 9, 10, QLatin1Char('0')),
          QStringLiteral("2"),
          (h % 7 == 0) ? QString() : QStringLiteral("office%1@firm.co.in").arg(i % 97),
          QStringLiteral("6"),
          mobile,
          mail,
          QStringLiteral("Yes"),
          QStringLiteral("No"),
          QString(),
          QStringLiteral("Verified"),
          QStringLiteral("%1-%2-2024").arg(1 + h % 28).arg(1 + (h >> 4) % 12),
          QStringLiteral("Ward %1(%2)").arg(h % 40).arg(h % 4),
          QStringLiteral("AY 2024-25"),
          QString::number(h % 500000)};
}

struct Report {
  QTextStream out{stdout};
  void ms(const char* key, const QElapsedTimer& timer) {
    out << key << '=' << static_cast<double>(timer.nsecsElapsed()) / 1e6 << '\n';
  }
  void value(const char* key, qint64 v) { out << key << '=' << v << '\n'; }
};

void paint(QWidget& widget) {
  QApplication::processEvents();
  widget.grab();
}

int runGrid(int clients) {
  Report report;
  report.value("baseline_kb", statusKb("VmRSS:"));
  FlexGrid grid;
  FlexGridModel& m = *grid.model();
  m.setCols(kCols);
  m.setRows(2);
  m.setFixedRows(2);
  m.setMergeCells(kestrel::grid::flexMergeFixedOnly);
  for (int c = 0; c < kCols; ++c) {
    m.setMergeCol(c, true);
    m.setTextMatrix(0, c, QStringLiteral("Column %1").arg(c));
    m.setTextMatrix(1, c, QStringLiteral("Column %1").arg(c));
  }
  m.setColComboList(7, QStringLiteral("#0; |#1;Self|#2;Spouse|#6;Others|#10;Authorised Representative"));

  QElapsedTimer timer;
  timer.start();
  for (int i = 0; i < clients; ++i) clientRow(i);
  report.ms("generate_ms", timer);

  timer.start();
  m.setRows(2 + clients);
  for (int i = 0; i < clients; ++i) {
    const QStringList row = clientRow(i);
    const int r = 2 + i;
    m.setCellChecked(r, 0, kestrel::grid::flexUnchecked);
    for (int c = 0; c < kDataCols; ++c) m.setTextMatrix(r, 1 + c, row[c]);
  }
  report.ms("fill_ms", timer);

  timer.start();
  grid.resize(1200, 800);
  grid.show();
  paint(grid);
  report.ms("first_paint_ms", timer);

  timer.start();
  for (int r = 2; r < m.Rows(); ++r)
    m.setRowHidden(r, !m.TextMatrix(r, 2).contains(kNeedle, Qt::CaseInsensitive));
  paint(grid);
  report.ms("hide_ms", timer);
  report.value("shown_after_search", m.visibleRowCount());
  timer.start();
  for (int r = 2; r < m.Rows(); ++r) m.setRowHidden(r, false);
  paint(grid);
  report.ms("show_ms", timer);

  const QString pan = m.TextMatrix(m.Rows() - 10, 3);
  timer.start();
  const int found = m.FindRow(pan, -1, 3);
  report.ms("find_ms", timer);
  report.value("found_row", found);
  timer.start();
  m.FindRow(pan.toLower(), -1, 3, false, true);
  report.ms("find_nocase_ms", timer);

  timer.start();
  m.AutoSize(0, kCols - 1);
  report.ms("autosize_ms", timer);
  m.setTextMatrix(5000, 2, QStringLiteral("a much longer client name than the others"));
  timer.start();
  m.AutoSize(0, kCols - 1);
  report.ms("autosize_again_ms", timer);

  timer.start();
  for (int k = 0; k < 20; ++k) {
    grid.setTopRow(k * (clients / 20));
    paint(grid);
  }
  report.out << "scroll_paint_ms=" << static_cast<double>(timer.nsecsElapsed()) / 1e6 / 20 << '\n';

  report.value("peak_kb", statusKb("VmHWM:"));
  report.value("model_bytes", static_cast<qint64>(m.memoryUsed()));

  FlexGridModel other;
  other.setCols(kCols);
  timer.start();
  for (int i = 0; i < clients; ++i) other.AddItem(QStringLiteral("\t") + clientRow(i).join(u'\t'));
  report.ms("additem_ms", timer);
  return 0;
}

int runPeer(int clients) {
  Report report;
  report.value("baseline_kb", statusKb("VmRSS:"));
  QStandardItemModel model(0, kCols);
  QTableView view;

  QElapsedTimer timer;
  timer.start();
  for (int i = 0; i < clients; ++i) clientRow(i);
  report.ms("generate_ms", timer);

  timer.start();
  model.setRowCount(clients);
  for (int i = 0; i < clients; ++i) {
    const QStringList row = clientRow(i);
    auto* check = new QStandardItem;
    check->setCheckable(true);
    check->setCheckState(Qt::Unchecked);
    model.setItem(i, 0, check);
    for (int c = 0; c < kDataCols; ++c)
      if (!row[c].isEmpty())
        model.setItem(i, 1 + c, new QStandardItem(row[c]));
  }
  report.ms("fill_ms", timer);

  // The view is attached after the fill: filling through an attached view is far slower.
  timer.start();
  view.setModel(&model);
  view.resize(1200, 800);
  view.show();
  paint(view);
  report.ms("first_paint_ms", timer);

  // Hiding rows one by one in a QTableView is slow; past the time limit the rest is estimated.
  timer.start();
  int done = 0;
  for (; done < clients; ++done) {
    view.setRowHidden(done, !model.item(done, 2)->text().contains(kNeedle, Qt::CaseInsensitive));
    if ((done & 1023) == 0 && timer.elapsed() > 60000)
      break;
  }
  paint(view);
  const double hideMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
  report.out << "hide_ms=" << hideMs * clients / std::max(done, 1) << '\n';
  report.value("hide_rows_timed", done);
  timer.start();
  for (int r = 0; r < done; ++r) view.setRowHidden(r, false);
  paint(view);
  report.out << "show_ms=" << static_cast<double>(timer.nsecsElapsed()) / 1e6 * clients / std::max(done, 1)
             << '\n';

  const QString pan = model.item(clients - 12, 3)->text();
  timer.start();
  const auto found = model.findItems(pan, Qt::MatchExactly, 3);
  report.ms("find_ms", timer);
  report.value("found_row", found.isEmpty() ? -1 : found.first()->row());
  timer.start();
  model.findItems(pan.toLower(), Qt::MatchFixedString, 3);
  report.ms("find_nocase_ms", timer);

  view.horizontalHeader()->setResizeContentsPrecision(-1);  // every row, as the grid measures
  timer.start();
  view.resizeColumnsToContents();
  report.ms("autosize_ms", timer);
  model.item(5000, 2)->setText(QStringLiteral("a much longer client name than the others"));
  timer.start();
  view.resizeColumnsToContents();
  report.ms("autosize_again_ms", timer);

  timer.start();
  for (int k = 0; k < 20; ++k) {
    view.scrollTo(model.index(k * (clients / 20), 1), QAbstractItemView::PositionAtTop);
    paint(view);
  }
  report.out << "scroll_paint_ms=" << static_cast<double>(timer.nsecsElapsed()) / 1e6 / 20 << '\n';

  report.value("peak_kb", statusKb("VmHWM:"));
  return 0;
}

QMap<QString, double> runSide(const QString& side, int clients) {
  QProcess child;
  child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  child.start(QCoreApplication::applicationFilePath(),
              {QStringLiteral("--side"), side, QStringLiteral("--clients"), QString::number(clients)});
  child.waitForFinished(-1);
  QMap<QString, double> figures;
  for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
    const qsizetype eq = line.indexOf('=');
    if (eq > 0)
      figures.insert(QString::fromLatin1(line.left(eq)), line.mid(eq + 1).toDouble());
  }
  return figures;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  const qsizetype clientsAt = args.indexOf(QStringLiteral("--clients"));
  const int clients = clientsAt > 0 ? args.value(clientsAt + 1).toInt() : 100000;
  const qsizetype sideAt = args.indexOf(QStringLiteral("--side"));
  if (sideAt > 0)
    return args.value(sideAt + 1) == QLatin1String("grid") ? runGrid(clients) : runPeer(clients);

  const auto grid = runSide(QStringLiteral("grid"), clients);
  const auto peer = runSide(QStringLiteral("peer"), clients);
  std::printf("%d clients x %d columns (%d with data), offscreen\n\n", clients, kCols, kDataCols);
  std::printf("%-34s %14s %14s %10s\n", "", "FlexGrid", "QTableView", "peer/grid");
  const std::pair<const char*, const char*> rows[] = {
      {"generate_ms", "generating the rows alone, ms"},
      {"fill_ms", "fill (generating + storing), ms"},
      {"first_paint_ms", "show and first paint, ms"},
      {"hide_ms", "search hiding rows + paint, ms"},
      {"show_ms", "showing all rows + paint, ms"},
      {"find_ms", "FindRow / findItems, ms"},
      {"find_nocase_ms", "... ignoring case, ms"},
      {"autosize_ms", "AutoSize all columns, ms"},
      {"autosize_again_ms", "... after one cell changed, ms"},
      {"scroll_paint_ms", "scroll and paint, ms"},
      {"baseline_kb", "memory before the grid, KB"},
      {"peak_kb", "peak memory (VmHWM), KB"},
  };
  for (const auto& [key, label] : rows) {
    const double g = grid.value(QLatin1String(key), -1);
    const double p = peer.value(QLatin1String(key), -1);
    std::printf("%-34s %14.1f %14.1f %10.1f\n", label, g, p, g > 0 ? p / g : 0.0);
  }
  std::printf("\nrows shown after the search: %.0f; AddItem of all clients into a fresh model: %.1f ms\n",
              grid.value(QStringLiteral("shown_after_search")), grid.value(QStringLiteral("additem_ms")));
  std::printf("grid cell storage: %.1f MB; peer rows hidden one by one within the time limit: %.0f\n",
              grid.value(QStringLiteral("model_bytes")) / 1048576.0,
              peer.value(QStringLiteral("hide_rows_timed")));
  return 0;
}
