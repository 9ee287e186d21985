#include "mail/client_grid.h"

#include "platform/grid/flexgrid_model.h"
#include "register/edit_rules.h"
#include "register/register_layout.h"

#include <QHash>

namespace kestrel::mail {

using grid::FlexGridModel;

namespace {

constexpr const char* Captions[vs::Count] = {"",           "Party Code", "Party Name", "Pan No.",    "D.O.B",
                                             "Mobile No.", "User Name",  "Forward to", "Import Logs"};

void addClient(FlexGridModel& g, const AliasClient& c, int state) {
  const int row = g.Rows();
  g.setRows(row + 1);
  g.setTextMatrix(row, vs::PartyCode, c.code);
  g.setTextMatrix(row, vs::PartyName, c.name);
  g.setTextMatrix(row, vs::Pan, c.pan);
  g.setTextMatrix(row, vs::Dob, c.dob);
  g.setTextMatrix(row, vs::Mobile, c.mobile);
  g.setCellChecked(row, vs::Tick, state);
}

void fitColumns(FlexGridModel& g) {
  g.AutoSize(0, g.Cols() - 1);
}

}  // namespace

void FormatClientGrid(FlexGridModel& g) {
  const grid::RedrawPause pause(g);
  g.setCols(vs::Count);
  g.setRows(1);
  g.setFixedRows(1);
  g.setFixedCols(0);
  for (int c = 0; c < vs::Count; ++c) {
    g.setTextMatrix(0, c, QString::fromLatin1(Captions[c]));
    g.setFixedAlignment(c, grid::flexAlignCenterCenter);
    g.setColAlignment(c, c == vs::Tick ? grid::flexAlignRightCenter : grid::flexAlignLeftCenter);
  }
  g.setCellChecked(0, vs::Tick, grid::flexUnchecked);
  g.setEditable(grid::flexEDKbdMouse);
  g.setSelectionMode(grid::flexSelectionByRow);
  fitColumns(g);
}

std::vector<AliasClient> SelectedRegisterClients(const FlexGridModel& vsCL) {
  std::vector<AliasClient> clients;
  for (int r = FirstDataRow; r < vsCL.Rows(); ++r) {
    if (vsCL.RowHidden(r) || vsCL.CellChecked(r, col::SrNo) != grid::flexChecked)
      continue;
    clients.push_back({vsCL.TextMatrix(r, col::PartyCode), vsCL.TextMatrix(r, col::PartyName),
                       vsCL.TextMatrix(r, col::Pan), vsCL.TextMatrix(r, col::Dob),
                       vsCL.TextMatrix(r, col::PartyMobile)});
  }
  return clients;
}

void ShowSelectedClients(FlexGridModel& g, const std::vector<AliasClient>& clients) {
  const grid::RedrawPause pause(g);
  g.setRows(vs::FirstRow);
  for (const AliasClient& c : clients) addClient(g, c, grid::flexChecked);
  ReIndexing(g);
}

void ShowAllClients(FlexGridModel& g, const std::vector<AliasClient>& clients) {
  const grid::RedrawPause pause(g);
  g.setRows(vs::FirstRow);
  addClient(g, {}, grid::flexUnchecked);
  g.setCellChecked(0, vs::Tick, grid::flexUnchecked);
  for (const AliasClient& c : clients) addClient(g, c, grid::flexUnchecked);
  ReIndexing(g);
  fitColumns(g);
}

AliasClient ClientOfRow(const FlexGridModel& g, int row) {
  return {g.TextMatrix(row, vs::PartyCode), g.TextMatrix(row, vs::PartyName), g.TextMatrix(row, vs::Pan),
          g.TextMatrix(row, vs::Dob), g.TextMatrix(row, vs::Mobile)};
}

bool IsTicked(const FlexGridModel& g, int row) {
  return g.CellChecked(row, vs::Tick) == grid::flexChecked;
}

void ClearDomainCells(FlexGridModel& g) {
  const grid::RedrawPause pause(g);
  for (int r = vs::FirstRow; r < g.Rows(); ++r)
    for (int c : {vs::UserName, vs::ForwardTo, vs::ImportLogs}) g.setTextMatrix(r, c, QString());
}

void ShowAliases(FlexGridModel& g, const std::vector<AliasRecord>& aliases, int userTag) {
  const grid::RedrawPause pause(g);
  g.setCellChecked(0, vs::Tick, grid::flexChecked);
  // The first row of each client code, found once rather than searched per alias.
  QHash<QString, int> rowOfCode;
  rowOfCode.reserve(g.Rows());
  for (int r = g.Rows() - 1; r >= vs::FirstRow; --r) {
    g.setTextMatrix(r, vs::ForwardTo, QString());
    g.setTextMatrix(r, vs::UserName, QString());
    rowOfCode.insert(g.TextMatrix(r, vs::PartyCode), r);
  }
  for (const AliasRecord& a : aliases) {
    const int row = rowOfCode.value(a.code, -1);
    if (row < 0)
      continue;
    if (a.forwardTo == userTag || userTag == -1)
      g.setTextMatrix(row, vs::UserName, a.alias);
    g.setTextMatrix(row, vs::ForwardTo, QString::number(a.forwardTo));
  }
  g.setColHidden(vs::ForwardTo, userTag != -1);
  fitColumns(g);
}

bool CanChangeTick(const FlexGridModel& g, int row, int col, int userTag) {
  if (col != vs::Tick)
    return false;
  if (row < vs::FirstRow)
    return true;
  const int forwardTo = int(LeadingNumber(g.TextMatrix(row, vs::ForwardTo)));
  return !(forwardTo > 0 && forwardTo != userTag);
}

void TickAllClients(FlexGridModel& g) {
  const grid::RedrawPause pause(g);
  const int state = g.CellChecked(0, vs::Tick);
  for (int r = vs::FirstRow; r < g.Rows(); ++r) g.setCellChecked(r, vs::Tick, state);
}

void FindClients(FlexGridModel& g, int column, FindKind kind, const QString& text) {
  const grid::RedrawPause pause(g);
  const QString needle = text.toUpper();
  const bool filtering = !needle.isEmpty() && column >= vs::PartyCode && column <= vs::UserName;
  for (int r = vs::FirstRow; r < g.Rows(); ++r) {
    g.setRowHidden(r, false);
    if (filtering)
      g.setRowHidden(r, !FindKeepsRow(g.TextMatrix(r, column), needle, kind));
  }
  ReIndexing(g);
}

void ReIndexing(FlexGridModel& g) {
  const grid::RedrawPause pause(g);
  int number = 0;
  for (int r = vs::FirstRow; r < g.Rows(); ++r)
    if (!g.RowHidden(r))
      g.setTextMatrix(r, vs::Tick, QString::number(++number));
}

QString ForwardToList(const std::vector<MailUser>& users, const QString& domain) {
  QString list;
  for (const MailUser& u : users)
    list += QLatin1Char('#') + QString::number(u.id) + QLatin1Char(';') + u.name + QLatin1Char('@') + domain +
            QLatin1Char('|');
  return list;
}

}  // namespace kestrel::mail
