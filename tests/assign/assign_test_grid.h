#pragma once

#include "platform/grid/flexgrid.h"
#include "register/register_layout.h"

#include <QStringList>

#include <memory>

namespace kestrel::testing {

// A register grid with its 45 columns, two header rows and one row per client. Each client is
// "code|name|state" where state is T (ticked), U (unticked) or H (ticked but hidden).
inline std::unique_ptr<grid::FlexGrid> makeRegister(const QStringList& clients) {
  auto view = std::make_unique<grid::FlexGrid>();
  grid::FlexGridModel& g = *view->model();
  g.setCols(col::Count);
  g.setRows(FirstDataRow);
  g.setFixedRows(FirstDataRow);
  g.setTextMatrix(1, col::PartyCode, QStringLiteral("Party Code"));
  for (const QString& client : clients) {
    const QStringList parts = client.split(QLatin1Char('|'));
    const int row = g.Rows();
    g.setRows(row + 1);
    g.setTextMatrix(row, col::SrNo, QString::number(row - 1));
    g.setTextMatrix(row, col::PartyCode, parts.value(0));
    g.setTextMatrix(row, col::PartyName, parts.value(1));
    const QString state = parts.value(2, QStringLiteral("T"));
    g.setCellChecked(row, col::SrNo, state == u"U" ? grid::flexUnchecked : grid::flexChecked);
    g.setRowHidden(row, state == u"H");
  }
  return view;
}

}  // namespace kestrel::testing
