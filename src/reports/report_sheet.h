#pragma once

#include "reports/spreadsheet_writer.h"

#include <QString>

namespace kestrel {

namespace grid {
class FlexGridModel;
}

// The printable sheets the report panel exports, built directly in their final shape: a
// block of five title rows, the grid's header rows and data rows below it, the columns that
// are hidden on screen left out, widths as AutoFit would give them.
//
// Sheet rows and columns count from 0 here; sheet row TitleRows + r holds grid row r and,
// before hidden columns are left out, sheet column c holds grid column c.
inline constexpr int TitleRows = 5;
inline constexpr const char* CompanyPlaceholder = "<YOUR COMPANY NAME>";

// Rows the sheet of a grid takes.
int SheetRowsFor(const grid::FlexGridModel& g);

// The report grid `VSRpt` (two header rows, 27 columns) under the report title: header
// captions merged down where both rows are equal and across over each group, the header
// block boxed with a line between its rows, bold and centred, the data boxed with lines
// between the columns.
//
// The sheet reads its data cells from the grid while it is written: the grid must stay
// unchanged until then.
sheet::Sheet ReportGridSheet(const grid::FlexGridModel& VSRpt, const QString& title);

// The detail grid `VSDet` (one header row, five columns) under the report title: the header
// boxed, bold and centred, the data boxed with lines between the columns. With details (the
// check box `ChkShowDetail` ticked) the header is filled and each group of rows with the same
// value shows its number, value and count once, merged down, its rows shaded in turn in the
// two group colours.
sheet::Sheet DetailGridSheet(const grid::FlexGridModel& VSDet, const QString& title, bool details);

}  // namespace kestrel
