#pragma once

#include <QString>

#include <array>
#include <functional>

namespace kestrel {

namespace grid {
class FlexGridModel;
}

// The blank and mismatch lists: clients of the register `vsCL` listed in the report grid
// `VSRpt`, one report row per client. They look at every client row, ticked or not, shown or
// hidden.

// One blank list of the Reports menu: its item, caption, title and the client column that must
// be blank (trimmed) for a client to be listed.
struct BlankList {
  const char* item;
  const char* caption;
  const char* title;
  int column;
};
inline constexpr std::array<BlankList, 8> BlankLists = {{
    {"MnuMobBlankSw", "Blank Mobile (S/w)", "List of Blank Primary Mobile in Software.", 15},
    {"MnuMobBlankLogin", "Blank Mobile (Login)", "List of Blank Primary Mobile in Login.", 26},
    {"MnuSecMobBlanksw", "Blank Sec. Mobile (S/w)", "List of Blank Secondary Mobile in Software.", 19},
    {"MnuSecMobBlankLogin", "Blank Sec. Mobile (Login)", "List of Blank Secondary Mobile in Login.", 30},
    {"MnuEmailBlankSw", "Blank E-Mail (S/w)", "List of Blank Primary EMail in Software.", 17},
    {"MnuEmailBlankLogin", "Blank E-Mail (Login)", "List of Blank Primary EMail in Login.", 28},
    {"MnuSecEmailBlankSw", "Blank Sec. E-Mail (S/w)", "List of Blank Secondary Email in Software.", 21},
    {"MnuSecEmailBlankLogin", "Blank Sec. E-Mail (Login)", "List of Blank Secondary Email in Login.", 32},
}};

// The two mismatch lists ("MOB" and "MAIL"): a client is listed when its suite's primary or
// secondary value, trimmed, differs from the portal's, letter case counting.
enum class MismatchKind { Mobile, EMail };
QString MismatchTitle(MismatchKind kind);

// The client column each report column 1 to 26 is copied from (index: report column).
inline constexpr std::array<int, 27> ReportSourceColumns = {
    -1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 15, 19, 17, 21, 23, 26, 30, 28, 32, 36, 40, 38, 42, 44};

bool IsBlankCell(const grid::FlexGridModel& vsCL, int row, int column);
bool IsMismatch(const grid::FlexGridModel& vsCL, int row, MismatchKind kind);

// Empties the report grid to its two header rows and lists the client rows for which `listed`
// holds, in register order; then fits every report column. Returns the number listed.
int FillReportGrid(const grid::FlexGridModel& vsCL, grid::FlexGridModel& VSRpt,
                   const std::function<bool(int row)>& listed);

// `ShowReportBlank` and `ShowReportMismatch` on the grids alone.
int ListBlank(const grid::FlexGridModel& vsCL, int column, grid::FlexGridModel& VSRpt);
int ListMismatch(const grid::FlexGridModel& vsCL, MismatchKind kind, grid::FlexGridModel& VSRpt);

}  // namespace kestrel
