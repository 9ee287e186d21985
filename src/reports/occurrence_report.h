#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

#include <array>
#include <vector>

namespace kestrel {

class BaseComponent;
namespace grid {
class FlexGridModel;
}

// The occurrence report: how many clients share each mobile or e-mail of one register column,
// counted by the store in ITRDet_Temp and shown in the detail grid `VSDet`, either one line per
// value or every client under its value.

struct OccurrenceList {
  const char* item;
  const char* caption;
  int column;
};
inline constexpr std::array<OccurrenceList, 4> OccurrenceLists = {{
    {"MnuMobAssigned", "Party List According to Mobile (S/w)", 15},
    {"MnuLMobAssigned", "Party List According to Mobile (Login)", 26},
    {"MnuEMailAssigned", "Party List According to EMail (S/w)", 17},
    {"MnuLMailAssigned", "Party List According to EMail (Login)", 28},
}};

// "Mobile" for the two mobile columns (15, 26), "E-Mail" otherwise.
QString OccurrenceValueName(int column);
// "Party List According to Mobile" with details, "Mobile Occurance List" without.
QString OccurrenceTitle(int column, bool details);

// The detail grid's columns.
namespace det {
inline constexpr int SNo = 0;
inline constexpr int Value = 1;
inline constexpr int Count = 2;
inline constexpr int PartyCode = 3;
inline constexpr int PartyName = 4;
inline constexpr int Columns = 5;
}  // namespace det

// Shading of a group's rows, by the group's number.
inline const QColor OddGroupBack(242, 255, 245);
inline const QColor EvenGroupBack(254, 243, 248);

// One header row and the five columns, the client columns hidden.
void FormatDetailGrid(grid::FlexGridModel& VSDet);

// The INSERT statements that put every client of the column holding a value into ITRDet_Temp,
// each within maxBytes; empty when no client has one. Values, codes and names longer than the
// scratch table's columns are cut to them, so that no store refuses the rows.
QStringList OccurrenceInserts(const grid::FlexGridModel& vsCL, int column, const BaseComponent& base,
                              qsizetype maxBytes);

// One record of the report's query: the value, and the count (summary) or the client (details).
struct OccurrenceRecord {
  QString value{};
  QString count{};
  QString code{};
  QString name{};
};

// Lays the records out in the detail grid, in their order, grouped by equal trimmed value and
// numbered from 1: with details one row per client, number, value and count merged down each
// group; without, one row per record with its count. Returns the number of groups.
int FillOccurrenceGrid(grid::FlexGridModel& VSDet, const std::vector<OccurrenceRecord>& records, bool details,
                       int column);

// `AssignedDet`: the column's values through ITRDet_Temp into the detail grid. Every statement is
// trapped under the routine's name. maxStatementBytes 0 asks the store. Returns the title.
QString AssignedDet(const grid::FlexGridModel& vsCL, int column, bool details, grid::FlexGridModel& VSDet,
                    qsizetype maxStatementBytes = 0);

}  // namespace kestrel
