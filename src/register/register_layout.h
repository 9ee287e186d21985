#pragma once

#include <QString>

#include <array>
#include <span>

namespace kestrel {

namespace grid {
class FlexGridModel;
}

// Column numbers of the client register `vsCL`. Every routine addresses clients by these.
namespace col {
inline constexpr int SrNo = 0;
inline constexpr int PartyCode = 1;
inline constexpr int FirstName = 2;
inline constexpr int MiddleName = 3;
inline constexpr int LastName = 4;
inline constexpr int PartyName = 5;
inline constexpr int Pan = 6;
inline constexpr int Dob = 7;
inline constexpr int Password = 8;
inline constexpr int Phone = 9;
inline constexpr int PartyMobile = 10;
inline constexpr int PartyEMail = 11;
inline constexpr int SecDet = 12;
// The three contact groups share one order of ten fields.
inline constexpr int Software = 13;  // 13..22
inline constexpr int LoginName = 23;
inline constexpr int Login = 24;   // 24..33
inline constexpr int Change = 34;  // 34..43
inline constexpr int ImportLogs = 44;
inline constexpr int Count = 45;

// Offsets inside a group of ten.
inline constexpr int NonResident = 0;
inline constexpr int Isd = 1;
inline constexpr int Mobile1 = 2;
inline constexpr int Mobile1Rel = 3;
inline constexpr int EMail1 = 4;
inline constexpr int EMail1Rel = 5;
inline constexpr int Mobile2 = 6;
inline constexpr int Mobile2Rel = 7;
inline constexpr int EMail2 = 8;
inline constexpr int EMail2Rel = 9;

// The "To be Changed" columns by name (34 to 43).
inline constexpr int NewResidency = Change + NonResident;
inline constexpr int NewIsd = Change + Isd;
inline constexpr int NewMobile1 = Change + Mobile1;
inline constexpr int NewMobile1Rel = Change + Mobile1Rel;
inline constexpr int NewEMail1 = Change + EMail1;
inline constexpr int NewEMail1Rel = Change + EMail1Rel;
inline constexpr int NewMobile2 = Change + Mobile2;
inline constexpr int NewMobile2Rel = Change + Mobile2Rel;
inline constexpr int NewEMail2 = Change + EMail2;
inline constexpr int NewEMail2Rel = Change + EMail2Rel;
}  // namespace col

inline constexpr int FirstDataRow = 2;
inline constexpr int HeaderRows = 2;

enum class Align { LeftCenter, RightCenter, CenterCenter, General };

// Which drop-down list a column carries.
enum class ColList { None, Residency, ShortRelation, LongRelation };

// One column of a grid with the two header rows: captions, width, alignment of its cells and
// of its header, whether it is hidden at start, and its drop-down list.
struct ColumnSpec {
  const char* group;    // row 0 caption
  const char* caption;  // row 1 caption
  int widthTwips;
  Align align;
  bool hidden;
  ColList list = ColList::None;
  Align headerAlign = Align::CenterCenter;
};

// The 45 columns of `vsCL`, in order.
const std::array<ColumnSpec, col::Count>& RegisterColumns();

inline constexpr int ReportColumnCount = 27;
// The 27 columns of the report grid `VSRpt`.
const std::array<ColumnSpec, ReportColumnCount>& ReportColumns();

// Lays a grid out from its columns: two fixed header rows holding the group and column
// captions, no rows below them yet, each column's width, alignments and start-up hiding.
void FormatGrid(grid::FlexGridModel& g, std::span<const ColumnSpec> columns);
// The register `vsCL`: its layout, columns 0 to 5 frozen, editable by keyboard and mouse, the
// header check box unticked.
void FormatRegisterGrid(grid::FlexGridModel& vsCL);
// Only header cells merge: vertically in columns 0 to 12 and the last column, across in row 0
// (the group captions).
void MergeHeaders(grid::FlexGridModel& g);

// Drop-down lists in the grid's entry syntax: "#code;text" entries separated by "|".
inline constexpr const char* ShortRelationList =
    "#0; |#1;Self|#2;Parent|#3;Brother|#4;Sister|#5;Spouse|#6;Relative|#7;Friend";
inline constexpr const char* LongRelationList =
    "#0; |#1;Self|#10;Authorised Representative|#11;e-Return Intermediary|#12;Tax Return Preparer|#2;Parent|"
    "#3;Brother|#4;Sister|#5;Spouse|#6;Relative|#7;Friend";
inline constexpr const char* ResidencyList = "No|Yes";

QString ListText(ColList list);

}  // namespace kestrel
