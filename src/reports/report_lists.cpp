#include "reports/report_lists.h"

#include "entry/error_log.h"
#include "platform/grid/flexgrid_model.h"
#include "register/register_layout.h"

#include <vector>

namespace kestrel {

namespace {
constexpr auto Window = u"frmKestrel";

bool differs(const grid::FlexGridModel& g, int row, int software, int login) {
  return g.TextMatrix(row, software).trimmed() != g.TextMatrix(row, login).trimmed();
}
}  // namespace

QString MismatchTitle(MismatchKind kind) {
  return kind == MismatchKind::Mobile ? QStringLiteral("List of Mismatch Mobile.")
                                      : QStringLiteral("List of Mismatch E-Mail.");
}

bool IsBlankCell(const grid::FlexGridModel& g, int row, int column) {
  return g.TextMatrix(row, column).trimmed().isEmpty();
}

bool IsMismatch(const grid::FlexGridModel& g, int row, MismatchKind kind) {
  const int first = kind == MismatchKind::Mobile ? col::Mobile1 : col::EMail1;
  const int second = kind == MismatchKind::Mobile ? col::Mobile2 : col::EMail2;
  return differs(g, row, col::Software + first, col::Login + first) ||
         differs(g, row, col::Software + second, col::Login + second);
}

int FillReportGrid(const grid::FlexGridModel& clients, grid::FlexGridModel& report,
                   const std::function<bool(int row)>& listed) {
  std::vector<int> rows;
  for (int row = FirstDataRow; row < clients.Rows(); ++row)
    if (listed(row))
      rows.push_back(row);

  const grid::RedrawPause pause(report);
  report.setRows(HeaderRows);
  report.setRows(HeaderRows + int(rows.size()));
  // Column by column: each of the grid's columns keeps its texts together.
  for (int c = 1; c < int(ReportSourceColumns.size()); ++c) {
    const int source = ReportSourceColumns[size_t(c)];
    for (size_t i = 0; i < rows.size(); ++i) {
      if (!clients.isCellEmpty(rows[i], source))
        report.setTextMatrix(HeaderRows + int(i), c, clients.TextMatrix(rows[i], source));
    }
  }
  report.AutoSize(0, report.Cols() - 1);
  return int(rows.size());
}

int ListBlank(const grid::FlexGridModel& clients, int column, grid::FlexGridModel& report) {
  ErrorTrap trap(Window, u"ShowReportBlank");
  return trap.value(
      [&] {
        return FillReportGrid(clients, report, [&](int row) { return IsBlankCell(clients, row, column); });
      },
      0);
}

int ListMismatch(const grid::FlexGridModel& clients, MismatchKind kind, grid::FlexGridModel& report) {
  ErrorTrap trap(Window, u"ShowReportMismatch");
  return trap.value(
      [&] {
        return FillReportGrid(clients, report, [&](int row) { return IsMismatch(clients, row, kind); });
      },
      0);
}

}  // namespace kestrel
