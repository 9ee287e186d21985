#pragma once

// The report panel's two grids filled as its lists fill them, for the export tests.
#include "platform/grid/flexgrid_model.h"
#include "register/register_layout.h"

#include <QStringList>

#include <map>
#include <memory>

namespace kestrel::testing {

// The report grid `VSRpt` with one row per client: report column -> text.
inline std::unique_ptr<grid::FlexGridModel> reportGrid(const std::vector<std::map<int, QString>>& clients) {
  auto g = std::make_unique<grid::FlexGridModel>();
  FormatGrid(*g, ReportColumns());
  g->setRows(2 + int(clients.size()));
  for (size_t i = 0; i < clients.size(); ++i)
    for (const auto& [col, text] : clients[i]) g->setTextMatrix(2 + int(i), col, text);
  return g;
}

// One occurrence group: the value and the clients (code, name) that share it.
struct Occurrence {
  QString value;
  std::vector<std::pair<QString, QString>> clients;
};

// The detail grid `VSDet`: one header row, five columns. The summary lists one row per value
// with its count and hides the client columns; with details every client has a row, and the
// group's number, value and count stand on each of its rows.
inline std::unique_ptr<grid::FlexGridModel> detailGrid(const QString& valueCaption,
                                                       const std::vector<Occurrence>& groups, bool details) {
  auto g = std::make_unique<grid::FlexGridModel>();
  g->setCols(5);
  g->setRows(1);
  g->setFixedRows(1);
  const QStringList captions{"SNo", valueCaption, "No. of Occurance", "Party Code", "Party  Name"};
  for (int c = 0; c < 5; ++c) g->setTextMatrix(0, c, captions[c]);
  g->setColHidden(3, !details);
  g->setColHidden(4, !details);
  int number = 0;
  for (const Occurrence& o : groups) {
    ++number;
    const QString count = QString::number(o.clients.size());
    if (!details) {
      g->AddItem(QString::number(number) + '\t' + o.value + '\t' + count);
      continue;
    }
    for (const auto& [code, name] : o.clients)
      g->AddItem(QStringList{QString::number(number), o.value, count, code, name}.join('\t'));
  }
  return g;
}

}  // namespace kestrel::testing
