#include "platform/grid/flexgrid_model.h"

#include <QFontMetrics>
#include <QGuiApplication>

#include <algorithm>
#include <stdexcept>

namespace kestrel::grid {

namespace {

constexpr std::uint16_t kUnset = 0;
constexpr std::uint16_t kExplicitDefault = 1;

template <class T>
void insertIfAllocated(std::vector<T>& v, int at, int count) {
  if (!v.empty())
    v.insert(v.begin() + at, static_cast<std::size_t>(count), T{});
}

template <class T>
void eraseIfAllocated(std::vector<T>& v, int at, int count) {
  if (!v.empty())
    v.erase(v.begin() + at, v.begin() + at + count);
}

template <class T>
void resizeIfAllocated(std::vector<T>& v, int rows) {
  if (!v.empty())
    v.resize(static_cast<std::size_t>(rows), T{});
}

template <class T>
void fillRows(std::vector<T>& v, int row1, int row2, T value) {
  std::fill(v.begin() + row1, v.begin() + row2 + 1, value);
}

}  // namespace

FlexGridModel::FlexGridModel(QObject* parent) : QObject(parent), palette_{QColor(), QColor()} {}

FlexGridModel::~FlexGridModel() = default;

void FlexGridModel::checkRow(int row) const {
  if (row < 0 || row >= rows_)
    throw std::out_of_range("Subscript out of range (row)");
}

void FlexGridModel::checkCol(int col) const {
  if (col < 0 || col >= Cols())
    throw std::out_of_range("Subscript out of range (column)");
}

void FlexGridModel::checkCell(int row, int col) const {
  checkRow(row);
  checkCol(col);
}

void FlexGridModel::notifyCells(int row1, int col1, int row2, int col2) {
  if (redraw_)
    emit cellsChanged(row1, col1, row2, col2);
}

void FlexGridModel::notifyLayout() {
  if (redraw_)
    emit layoutChanged();
}

void FlexGridModel::setRedraw(bool redraw) {
  if (redraw == redraw_)
    return;
  redraw_ = redraw;
  if (redraw_)
    notifyLayout();
}

void FlexGridModel::setEditable(int setting) {
  editable_ = std::clamp(setting, 0, 2);
}

// ---- size ----

void FlexGridModel::setRows(int rows) {
  rows = std::max(rows, 0);
  if (rows == rows_)
    return;
  resizeRowStorage(rows);
  if (fixedRows_ > rows_) {
    fixedRows_ = rows_;
    fixedRowHeights_.resize(static_cast<std::size_t>(fixedRows_));
    recountHiddenDataRows();
  }
  clampCurrent();
  notifyLayout();
}

void FlexGridModel::setCols(int cols) {
  cols = std::max(cols, 0);
  if (cols == Cols())
    return;
  cols_.resize(static_cast<std::size_t>(cols));
  fixedCols_ = std::min(fixedCols_, cols);
  clampCurrent();
  notifyLayout();
}

void FlexGridModel::setFixedRows(int rows) {
  rows = std::max(rows, 0);
  if (rows > rows_)
    resizeRowStorage(rows);
  fixedRows_ = rows;
  fixedRowHeights_.resize(static_cast<std::size_t>(rows));
  recountHiddenDataRows();
  ++measureGeneration_;
  clampCurrent(true);
  notifyLayout();
}

void FlexGridModel::setFixedCols(int cols) {
  cols = std::max(cols, 0);
  if (cols > Cols())
    cols_.resize(static_cast<std::size_t>(cols));
  fixedCols_ = cols;
  ++measureGeneration_;
  clampCurrent(true);
  notifyLayout();
}

void FlexGridModel::setFrozenCols(int cols) {
  cols = std::max(cols, 0);
  if (cols == frozenCols_)
    return;
  frozenCols_ = cols;
  notifyLayout();
}

void FlexGridModel::resizeRowStorage(int rows) {
  const int old = rows_;
  if (rows < old) {
    for (int r = std::max(rows, fixedRows_); r < old; ++r)
      if (rowFlags_[static_cast<std::size_t>(r)] & RowIsHidden)
        --hiddenDataRows_;
    if (visibleRowsValid_)
      while (!visibleRows_.empty() && visibleRows_.back() >= rows) visibleRows_.pop_back();
  } else if (visibleRowsValid_) {
    for (int r = std::max(old, fixedRows_); r < rows; ++r) visibleRows_.push_back(r);
  }
  for (Column& column : cols_) {
    column.text.resize(rows);
    resizeIfAllocated(column.check, rows);
    ++column.checkGeneration;
    resizeIfAllocated(column.back, rows);
    resizeIfAllocated(column.fore, rows);
  }
  rowFlags_.resize(static_cast<std::size_t>(rows), 0);
  resizeIfAllocated(rowBack_, rows);
  resizeIfAllocated(rowFore_, rows);
  rows_ = rows;
}

void FlexGridModel::insertRowStorage(int at, int count) {
  for (Column& column : cols_) {
    column.text.insertRows(at, count);
    insertIfAllocated(column.check, at, count);
    ++column.checkGeneration;
    insertIfAllocated(column.back, at, count);
    insertIfAllocated(column.fore, at, count);
  }
  rowFlags_.insert(rowFlags_.begin() + at, static_cast<std::size_t>(count), 0);
  insertIfAllocated(rowBack_, at, count);
  insertIfAllocated(rowFore_, at, count);
  if (visibleRowsValid_ && at == rows_ && at >= fixedRows_) {
    for (int r = at; r < at + count; ++r) visibleRows_.push_back(r);
  } else {
    visibleRowsValid_ = false;
  }
  rows_ += count;
}

void FlexGridModel::eraseRowStorage(int at, int count) {
  for (int r = std::max(at, fixedRows_); r < at + count; ++r)
    if (rowFlags_[static_cast<std::size_t>(r)] & RowIsHidden)
      --hiddenDataRows_;
  for (Column& column : cols_) {
    column.text.eraseRows(at, count);
    eraseIfAllocated(column.check, at, count);
    ++column.checkGeneration;
    eraseIfAllocated(column.back, at, count);
    eraseIfAllocated(column.fore, at, count);
  }
  eraseIfAllocated(rowFlags_, at, count);
  eraseIfAllocated(rowBack_, at, count);
  eraseIfAllocated(rowFore_, at, count);
  if (visibleRowsValid_ && at + count == rows_) {
    while (!visibleRows_.empty() && visibleRows_.back() >= at) visibleRows_.pop_back();
  } else {
    visibleRowsValid_ = false;
  }
  rows_ -= count;
}

void FlexGridModel::clampCurrent(bool leaveHeaders) {
  const int oldRow = row_;
  const int oldCol = col_;
  if (leaveHeaders && row_ < fixedRows_)
    row_ = rowSel_ = -1;
  if (leaveHeaders && col_ < fixedCols_)
    col_ = colSel_ = -1;
  auto clampTo = [](int value, int first, int count) {
    if (count <= 0)
      return -1;
    if (value < 0)
      return std::min(first, count - 1);
    return std::min(value, count - 1);
  };
  row_ = clampTo(row_, fixedRows_, rows_);
  col_ = clampTo(col_, fixedCols_, Cols());
  rowSel_ = rowSel_ < 0 ? row_ : clampTo(rowSel_, fixedRows_, rows_);
  colSel_ = colSel_ < 0 ? col_ : clampTo(colSel_, fixedCols_, Cols());
  if (row_ != oldRow || col_ != oldCol)
    emit cellEntered();
}

// ---- text ----

QString FlexGridModel::TextMatrix(int row, int col) const {
  checkCell(row, col);
  return cols_[static_cast<std::size_t>(col)].text.text(row);
}

void FlexGridModel::setTextMatrix(int row, int col, const QString& text) {
  checkCell(row, col);
  Column& column = cols_[static_cast<std::size_t>(col)];
  const std::uint32_t before = column.text.generation();
  column.text.set(rows_, row, text);
  // Logged while the last measure is otherwise still good; a long log is not worth keeping.
  if (column.text.generation() == before + 1 && column.loggedGeneration == before &&
      !column.rowWidths.empty() && column.changedRows.size() < 4096) {
    column.changedRows.push_back(row);
    column.loggedGeneration = before + 1;
  }
  notifyCells(row, col, row, col);
}

bool FlexGridModel::isCellEmpty(int row, int col) const {
  checkCell(row, col);
  return cols_[static_cast<std::size_t>(col)].text.isEmpty(row);
}

void FlexGridModel::AddItem(const QString& item, int row) {
  if (row < 0)
    row = rows_;
  if (row > rows_)
    throw std::out_of_range("Subscript out of range (row)");
  insertRowStorage(row, 1);
  int col = 0;
  for (QStringView field : QStringView(item).tokenize(u'\t')) {
    if (col >= Cols())
      break;
    cols_[static_cast<std::size_t>(col++)].text.set(rows_, row, field);
  }
  clampCurrent();
  notifyLayout();
}

void FlexGridModel::RemoveItem(int row) {
  checkRow(row);
  if (row < fixedRows_)
    throw std::invalid_argument("Cannot remove a fixed row");
  eraseRowStorage(row, 1);
  clampCurrent();
  notifyLayout();
}

void FlexGridModel::Clear(ClearWhere where, ClearWhat what) {
  const int lastRow = rows_ - 1;
  const int lastCol = Cols() - 1;
  switch (where) {
    case flexClearEverywhere:
      clearBlock(0, 0, lastRow, lastCol, what);
      break;
    case flexClearFixed:
      clearBlock(0, 0, fixedRows_ - 1, lastCol, what);
      clearBlock(fixedRows_, 0, lastRow, fixedCols_ - 1, what);
      break;
    case flexClearScrollable:
      clearBlock(fixedRows_, fixedCols_, lastRow, lastCol, what);
      break;
    case flexClearSelection: {
      const CellRange sel = selection();
      if (sel.isValid())
        clearBlock(sel.row1, sel.col1, sel.row2, sel.col2, what);
      break;
    }
  }
}

void FlexGridModel::clearBlock(int row1, int col1, int row2, int col2, ClearWhat what) {
  if (row1 > row2 || col1 > col2)
    return;
  const bool wholeRows = col1 == 0 && col2 == Cols() - 1;
  for (int c = col1; c <= col2; ++c) {
    Column& column = cols_[static_cast<std::size_t>(c)];
    if (what != flexClearFormatting)
      column.text.clearRows(row1, row2);
    if (what != flexClearText) {
      if (!column.check.empty()) {
        fillRows(column.check, row1, row2, 0);
        ++column.checkGeneration;
      }
      if (!column.back.empty())
        fillRows(column.back, row1, row2, kUnset);
      if (!column.fore.empty())
        fillRows(column.fore, row1, row2, kUnset);
    }
  }
  if (what != flexClearText && wholeRows) {
    if (!rowBack_.empty())
      fillRows(rowBack_, row1, row2, kUnset);
    if (!rowFore_.empty())
      fillRows(rowFore_, row1, row2, kUnset);
  }
  notifyCells(row1, col1, row2, col2);
}

// ---- check boxes ----

int FlexGridModel::CellChecked(int row, int col) const {
  checkCell(row, col);
  const auto& check = cols_[static_cast<std::size_t>(col)].check;
  return check.empty() ? flexNoCheckbox : check[static_cast<std::size_t>(row)];
}

void FlexGridModel::setCellChecked(int row, int col, int state) {
  checkCell(row, col);
  Column& column = cols_[static_cast<std::size_t>(col)];
  if (column.check.empty()) {
    if (state == flexNoCheckbox)
      return;
    column.check.assign(static_cast<std::size_t>(rows_), flexNoCheckbox);
  }
  column.check[static_cast<std::size_t>(row)] = state;
  ++column.checkGeneration;
  notifyCells(row, col, row, col);
}

// ---- colours ----

std::uint16_t FlexGridModel::paletteIndex(const QColor& color) {
  if (!color.isValid())
    return kUnset;
  const QRgb key = color.rgba();
  const auto found = paletteLookup_.constFind(key);
  if (found != paletteLookup_.cend())
    return *found;
  if (palette_.size() >= 0xffff)
    return static_cast<std::uint16_t>(palette_.size() - 1);
  const auto index = static_cast<std::uint16_t>(palette_.size());
  palette_.push_back(QColor::fromRgba(key));
  paletteLookup_.insert(key, index);
  return index;
}

QColor FlexGridModel::colorAt(bool back, int row, int col) const {
  checkCell(row, col);
  const auto r = static_cast<std::size_t>(row);
  const auto& cell =
      back ? cols_[static_cast<std::size_t>(col)].back : cols_[static_cast<std::size_t>(col)].fore;
  if (!cell.empty() && cell[r] != kUnset)
    return palette_[cell[r]];
  const auto& whole = back ? rowBack_ : rowFore_;
  if (!whole.empty() && whole[r] != kUnset)
    return palette_[whole[r]];
  return {};
}

void FlexGridModel::setColorBlock(bool back, int row1, int col1, int row2, int col2, const QColor& color) {
  if (row1 > row2)
    std::swap(row1, row2);
  if (col1 > col2)
    std::swap(col1, col2);
  checkCell(row1, col1);
  checkCell(row2, col2);
  auto& whole = back ? rowBack_ : rowFore_;
  auto cellsOf = [back](Column& column) -> std::vector<std::uint16_t>& {
    return back ? column.back : column.fore;
  };
  const std::uint16_t index = paletteIndex(color);
  if (col1 == 0 && col2 == Cols() - 1) {
    if (index != kUnset && whole.empty())
      whole.assign(static_cast<std::size_t>(rows_), kUnset);
    if (!whole.empty())
      fillRows(whole, row1, row2, index);
    for (Column& column : cols_)
      if (!cellsOf(column).empty())
        fillRows(cellsOf(column), row1, row2, kUnset);
  } else {
    // A cell set back to the default must not show its row's colour instead.
    const std::uint16_t cellIndex = index == kUnset && !whole.empty() ? kExplicitDefault : index;
    for (int c = col1; c <= col2; ++c) {
      auto& cells = cellsOf(cols_[static_cast<std::size_t>(c)]);
      if (cells.empty()) {
        if (cellIndex == kUnset)
          continue;
        cells.assign(static_cast<std::size_t>(rows_), kUnset);
      }
      fillRows(cells, row1, row2, cellIndex);
    }
  }
  notifyCells(row1, col1, row2, col2);
}

QColor FlexGridModel::CellBackColor(int row, int col) const {
  return colorAt(true, row, col);
}
QColor FlexGridModel::CellForeColor(int row, int col) const {
  return colorAt(false, row, col);
}

void FlexGridModel::setCellBackColor(int row, int col, const QColor& color) {
  setColorBlock(true, row, col, row, col, color);
}

void FlexGridModel::setCellForeColor(int row, int col, const QColor& color) {
  setColorBlock(false, row, col, row, col, color);
}

void FlexGridModel::setCellBackColor(int row1, int col1, int row2, int col2, const QColor& color) {
  setColorBlock(true, row1, col1, row2, col2, color);
}

void FlexGridModel::setCellForeColor(int row1, int col1, int row2, int col2, const QColor& color) {
  setColorBlock(false, row1, col1, row2, col2, color);
}

// ---- current cell and selection ----

void FlexGridModel::setRow(int row) {
  setCurrentCell(row, col_);
}
void FlexGridModel::setCol(int col) {
  setCurrentCell(row_, col);
}

void FlexGridModel::setCurrentCell(int row, int col) {
  checkCell(row, col);
  const bool moved = row != row_ || col != col_;
  const bool reselected = rowSel_ != row || colSel_ != col;
  row_ = rowSel_ = row;
  col_ = colSel_ = col;
  if (moved)
    emit cellEntered();
  if (moved || reselected)
    emit selectionChanged();
}

void FlexGridModel::setRowSel(int row) {
  checkRow(row);
  if (row == rowSel_)
    return;
  rowSel_ = row;
  emit selectionChanged();
}

void FlexGridModel::setColSel(int col) {
  checkCol(col);
  if (col == colSel_)
    return;
  colSel_ = col;
  emit selectionChanged();
}

void FlexGridModel::Select(int row, int col, int rowSel, int colSel) {
  checkCell(rowSel, colSel);
  setCurrentCell(row, col);
  rowSel_ = rowSel;
  colSel_ = colSel;
  emit selectionChanged();
}

void FlexGridModel::setSelectionMode(int mode) {
  selectionMode_ = std::clamp(mode, 0, 2);
  emit selectionChanged();
}

CellRange FlexGridModel::selection() const {
  if (row_ < 0 || col_ < 0)
    return {};
  CellRange range{std::min(row_, rowSel_), std::min(col_, colSel_), std::max(row_, rowSel_),
                  std::max(col_, colSel_)};
  if (selectionMode_ == flexSelectionByRow) {
    range.col1 = fixedCols_;
    range.col2 = Cols() - 1;
  } else if (selectionMode_ == flexSelectionByColumn) {
    range.row1 = fixedRows_;
    range.row2 = rows_ - 1;
  }
  return range;
}

// ---- columns ----

int FlexGridModel::ColWidth(int col) const {
  checkCol(col);
  const int width = cols_[static_cast<std::size_t>(col)].width;
  return width < 0 ? defaultColWidth_ : width;
}

void FlexGridModel::setColWidth(int col, int pixels) {
  checkCol(col);
  cols_[static_cast<std::size_t>(col)].width = std::max(pixels, -1);
  notifyLayout();
}

int FlexGridModel::ColWidthTwips(int col) const {
  return pixelsToTwips(ColWidth(col), logicalDpi());
}

void FlexGridModel::setColWidthTwips(int col, int twips) {
  setColWidth(col, twips < 0 ? -1 : twipsToPixels(twips, logicalDpi()));
}

void FlexGridModel::setDefaultColWidth(int pixels) {
  defaultColWidth_ = std::max(pixels, 0);
  notifyLayout();
}

int FlexGridModel::RowHeight(int row) const {
  checkRow(row);
  if (row < fixedRows_ && fixedRowHeights_[static_cast<std::size_t>(row)] > 0)
    return fixedRowHeights_[static_cast<std::size_t>(row)];
  return scrollableRowHeight();
}

int FlexGridModel::scrollableRowHeight() const {
  if (dataRowHeight_ > 0)
    return dataRowHeight_;
  if (fontRowHeight_ == 0)
    fontRowHeight_ = qGuiApp ? QFontMetrics(font_).height() + 4 : 20;
  return fontRowHeight_;
}

void FlexGridModel::setRowHeight(int row, int pixels) {
  checkRow(row);
  pixels = std::max(pixels, 0);
  if (row < fixedRows_)
    fixedRowHeights_[static_cast<std::size_t>(row)] = pixels;
  else
    dataRowHeight_ = pixels;
  notifyLayout();
}

void FlexGridModel::setFont(const QFont& font) {
  font_ = font;
  fontRowHeight_ = 0;
  ++measureGeneration_;
  notifyLayout();
}

int FlexGridModel::ColAlignment(int col) const {
  checkCol(col);
  return cols_[static_cast<std::size_t>(col)].alignment;
}

void FlexGridModel::setColAlignment(int col, int alignment) {
  checkCol(col);
  cols_[static_cast<std::size_t>(col)].alignment = std::clamp(alignment, 0, 9);
  notifyCells(0, col, rows_ - 1, col);
}

int FlexGridModel::FixedAlignment(int col) const {
  checkCol(col);
  return cols_[static_cast<std::size_t>(col)].fixedAlignment;
}

void FlexGridModel::setFixedAlignment(int col, int alignment) {
  checkCol(col);
  cols_[static_cast<std::size_t>(col)].fixedAlignment = std::clamp(alignment, 0, 9);
  notifyCells(0, col, rows_ - 1, col);
}

QString FlexGridModel::ColComboList(int col) const {
  checkCol(col);
  return cols_[static_cast<std::size_t>(col)].comboSource;
}

void FlexGridModel::setColComboList(int col, const QString& list) {
  checkCol(col);
  Column& column = cols_[static_cast<std::size_t>(col)];
  column.comboSource = list;
  column.combo = list.isEmpty() ? nullptr : std::make_shared<const ComboList>(ComboList::parse(list));
  ++measureGeneration_;
  notifyCells(0, col, rows_ - 1, col);
}

const ComboList* FlexGridModel::comboList(int col) const {
  checkCol(col);
  return cols_[static_cast<std::size_t>(col)].combo.get();
}

QString FlexGridModel::DisplayText(int row, int col) const {
  checkCell(row, col);
  const Column& column = cols_[static_cast<std::size_t>(col)];
  const QString value = column.text.text(row);
  return column.combo ? column.combo->displayText(value) : value;
}

std::size_t FlexGridModel::memoryUsed() const {
  std::size_t bytes = rowFlags_.capacity() + (rowBack_.capacity() + rowFore_.capacity()) * 2 +
                      visibleRows_.capacity() * sizeof(int) + cols_.capacity() * sizeof(Column);
  for (const Column& column : cols_)
    bytes += column.text.bytesUsed() + column.check.capacity() * sizeof(int) +
             (column.back.capacity() + column.fore.capacity() + column.rowWidths.capacity()) *
                 sizeof(std::uint16_t);
  return bytes;
}

}  // namespace kestrel::grid
