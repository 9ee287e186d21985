// Hidden rows and columns, merging, search, widths measured from the contents.
#include "platform/grid/flexgrid_model.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace kestrel::grid {

// ---- hidden rows and columns ----

bool FlexGridModel::RowHidden(int row) const {
  checkRow(row);
  return rowHidden(row);
}

void FlexGridModel::setRowHidden(int row, bool hidden) {
  checkRow(row);
  std::uint8_t& flags = rowFlags_[static_cast<std::size_t>(row)];
  if (hidden == ((flags & RowIsHidden) != 0))
    return;
  flags = static_cast<std::uint8_t>(hidden ? flags | RowIsHidden : flags & ~RowIsHidden);
  if (row >= fixedRows_) {
    hiddenDataRows_ += hidden ? 1 : -1;
    visibleRowsValid_ = false;
  }
  notifyLayout();
}

bool FlexGridModel::ColHidden(int col) const {
  checkCol(col);
  return cols_[static_cast<std::size_t>(col)].hidden;
}

void FlexGridModel::setColHidden(int col, bool hidden) {
  checkCol(col);
  if (cols_[static_cast<std::size_t>(col)].hidden == hidden)
    return;
  cols_[static_cast<std::size_t>(col)].hidden = hidden;
  notifyLayout();
}

void FlexGridModel::recountHiddenDataRows() {
  hiddenDataRows_ = static_cast<int>(std::count_if(rowFlags_.begin() + fixedRows_, rowFlags_.end(),
                                                   [](std::uint8_t f) { return f & RowIsHidden; }));
  visibleRowsValid_ = false;
}

// The index of shown scrollable rows is rebuilt once, on the first question after a change, so
// hiding or showing any number of rows costs one pass.
void FlexGridModel::rebuildVisibleRows() const {
  if (visibleRowsValid_)
    return;
  visibleRows_.clear();
  visibleRows_.reserve(static_cast<std::size_t>(visibleRowCount()));
  for (int r = fixedRows_; r < rows_; ++r)
    if (!rowHidden(r))
      visibleRows_.push_back(r);
  visibleRowsValid_ = true;
}

int FlexGridModel::visibleRowAt(int index) const {
  rebuildVisibleRows();
  if (index < 0 || index >= static_cast<int>(visibleRows_.size()))
    return -1;
  return visibleRows_[static_cast<std::size_t>(index)];
}

int FlexGridModel::visibleIndexOfRow(int row) const {
  if (row < fixedRows_ || row >= rows_ || rowHidden(row))
    return -1;
  return visibleLowerBound(row);
}

int FlexGridModel::visibleLowerBound(int row) const {
  rebuildVisibleRows();
  return static_cast<int>(std::lower_bound(visibleRows_.begin(), visibleRows_.end(), row) -
                          visibleRows_.begin());
}

// ---- merging ----

void FlexGridModel::setMergeCells(int mode) {
  mergeCells_ = std::clamp(mode, 0, 5);
  ++measureGeneration_;
  notifyLayout();
}

bool FlexGridModel::MergeCol(int col) const {
  checkCol(col);
  return cols_[static_cast<std::size_t>(col)].merge;
}

void FlexGridModel::setMergeCol(int col, bool merge) {
  checkCol(col);
  cols_[static_cast<std::size_t>(col)].merge = merge;
  ++measureGeneration_;
  notifyLayout();
}

bool FlexGridModel::MergeRow(int row) const {
  checkRow(row);
  return (rowFlags_[static_cast<std::size_t>(row)] & RowMerges) != 0;
}

void FlexGridModel::setMergeRow(int row, bool merge) {
  checkRow(row);
  std::uint8_t& flags = rowFlags_[static_cast<std::size_t>(row)];
  flags = static_cast<std::uint8_t>(merge ? flags | RowMerges : flags & ~RowMerges);
  ++measureGeneration_;
  notifyLayout();
}

bool FlexGridModel::cellsEqual(int rowA, int colA, int rowB, int colB) const {
  if (colA == colB)
    return cols_[static_cast<std::size_t>(colA)].text.equal(rowA, rowB);
  TextColumn::InlineBuffer bufA, bufB;
  return cols_[static_cast<std::size_t>(colA)].text.utf8(rowA, bufA) ==
         cols_[static_cast<std::size_t>(colB)].text.utf8(rowB, bufB);
}

bool FlexGridModel::canMerge(int row, int col) const {
  switch (mergeCells_) {
    case flexMergeNever:
      return false;
    case flexMergeFixedOnly:
      return row < fixedRows_ || col < fixedCols_;
    default:
      return true;
  }
}

// The shown row before row in the same part (header or scrollable), or -1.
int FlexGridModel::previousShownRow(int row) const {
  const int first = row < fixedRows_ ? 0 : fixedRows_;
  for (int r = row - 1; r >= first; --r)
    if (!rowHidden(r))
      return r;
  return -1;
}

int FlexGridModel::previousShownCol(int col) const {
  const int first = col < fixedCols_ ? 0 : fixedCols_;
  for (int c = col - 1; c >= first; --c)
    if (!cols_[static_cast<std::size_t>(c)].hidden)
      return c;
  return -1;
}

// Whether neighbouring shown cells (row, colA) and (row, colB) merge into one.
bool FlexGridModel::mergesAcross(int row, int colA, int colB) const {
  if (!(rowFlags_[static_cast<std::size_t>(row)] & RowMerges) || !canMerge(row, colA) ||
      !canMerge(row, colB) || !cellsEqual(row, colA, row, colB))
    return false;
  if (mergeCells_ == flexMergeRestrictRows || mergeCells_ == flexMergeRestrictAll) {
    const int above = previousShownRow(row);
    if (above >= 0)
      return mergesAcross(above, colA, colB);
  }
  return true;
}

// Whether neighbouring shown cells (rowA, col) and (rowB, col) merge into one.
bool FlexGridModel::mergesDown(int rowA, int rowB, int col) const {
  if (!cols_[static_cast<std::size_t>(col)].merge || !canMerge(rowA, col) || !canMerge(rowB, col) ||
      !cellsEqual(rowA, col, rowB, col))
    return false;
  if (mergeCells_ == flexMergeRestrictColumns || mergeCells_ == flexMergeRestrictAll) {
    const int left = previousShownCol(col);
    if (left >= 0)
      return mergesDown(rowA, rowB, left);
  }
  return true;
}

std::pair<int, int> FlexGridModel::horizontalSpan(int row, int col) const {
  // A block stays inside its band: header columns, frozen columns or scrolling columns.
  const int scrolling = firstScrollingCol();
  const int first = col < fixedCols_ ? 0 : col < scrolling ? fixedCols_ : scrolling;
  const int last = col < fixedCols_ ? fixedCols_ - 1 : col < scrolling ? scrolling - 1 : Cols() - 1;
  int low = col;
  int high = col;
  for (int c = col - 1; c >= first; --c) {
    if (cols_[static_cast<std::size_t>(c)].hidden)
      continue;
    if (!mergesAcross(row, c, low))
      break;
    low = c;
  }
  for (int c = col + 1; c <= last; ++c) {
    if (cols_[static_cast<std::size_t>(c)].hidden)
      continue;
    if (!mergesAcross(row, high, c))
      break;
    high = c;
  }
  return {low, high};
}

// Merges grow across first, then down while every row below or above spans the same columns.
// The block is the same whichever of its cells is asked about.
CellRange FlexGridModel::mergedRange(int row, int col) const {
  checkCell(row, col);
  CellRange range{row, col, row, col};
  if (!canMerge(row, col))
    return range;
  const auto [low, high] = horizontalSpan(row, col);
  range.col1 = low;
  range.col2 = high;
  auto rowsMerge = [&, low = low, high = high](int a, int b) {
    for (int c = low; c <= high; ++c)
      if (!cols_[static_cast<std::size_t>(c)].hidden && !mergesDown(a, b, c))
        return false;
    return horizontalSpan(b, low) == std::pair(low, high);
  };
  const int first = row < fixedRows_ ? 0 : fixedRows_;
  const int last = row < fixedRows_ ? fixedRows_ - 1 : rows_ - 1;
  for (int r = row - 1; r >= first; --r) {
    if (rowHidden(r))
      continue;
    if (!rowsMerge(range.row1, r))
      break;
    range.row1 = r;
  }
  for (int r = row + 1; r <= last; ++r) {
    if (rowHidden(r))
      continue;
    if (!rowsMerge(range.row2, r))
      break;
    range.row2 = r;
  }
  return range;
}

// ---- search ----

namespace {

bool isAscii(QByteArrayView bytes) {
  return std::all_of(bytes.begin(), bytes.end(),
                     [](char ch) { return (static_cast<unsigned char>(ch) & 0x80u) == 0; });
}

char asciiLower(char ch) {
  return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
}

bool asciiEqualFolded(QByteArrayView a, QByteArrayView b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return asciiLower(x) == asciiLower(y); });
}

}  // namespace

int FlexGridModel::FindRow(const QString& text, int startRow, int col, bool caseSensitive,
                           bool fullMatch) const {
  checkCol(col);
  if (startRow < 0)
    startRow = fixedRows_;
  if (startRow >= rows_)
    return -1;
  const TextColumn& column = cols_[static_cast<std::size_t>(col)].text;
  if (!column.isAllocated())
    return text.isEmpty() ? startRow : -1;
  std::vector<char> needleBytes;
  TextColumn::toUtf8(text, needleBytes);
  const QByteArrayView needle(needleBytes.data(), static_cast<qsizetype>(needleBytes.size()));
  const bool asciiNeedle = isAscii(needle);
  TextColumn::InlineBuffer buffer;
  for (int r = startRow; r < rows_; ++r) {
    const QByteArrayView cell = column.utf8(r, buffer);
    if (caseSensitive) {
      if (fullMatch ? cell == needle : cell.startsWith(needle))
        return r;
      continue;
    }
    if (asciiNeedle && isAscii(cell)) {
      if (fullMatch ? asciiEqualFolded(cell, needle)
                    : cell.size() >= needle.size() && asciiEqualFolded(cell.first(needle.size()), needle))
        return r;
      continue;
    }
    const QString value = QString::fromUtf8(cell);
    if (fullMatch ? value.compare(text, Qt::CaseInsensitive) == 0
                  : value.startsWith(text, Qt::CaseInsensitive))
      return r;
  }
  return -1;
}

// ---- measuring ----

struct FlexGridModel::Measure {
  std::array<int, 128> ascii{};
  std::optional<QFontMetrics> metrics;

  explicit Measure(const QFont& font) {
    if (qGuiApp)
      metrics.emplace(font);
    for (int ch = 0x20; ch < 0x7f; ++ch)  // control characters are not drawn
      ascii[static_cast<std::size_t>(ch)] = metrics ? metrics->horizontalAdvance(QChar(ch)) : 7;
  }

  int width(const QString& text) const {
    int sum = 0;
    for (const QChar ch : text) {
      if (ch.unicode() >= 0x80)
        return metrics ? metrics->horizontalAdvance(text) : static_cast<int>(text.size()) * 7;
      sum += ascii[ch.unicode()];
    }
    return sum;
  }

  int width(QByteArrayView utf8) const {
    int sum = 0;
    for (char ch : utf8) {
      const auto byte = static_cast<unsigned char>(ch);
      if (byte & 0x80u)
        return width(QString::fromUtf8(utf8));
      sum += ascii[byte];
    }
    return sum;
  }
};

// The widest cell of a column in pixels, cached until the column's texts or check boxes, the
// font or the merging change. ASCII texts are measured from a table of character advances.
int FlexGridModel::measureCell(const Column& column, int r, int col, const Measure& measure,
                               bool anyRowMerges, const std::vector<int>& entryWidths) const {
  const int box = !column.check.empty() && column.check[static_cast<std::size_t>(r)] != flexNoCheckbox
                      ? kCheckBoxSize + kCellPadding
                      : 0;
  TextColumn::InlineBuffer buffer;
  const QByteArrayView bytes = column.text.utf8(r, buffer);
  if (bytes.isEmpty() && box == 0)
    return 0;
  if (anyRowMerges && (rowFlags_[static_cast<std::size_t>(r)] & RowMerges)) {
    const auto [low, high] = horizontalSpan(r, col);
    if (low != high)
      return 0;
  }
  const ComboList* coded = column.combo && column.combo->isCoded() ? column.combo.get() : nullptr;
  const int entry = coded ? coded->indexOfValue(QString::fromUtf8(bytes)) : -1;
  const int text = entry >= 0 ? entryWidths[static_cast<std::size_t>(entry)] : measure.width(bytes);
  return text + box;
}

int FlexGridModel::measureColumn(int col, const Measure& measure) const {
  const Column& column = cols_[static_cast<std::size_t>(col)];
  auto& cached = column.measured;
  const bool sameFormat = cached.width >= 0 && cached.checkGeneration == column.checkGeneration &&
                          cached.measureGeneration == measureGeneration_;
  if (sameFormat && cached.textGeneration == column.text.generation())
    return cached.width;
  const ComboList* coded = column.combo && column.combo->isCoded() ? column.combo.get() : nullptr;
  std::vector<int> entryWidths;
  if (coded)
    for (const ComboList::Entry& entry : coded->entries()) entryWidths.push_back(measure.width(entry.text));
  const bool anyRowMerges =
      mergeCells_ != flexMergeNever &&
      std::any_of(rowFlags_.begin(), rowFlags_.end(), [](std::uint8_t f) { return f & RowMerges; });
  auto clamp = [](int w) { return static_cast<std::uint16_t>(std::clamp(w, 0, 0xffff)); };

  const bool incremental = sameFormat && column.loggedGeneration == column.text.generation() &&
                           column.rowWidths.size() == static_cast<std::size_t>(rows_);
  if (incremental) {
    for (int r : column.changedRows)
      if (r < rows_)
        column.rowWidths[static_cast<std::size_t>(r)] =
            clamp(measureCell(column, r, col, measure, anyRowMerges, entryWidths));
  } else {
    column.rowWidths.assign(static_cast<std::size_t>(rows_), 0);
    for (int r = 0; r < rows_; ++r)
      column.rowWidths[static_cast<std::size_t>(r)] =
          clamp(measureCell(column, r, col, measure, anyRowMerges, entryWidths));
  }
  column.changedRows.clear();
  column.loggedGeneration = column.text.generation();
  const int widest =
      column.rowWidths.empty() ? 0 : *std::max_element(column.rowWidths.begin(), column.rowWidths.end());
  cached = {column.text.generation(), column.checkGeneration, measureGeneration_,
            widest + 2 * kCellPadding + 2};
  return cached.width;
}

void FlexGridModel::AutoSize(int col1, int col2, bool equal, int extraSpace) {
  if (col2 < 0)
    col2 = col1;
  if (col1 > col2)
    std::swap(col1, col2);
  checkCol(col1);
  checkCol(col2);
  const Measure measure(font_);
  std::vector<int> widths;
  for (int c = col1; c <= col2; ++c) widths.push_back(measureColumn(c, measure));
  const int widest = *std::max_element(widths.begin(), widths.end());
  for (int c = col1; c <= col2; ++c)
    cols_[static_cast<std::size_t>(c)].width =
        (equal ? widest : widths[static_cast<std::size_t>(c - col1)]) + extraSpace;
  notifyLayout();
}

// ---- twips ----

qreal FlexGridModel::logicalDpi() const {
  if (dpi_ > 0)
    return dpi_;
  if (qGuiApp) {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
      return screen->logicalDotsPerInchX();
  }
  return 96.0;
}

void FlexGridModel::setLogicalDpi(qreal dpi) {
  dpi_ = std::max<qreal>(dpi, 0);
}

int FlexGridModel::twipsToPixels(int twips, qreal dpi) {
  return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

int FlexGridModel::pixelsToTwips(int pixels, qreal dpi) {
  return dpi > 0 ? static_cast<int>(std::lround(pixels * 1440.0 / dpi)) : 0;
}

}  // namespace kestrel::grid
