#pragma once

// FlexGridModel: the cells of the grid control, usable without any widget or screen.
//
// Cells are addressed by row and column number. Rows 0..FixedRows()-1 are header rows and
// columns 0..FixedCols()-1 header columns; the rest scroll. Indices outside the grid make the
// cell accessors throw std::out_of_range ("Subscript out of range").
//
//   Size        Rows/setRows, Cols/setCols, FixedRows/FixedCols (+ setters); FrozenCols: how
//               many columns after the header columns stay in view while the rest scroll
//   Text        TextMatrix/setTextMatrix, AddItem(tab-separated, row), RemoveItem, Clear
//   Check box   CellChecked/setCellChecked: flexNoCheckbox 0, flexChecked 1, flexUnchecked 2,
//               anything else grey
//   Colours     CellBackColor/CellForeColor (+ single-cell and block setters); an invalid
//               QColor means the grid's default colour
//   Visibility  RowHidden/ColHidden (+ setters); visibleRowCount/visibleRowAt/visibleIndexOfRow
//               index the shown scrollable rows
//   Current     Row/Col/RowSel/ColSel (+ setters, Select); cellEntered() when Row or Col changes
//   Columns     ColWidth (pixels) and setColWidthTwips, ColAlignment, FixedAlignment,
//               AutoSize, ColComboList and DisplayText
//   Merging     MergeCells mode, MergeCol(c), MergeRow(r), mergedRange(r, c)
//   Search      FindRow(text, startRow, col, caseSensitive, fullMatch): first row at or after
//               startRow whose cell equals text (or starts with it when fullMatch is false)
//
// Changes are announced by cellsChanged (contents or formatting of a block) and layoutChanged
// (anything that moves cells: sizes, hidden rows and columns, widths, heights, merging).
// setRedraw(false) silences both until setRedraw(true), which sends one layoutChanged;
// RedrawPause does the same for one scope.

#include "platform/grid/combo_list.h"
#include "platform/grid/flexgrid_types.h"
#include "platform/grid/text_column.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QObject>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace kestrel::grid {

class FlexGridModel : public QObject {
  Q_OBJECT

 public:
  explicit FlexGridModel(QObject* parent = nullptr);
  ~FlexGridModel() override;

  int Rows() const { return rows_; }
  void setRows(int rows);
  int Cols() const { return static_cast<int>(cols_.size()); }
  void setCols(int cols);
  int FixedRows() const { return fixedRows_; }
  void setFixedRows(int rows);
  int FixedCols() const { return fixedCols_; }
  void setFixedCols(int cols);
  // Frozen columns take the cursor and edits like any other but do not scroll sideways.
  int FrozenCols() const { return frozenCols_; }
  void setFrozenCols(int cols);
  // The first column that scrolls: after the header and frozen columns.
  int firstScrollingCol() const { return std::min(fixedCols_ + frozenCols_, Cols()); }

  QString TextMatrix(int row, int col) const;
  void setTextMatrix(int row, int col, const QString& text);
  bool isCellEmpty(int row, int col) const;
  // Cells separated by TAB go to columns 0, 1, ...; row -1 appends.
  void AddItem(const QString& item, int row = -1);
  void RemoveItem(int row);
  // Empties cells without removing rows. The default empties the scrollable cells (the data),
  // leaving the header captions; flexClearEverywhere empties the headers too.
  void Clear(ClearWhere where = flexClearScrollable, ClearWhat what = flexClearEverything);

  int CellChecked(int row, int col) const;
  void setCellChecked(int row, int col, int state);

  QColor CellBackColor(int row, int col) const;
  QColor CellForeColor(int row, int col) const;
  void setCellBackColor(int row, int col, const QColor& color);
  void setCellForeColor(int row, int col, const QColor& color);
  // Colours a block; blocks spanning every column are kept as one colour per row.
  void setCellBackColor(int row1, int col1, int row2, int col2, const QColor& color);
  void setCellForeColor(int row1, int col1, int row2, int col2, const QColor& color);

  bool RowHidden(int row) const;
  void setRowHidden(int row, bool hidden);
  bool ColHidden(int col) const;
  void setColHidden(int col, bool hidden);
  int visibleRowCount() const { return rows_ - fixedRows_ - hiddenDataRows_; }
  int visibleRowAt(int index) const;
  int visibleIndexOfRow(int row) const;  // -1 for header and hidden rows
  // Index of the first shown scrollable row at or after row (visibleRowCount() if none).
  int visibleLowerBound(int row) const;

  int Row() const { return row_; }
  int Col() const { return col_; }
  int RowSel() const { return rowSel_; }
  int ColSel() const { return colSel_; }
  void setRow(int row);
  void setCol(int col);
  void setCurrentCell(int row, int col);  // one cellEntered for both
  void setRowSel(int row);
  void setColSel(int col);
  void Select(int row, int col, int rowSel, int colSel);
  CellRange selection() const;  // normalised, by SelectionMode
  int SelectionMode() const { return selectionMode_; }
  void setSelectionMode(int mode);

  int FindRow(const QString& text, int startRow = -1, int col = 0, bool caseSensitive = true,
              bool fullMatch = true) const;

  int ColWidth(int col) const;
  void setColWidth(int col, int pixels);  // negative: the default width
  int ColWidthTwips(int col) const;
  void setColWidthTwips(int col, int twips);
  int defaultColWidth() const { return defaultColWidth_; }
  void setDefaultColWidth(int pixels);
  int RowHeight(int row) const;
  int scrollableRowHeight() const;  // the height the scrollable rows share
  // Header rows have a height each; the scrollable rows share one height.
  void setRowHeight(int row, int pixels);
  int ColAlignment(int col) const;
  void setColAlignment(int col, int alignment);
  int FixedAlignment(int col) const;
  void setFixedAlignment(int col, int alignment);
  // Fits columns col1..col2 to their widest cell (header cells merged across columns excepted);
  // equal gives them all the widest width.
  void AutoSize(int col1, int col2 = -1, bool equal = false, int extraSpace = 0);
  QFont font() const { return font_; }
  void setFont(const QFont& font);

  // Dots per inch used for twips; by default the screen's logical DPI, 96 without a screen.
  qreal logicalDpi() const;
  void setLogicalDpi(qreal dpi);  // 0: follow the screen
  static int twipsToPixels(int twips, qreal dpi);
  static int pixelsToTwips(int pixels, qreal dpi);

  QString ColComboList(int col) const;
  void setColComboList(int col, const QString& list);
  const ComboList* comboList(int col) const;  // nullptr without a list
  QString DisplayText(int row, int col) const;

  int MergeCells() const { return mergeCells_; }
  void setMergeCells(int mode);
  bool MergeCol(int col) const;
  void setMergeCol(int col, bool merge);
  bool MergeRow(int row) const;
  void setMergeRow(int row, bool merge);
  // The block of equal neighbours that cell (row, col) is drawn as; the cell itself when it
  // does not merge. Merges never cross from header rows or columns into scrollable ones, nor
  // between frozen columns and those that scroll.
  CellRange mergedRange(int row, int col) const;

  int Editable() const { return editable_; }
  void setEditable(int setting);
  bool Redraw() const { return redraw_; }
  void setRedraw(bool redraw);

  // Bytes the cell storage holds (texts, check boxes, colours and row flags).
  std::size_t memoryUsed() const;

 signals:
  void cellsChanged(int row1, int col1, int row2, int col2);
  void layoutChanged();
  void cellEntered();
  void selectionChanged();

 private:
  enum RowFlag : std::uint8_t { RowIsHidden = 1, RowMerges = 2 };

  struct Column {
    TextColumn text;
    std::vector<int> check;           // per row once a cell has a check box
    std::vector<std::uint16_t> back;  // palette index per row once a cell has a colour
    std::vector<std::uint16_t> fore;
    int width = -1;
    int alignment = flexAlignGeneral;
    int fixedAlignment = flexAlignGeneral;
    bool hidden = false;
    bool merge = false;
    QString comboSource;
    std::shared_ptr<const ComboList> combo;
    std::uint32_t checkGeneration = 0;
    mutable struct {
      std::uint32_t textGeneration = 0;
      std::uint32_t checkGeneration = 0;
      std::uint32_t measureGeneration = 0;
      int width = -1;
    } measured;
    // Width of every row's cell at the last measure, and the rows whose text setTextMatrix
    // changed since (textGeneration then counts exactly those writes). A run that updates a
    // few rows of a large grid re-measures those rows only.
    mutable std::vector<std::uint16_t> rowWidths;
    mutable std::vector<int> changedRows;
    mutable std::uint32_t loggedGeneration = 0;
  };

  void checkRow(int row) const;
  void checkCol(int col) const;
  void checkCell(int row, int col) const;
  void resizeRowStorage(int rows);
  void insertRowStorage(int at, int count);
  void eraseRowStorage(int at, int count);
  void clearBlock(int row1, int col1, int row2, int col2, ClearWhat what);
  std::uint16_t paletteIndex(const QColor& color);
  void setColorBlock(bool back, int row1, int col1, int row2, int col2, const QColor& color);
  QColor colorAt(bool back, int row, int col) const;
  // Keeps the current cell inside the grid; leaveHeaders moves it off header rows and columns.
  void clampCurrent(bool leaveHeaders = false);
  void recountHiddenDataRows();
  void rebuildVisibleRows() const;
  void notifyCells(int row1, int col1, int row2, int col2);
  void notifyLayout();
  bool cellsEqual(int rowA, int colA, int rowB, int colB) const;
  bool canMerge(int row, int col) const;
  bool mergesAcross(int row, int colA, int colB) const;
  bool mergesDown(int rowA, int rowB, int col) const;
  std::pair<int, int> horizontalSpan(int row, int col) const;
  bool rowHidden(int row) const { return (rowFlags_[static_cast<std::size_t>(row)] & RowIsHidden) != 0; }
  struct Measure;
  int measureColumn(int col, const Measure& measure) const;
  int measureCell(const Column& column, int row, int col, const Measure& measure, bool anyRowMerges,
                  const std::vector<int>& entryWidths) const;
  int previousShownRow(int row) const;
  int previousShownCol(int col) const;

  int rows_ = 0;
  int fixedRows_ = 0;
  int fixedCols_ = 0;
  int frozenCols_ = 0;
  std::vector<Column> cols_;
  std::vector<std::uint8_t> rowFlags_;
  std::vector<std::uint16_t> rowBack_;  // whole-row colours, once any is set
  std::vector<std::uint16_t> rowFore_;
  std::vector<QColor> palette_;
  QHash<QRgb, std::uint16_t> paletteLookup_;
  int hiddenDataRows_ = 0;
  mutable std::vector<int> visibleRows_;
  mutable bool visibleRowsValid_ = true;

  int row_ = -1;
  int col_ = -1;
  int rowSel_ = -1;
  int colSel_ = -1;
  int selectionMode_ = flexSelectionFree;

  int defaultColWidth_ = 64;
  int dataRowHeight_ = 0;  // 0: from the font
  mutable int fontRowHeight_ = 0;
  std::vector<int> fixedRowHeights_;
  QFont font_;
  qreal dpi_ = 0;
  int mergeCells_ = flexMergeNever;
  int editable_ = flexEDNone;
  bool redraw_ = true;
  std::uint32_t measureGeneration_ = 0;  // bumped by changes that alter measured widths
};

// Holds back the grid's change notifications during a batch of changes (one repaint at the
// end), also when the batch fails half-way. Pauses nest: the outermost restores the setting.
class RedrawPause {
 public:
  explicit RedrawPause(FlexGridModel& grid) : grid_(grid), redraw_(grid.Redraw()) { grid_.setRedraw(false); }
  ~RedrawPause() { grid_.setRedraw(redraw_); }
  RedrawPause(const RedrawPause&) = delete;
  RedrawPause& operator=(const RedrawPause&) = delete;

 private:
  FlexGridModel& grid_;
  bool redraw_;
};

}  // namespace kestrel::grid
