#pragma once

// Settings and small value types of the grid control. The names and numbers are those the
// module's windows have always used with the grid, so their code reads as it did.

namespace kestrel::grid {

// Check box state of a cell (CellChecked). Any value other than these three draws a grey box.
enum CheckState : int { flexNoCheckbox = 0, flexChecked = 1, flexUnchecked = 2, flexTSGrayed = 5 };

// Text alignment of a column's cells (ColAlignment) or header cells (FixedAlignment).
// General puts text left and numbers right.
enum AlignmentSetting : int {
  flexAlignLeftTop = 0,
  flexAlignLeftCenter = 1,
  flexAlignLeftBottom = 2,
  flexAlignCenterTop = 3,
  flexAlignCenterCenter = 4,
  flexAlignCenterBottom = 5,
  flexAlignRightTop = 6,
  flexAlignRightCenter = 7,
  flexAlignRightBottom = 8,
  flexAlignGeneral = 9,
};

// Which cells may merge with equal neighbours (MergeCells). MergeRow(r) allows horizontal and
// MergeCol(c) vertical merging; the restricted modes also require the cells to the left (rows)
// or above (columns) to be merged.
enum MergeSetting : int {
  flexMergeNever = 0,
  flexMergeFree = 1,
  flexMergeRestrictRows = 2,
  flexMergeRestrictColumns = 3,
  flexMergeRestrictAll = 4,
  flexMergeFixedOnly = 5,
};

// How the user may start editing (Editable).
enum EditableSetting : int { flexEDNone = 0, flexEDKbd = 1, flexEDKbdMouse = 2 };

enum SelectionModeSetting : int { flexSelectionFree = 0, flexSelectionByRow = 1, flexSelectionByColumn = 2 };

// Where and what Clear empties.
enum ClearWhere : int {
  flexClearEverywhere = 0,
  flexClearFixed = 1,
  flexClearScrollable = 2,
  flexClearSelection = 3
};
enum ClearWhat : int { flexClearEverything = 0, flexClearText = 1, flexClearFormatting = 2 };

// What Tab does on the grid: move to the next control or to the next cell.
enum TabBehaviorSetting : int { flexTabControls = 0, flexTabCells = 1 };

// Space between a cell's border and its contents, and the side of a cell's check box.
inline constexpr int kCellPadding = 3;
inline constexpr int kCheckBoxSize = 13;

// A block of cells, inclusive at both ends.
struct CellRange {
  int row1 = -1;
  int col1 = -1;
  int row2 = -1;
  int col2 = -1;

  bool isValid() const { return row1 >= 0 && col1 >= 0 && row2 >= row1 && col2 >= col1; }
  bool isSingleCell() const { return row1 == row2 && col1 == col2; }
  bool contains(int row, int col) const { return row >= row1 && row <= row2 && col >= col1 && col <= col2; }
  friend bool operator==(const CellRange&, const CellRange&) = default;
};

}  // namespace kestrel::grid
