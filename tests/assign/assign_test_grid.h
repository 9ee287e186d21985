#pragma once

#include "platform/grid/flexgrid.h"
#include "register/register_layout.h"

#include <QString>
#include <QTest>

#include <memory>
#include <vector>

namespace kestrel::testing {

// How a client's row stands in the register: ticked, unticked, or ticked but hidden.
enum class Tick { Ticked, Unticked, Hidden };

struct Client {
  QString code;
  QString name;
  Tick tick = Tick::Ticked;
};

// A register grid with its 45 columns, two header rows and one row per client.
inline std::unique_ptr<grid::FlexGrid> makeRegister(const std::vector<Client>& clients) {
  auto view = std::make_unique<grid::FlexGrid>();
  grid::FlexGridModel& g = *view->model();
  g.setCols(col::Count);
  g.setRows(FirstDataRow);
  g.setFixedRows(FirstDataRow);
  g.setTextMatrix(1, col::PartyCode, QStringLiteral("Party Code"));
  for (const Client& client : clients) {
    const int row = g.Rows();
    g.setRows(row + 1);
    g.setTextMatrix(row, col::SrNo, QString::number(row - 1));
    g.setTextMatrix(row, col::PartyCode, client.code);
    g.setTextMatrix(row, col::PartyName, client.name);
    g.setCellChecked(row, col::SrNo, client.tick == Tick::Unticked ? grid::flexUnchecked : grid::flexChecked);
    g.setRowHidden(row, client.tick == Tick::Hidden);
  }
  return view;
}

// The "To be Changed" group of one row, columns 34 to 43.
struct NewContact {
  QString residency{};
  QString isd{};
  QString mobile1{};
  QString mobile1Rel{};
  QString eMail1{};
  QString eMail1Rel{};
  QString mobile2{};
  QString mobile2Rel{};
  QString eMail2{};
  QString eMail2Rel{};

  bool operator==(const NewContact&) const = default;

  // A copy with one field changed.
  NewContact with(QString NewContact::*field, const QString& value) const {
    NewContact changed = *this;
    changed.*field = value;
    return changed;
  }
};

inline constexpr QString NewContact::*NewContactFields[] = {
    &NewContact::residency, &NewContact::isd,       &NewContact::mobile1, &NewContact::mobile1Rel,
    &NewContact::eMail1,    &NewContact::eMail1Rel, &NewContact::mobile2, &NewContact::mobile2Rel,
    &NewContact::eMail2,    &NewContact::eMail2Rel};

// New contact details that pass the row checks.
inline const NewContact CompleteContact{
    .residency = "No", .mobile1 = "9876543210", .mobile1Rel = "1", .eMail1 = "a@b.in", .eMail1Rel = "1"};

inline NewContact readNewContact(const grid::FlexGridModel& g, int row) {
  NewContact contact;
  int c = col::NewResidency;
  for (QString NewContact::*field : NewContactFields) contact.*field = g.TextMatrix(row, c++);
  return contact;
}

inline void writeNewContact(grid::FlexGridModel& g, int row, const NewContact& contact) {
  int c = col::NewResidency;
  for (QString NewContact::*field : NewContactFields) g.setTextMatrix(row, c++, contact.*field);
}

inline char* toString(const NewContact& contact) {
  QStringList cells;
  for (QString NewContact::*field : NewContactFields) cells << contact.*field;
  return QTest::toString(QStringLiteral("(") + cells.join(QStringLiteral(", ")) + QLatin1Char(')'));
}

}  // namespace kestrel::testing
