#include "reports/report_sheet.h"

#include "platform/grid/flexgrid_model.h"
#include "reports/autofit_metrics.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>

namespace kestrel {

using grid::FlexGridModel;
using sheet::CellFormat;
using sheet::Range;

namespace {

constexpr int TitleCols = 9;  // the title block spans sheet columns 0 to 8
constexpr int CompanyRow = 0;
constexpr int ReportTitleRow = 2;
constexpr int TitleBlockRows = 4;  // company and report title, two rows each
constexpr int SpacerRow = 4;
constexpr double SheetFontSize = 8;
constexpr double TitleFontSize = 12;
constexpr QRgb DetailHeaderFill = 0xD7E4BC;  // 215, 228, 188
constexpr QRgb OddGroupFill = 0xF2FFF5;      // 242, 255, 245
constexpr QRgb EvenGroupFill = 0xFEF3F8;     // 254, 243, 248

// A boxed block of cells, in sheet columns before hidden ones are left out, optionally with
// lines between its rows or between its columns.
struct Block {
  int r1, r2, c1, c2;
  bool linesBetweenRows;
  bool linesBetweenCols;
};

// Header cells emptied before their merge: one row, columns c1 to c2.
struct Span {
  int row, c1, c2;
};

enum GroupFlag : std::uint8_t {
  InGroup = 1,
  OddGroup = 2,
  FirstOfGroup = 4,
  GroupOfSeveral = 8,
  LastGroup = 16
};

// Everything the sheet of one grid needs while it is written. Columns are numbered twice:
// "sheet columns" as they stand before hidden grid columns are left out (the grid's own
// numbers) and "final columns" as the user sees them.
class SheetPlan {
 public:
  SheetPlan(const FlexGridModel& g, const QString& title, int headerRows, bool details)
      : g_(g), title_(title), headerRows_(headerRows), details_(details) {
    gridCols_ = g.Cols();
    sheetCols_ = std::max(gridCols_, TitleCols);
    finalOf_.assign(size_t(sheetCols_), -1);
    for (int c = 0; c < sheetCols_; ++c) {
      if (c < gridCols_ && g.ColHidden(c))
        continue;
      finalOf_[size_t(c)] = int(keep_.size());
      keep_.push_back(c);
    }
    dataStart_ = TitleRows + headerRows;
    const int dataRows = std::max(0, g.Rows() - headerRows);
    // The data block runs from the first to the last data row; without data rows these are
    // the row below the header and the header's last row, which a range takes in either order.
    dataFirst_ = std::min(dataStart_, dataStart_ + dataRows - 1);
    dataLast_ = std::max(dataStart_, dataStart_ + dataRows - 1);
    rowCount_ = std::max(TitleRows + g.Rows(), dataLast_ + 1);
    if (details_)
      findGroups();
  }

  void addBlock(Block b) { blocks_.push_back(b); }
  void addMerge(Range m) { merges_.push_back(m); }
  void clearHeader(Span s) { clears_.push_back(s); }
  // The cells of one sheet row, for the writer.
  void fillRow(int r, std::vector<sheet::Cell>& cells);

  // Once blocks, merges and clears are in place: the sheet in final coordinates.
  sheet::Sheet finish();

  int gridCols() const { return gridCols_; }
  int dataStart() const { return dataStart_; }
  int dataFirst() const { return dataFirst_; }
  int dataLast() const { return dataLast_; }

 private:
  void findGroups();
  std::optional<Range> toFinal(const Range& m) const;
  QString sheetText(int r, int c) const;  // title and header rows
  bool clearedInData(int gridRow, int c) const {
    return details_ && c <= 2 && (groupFlags(gridRow) & (InGroup | FirstOfGroup)) == InGroup;
  }
  // The first cell of a merged group that reaches the last row carries the bottom line too.
  bool leadsLastMergedGroup(int gridRow, int c) const {
    constexpr std::uint8_t lead = FirstOfGroup | GroupOfSeveral | LastGroup;
    return details_ && c <= 2 && (groupFlags(gridRow) & lead) == lead;
  }
  bool mergedInData(int gridRow, int c) const {
    return details_ && c <= 2 && (groupFlags(gridRow) & GroupOfSeveral);
  }
  std::uint8_t groupFlags(int gridRow) const {
    const int i = gridRow - headerRows_;
    return i >= 0 && i < int(groups_.size()) ? groups_[size_t(i)] : 0;
  }
  bool inBlock(int r, int c) const;
  bool verticalLine(int r, int x) const;
  bool horizontalLine(int y, int c) const;
  std::uint8_t linesAround(int r, int j) const;  // final column j
  CellFormat formatAt(int r, int j) const;
  int formatIndex(const CellFormat& f);
  const std::vector<int>& rowFormats(int r);
  std::vector<double> autoFitWidths() const;

  const FlexGridModel& g_;
  QString title_;
  int headerRows_;
  bool details_;
  int gridCols_ = 0;
  int sheetCols_ = 0;
  std::vector<int> keep_;     // final column -> sheet column
  std::vector<int> finalOf_;  // sheet column -> final column, -1 when left out
  int dataStart_ = 0, dataFirst_ = 0, dataLast_ = 0, rowCount_ = 0;
  std::vector<Block> blocks_;
  std::vector<Range> merges_;  // sheet columns
  std::vector<Span> clears_;
  std::vector<std::uint8_t> groups_;  // per data row

  std::vector<Range> finalMerges_;
  std::vector<std::vector<int>> topMerge_;     // title and header rows: merge index per final column
  std::vector<std::vector<QString>> topText_;  // title and header rows: final texts
  sheet::Sheet sheet_;
  std::map<std::int64_t, std::vector<int>> rowFormatCache_;
};

void SheetPlan::findGroups() {
  // A group is a run of data rows with the same value in grid column 1; groups are numbered
  // from 1 in order.
  const int first = headerRows_;
  const int rows = g_.Rows();
  groups_.assign(size_t(std::max(0, rows - first)), 0);
  if (gridCols_ < 2)
    return;
  int groupStart = first;
  int number = 0;
  QString previous;
  for (int r = first; r <= rows; ++r) {
    const QString value = r < rows ? g_.TextMatrix(r, 1) : QString();
    if (r == rows || r == first || value != previous) {
      if (r > first && r - groupStart > 1) {
        for (int k = groupStart; k < r; ++k) groups_[size_t(k - first)] |= GroupOfSeveral;
        for (const int c : {0, 1, 2}) merges_.push_back({TitleRows + groupStart, c, TitleRows + r - 1, c});
      }
      if (r == rows) {
        for (int k = groupStart; k < r; ++k) groups_[size_t(k - first)] |= LastGroup;
        break;
      }
      ++number;
      groupStart = r;
      groups_[size_t(r - first)] |= FirstOfGroup;
    }
    groups_[size_t(r - first)] |= InGroup | ((number % 2) ? OddGroup : 0);
    previous = value;
  }
}

std::optional<Range> SheetPlan::toFinal(const Range& m) const {
  int f1 = -1;
  int f2 = -1;
  for (int c = std::max(0, m.firstCol); c <= m.lastCol && c < sheetCols_; ++c) {
    const int f = finalOf_[size_t(c)];
    if (f < 0)
      continue;
    if (f1 < 0)
      f1 = f;
    f2 = f;
  }
  if (f1 < 0 || (f1 == f2 && m.firstRow == m.lastRow))
    return std::nullopt;
  return Range{m.firstRow, f1, m.lastRow, f2};
}

QString SheetPlan::sheetText(int r, int c) const {
  if (r < TitleRows) {
    if (c != 0)
      return {};
    return r == CompanyRow       ? QString::fromLatin1(CompanyPlaceholder)
           : r == ReportTitleRow ? title_
                                 : QString();
  }
  if (c >= gridCols_)
    return {};
  for (const Span& s : clears_)
    if (s.row == r && c >= s.c1 && c <= s.c2)
      return {};
  return g_.TextMatrix(r - TitleRows, c);
}

bool SheetPlan::inBlock(int r, int c) const {
  return std::any_of(blocks_.begin(), blocks_.end(),
                     [&](const Block& b) { return r >= b.r1 && r <= b.r2 && c >= b.c1 && c <= b.c2; });
}

// Lines lie on the edges between cells: x is the edge left of sheet column x, y the edge above
// sheet row y. A cell of a block shows the lines on its edges; a cell outside all blocks shows
// none, even where a block's outline runs along it.
bool SheetPlan::verticalLine(int r, int x) const {
  for (const Block& b : blocks_) {
    if (r < b.r1 || r > b.r2)
      continue;
    if (x == b.c1 || x == b.c2 + 1 || (b.linesBetweenCols && x > b.c1 && x <= b.c2))
      return true;
  }
  return false;
}

bool SheetPlan::horizontalLine(int y, int c) const {
  for (const Block& b : blocks_) {
    if (c < b.c1 || c > b.c2)
      continue;
    if (y == b.r1 || y == b.r2 + 1 || (b.linesBetweenRows && y > b.r1 && y <= b.r2))
      return true;
  }
  return false;
}

std::uint8_t SheetPlan::linesAround(int r, int j) const {
  const int c = keep_[size_t(j)];
  if (!inBlock(r, c))
    return 0;
  // Across a gap of left-out columns the line on either side of the gap shows.
  const int previous = j > 0 ? keep_[size_t(j - 1)] + 1 : c;
  const int next = j + 1 < int(keep_.size()) ? keep_[size_t(j + 1)] : sheetCols_;
  std::uint8_t lines = 0;
  if (verticalLine(r, c) || verticalLine(r, previous))
    lines |= sheet::EdgeLeft;
  if (verticalLine(r, c + 1) || verticalLine(r, next))
    lines |= sheet::EdgeRight;
  if (horizontalLine(r, c))
    lines |= sheet::EdgeTop;
  if (horizontalLine(r + 1, c))
    lines |= sheet::EdgeBottom;
  return lines;
}

CellFormat SheetPlan::formatAt(int r, int j) const {
  const int c = keep_[size_t(j)];
  CellFormat f;
  f.fontSize = SheetFontSize;
  if (r < TitleBlockRows && c < TitleCols) {
    f.bold = true;
    f.fontSize = TitleFontSize;
  }
  const bool header = r >= TitleRows && r < dataStart_ && c < gridCols_;
  if (header) {
    f.bold = true;
    f.hAlign = sheet::HAlign::Center;
  }
  if (details_ && c < gridCols_) {
    if (header)
      f.fill = DetailHeaderFill;
    const std::uint8_t group = r >= dataStart_ ? groupFlags(r - TitleRows) : 0;
    if (group & InGroup)
      f.fill = (group & OddGroup) ? OddGroupFill : EvenGroupFill;
  }

  f.borders = linesAround(r, j);
  // A merged cell is drawn with the lines of its outer edges only. The cells along each edge
  // carry their part of it, and the first cell carries all four, as programs that look at the
  // first cell alone expect. In the data block only the bottom line needs this care: it has no
  // lines between rows, and its merges span single columns.
  if (r < dataStart_ && topMerge_[size_t(r)][size_t(j)] >= 0) {
    const Range& m = finalMerges_[size_t(topMerge_[size_t(r)][size_t(j)])];
    const bool first = r == m.firstRow && j == m.firstCol;
    std::uint8_t lines = 0;
    if (j == m.firstCol)
      lines |= f.borders & sheet::EdgeLeft;
    if (r == m.firstRow)
      lines |= f.borders & sheet::EdgeTop;
    if (j == m.lastCol || first)
      lines |= linesAround(r, m.lastCol) & sheet::EdgeRight;
    if (r == m.lastRow || first)
      lines |= linesAround(m.lastRow, j) & sheet::EdgeBottom;
    f.borders = lines;
  }
  if (r >= dataStart_ && leadsLastMergedGroup(r - TitleRows, c))
    f.borders |= linesAround(dataLast_, j) & sheet::EdgeBottom;
  return f;
}

int SheetPlan::formatIndex(const CellFormat& f) {
  auto& formats = sheet_.formats;
  const auto found = std::find(formats.begin(), formats.end(), f);
  if (found != formats.end())
    return int(found - formats.begin());
  formats.push_back(f);
  return int(formats.size()) - 1;
}

const std::vector<int>& SheetPlan::rowFormats(int r) {
  // Rows of the data block differ only in whether they are its first or last row, in their
  // shading and in leading the last merged group, so one row of format numbers serves all
  // rows alike.
  std::int64_t key = r;
  if (r >= dataStart_) {
    const std::uint8_t group = groupFlags(r - TitleRows);
    const int shade = (group & InGroup) ? ((group & OddGroup) ? 1 : 2) : 0;
    const int lead = leadsLastMergedGroup(r - TitleRows, 0) ? 1 : 0;
    key = std::int64_t(dataStart_) + 1 + (r == dataFirst_ ? 1 : 0) + (r == dataLast_ ? 2 : 0) + 4 * shade +
          12 * lead;
  }
  auto found = rowFormatCache_.find(key);
  if (found != rowFormatCache_.end())
    return found->second;
  std::vector<int> formats(keep_.size());
  for (size_t j = 0; j < keep_.size(); ++j) formats[j] = formatIndex(formatAt(r, int(j)));
  return rowFormatCache_.emplace(key, std::move(formats)).first->second;
}

void SheetPlan::fillRow(int r, std::vector<sheet::Cell>& cells) {
  const std::vector<int>& formats = rowFormats(r);
  const size_t n = std::min(cells.size(), keep_.size());
  for (size_t j = 0; j < n; ++j) cells[j].format = formats[j];
  if (r < dataStart_) {
    for (size_t j = 0; j < n; ++j) cells[j].text = topText_[size_t(r)][j];
    return;
  }
  const int gridRow = r - TitleRows;
  if (gridRow >= g_.Rows())
    return;
  for (size_t j = 0; j < n; ++j) {
    const int c = keep_[j];
    if (c < gridCols_ && !clearedInData(gridRow, c) && !g_.isCellEmpty(gridRow, c))
      cells[j].text = g_.TextMatrix(gridRow, c);
  }
}

std::vector<double> SheetPlan::autoFitWidths() const {
  // AutoFit takes every cell of a column that is not part of a merged cell, in that cell's
  // font; a column with no such text keeps the standard width.
  const AutoFitMetrics metrics(sheet_.fontName, SheetFontSize);
  std::vector<double> widths(keep_.size(), 0);
  for (size_t j = 0; j < keep_.size(); ++j) {
    const int c = keep_[j];
    if (c >= gridCols_)
      continue;
    int widest = -1;
    for (int r = 0; r < dataStart_; ++r) {
      const QString& text = topText_[size_t(r)][j];
      if (topMerge_[size_t(r)][j] < 0 && !text.isEmpty())
        widest = std::max(widest, metrics.textPixels(text, r >= TitleRows));
    }
    for (int gridRow = headerRows_; gridRow < g_.Rows(); ++gridRow) {
      if (g_.isCellEmpty(gridRow, c) || clearedInData(gridRow, c) || mergedInData(gridRow, c))
        continue;
      widest = std::max(widest, metrics.textPixels(g_.TextMatrix(gridRow, c), false));
    }
    if (widest >= 0)
      widths[j] = AutoFitMetrics::columnPixels(widest);
  }
  return widths;
}

sheet::Sheet SheetPlan::finish() {
  const int columns = int(keep_.size());
  for (const Range& m : merges_)
    if (const auto f = toFinal(m))
      finalMerges_.push_back(*f);

  topMerge_.assign(size_t(dataStart_), std::vector<int>(size_t(columns), -1));
  for (size_t i = 0; i < finalMerges_.size(); ++i) {
    const Range& m = finalMerges_[i];
    for (int r = m.firstRow; r <= m.lastRow && r < dataStart_; ++r)
      for (int j = m.firstCol; j <= m.lastCol; ++j) topMerge_[size_t(r)][size_t(j)] = int(i);
  }
  topText_.assign(size_t(dataStart_), std::vector<QString>(size_t(columns)));
  for (int r = 0; r < dataStart_ && r < rowCount_; ++r) {
    for (int j = 0; j < columns; ++j) {
      const int m = topMerge_[size_t(r)][size_t(j)];
      const bool hidden =
          m >= 0 && (finalMerges_[size_t(m)].firstRow != r || finalMerges_[size_t(m)].firstCol != j);
      if (!hidden && (r >= TitleRows || keep_[size_t(j)] == 0))
        topText_[size_t(r)][size_t(j)] = sheetText(r, keep_[size_t(j)]);
    }
  }

  sheet_.fontName = QStringLiteral("Tahoma");
  CellFormat own;
  own.fontSize = SheetFontSize;
  sheet_.formats = {own};
  sheet_.defaultRowHeight = 12;
  sheet_.rowHeights = {{ReportTitleRow, 30}, {SpacerRow, 3}};
  sheet_.columnCount = columns;
  sheet_.rowCount = rowCount_;
  sheet_.merges = finalMerges_;
  sheet_.columnWidths = autoFitWidths();
  // Every format is known before the writer starts: it takes the list as it is handed over.
  for (int r = 0; r < rowCount_; ++r) rowFormats(r);

  sheet::PageSetup& page = sheet_.page;
  page.paperSize = 9;
  page.portrait = true;
  page.centerHorizontally = true;
  page.left = page.right = 0.75;
  page.top = page.bottom = page.header = page.footer = 0.5;
  page.printTitleFirstRow = 0;
  page.printTitleLastRow = 12;
  return sheet_;
}

sheet::Sheet finishWithRows(const std::shared_ptr<SheetPlan>& plan) {
  sheet::Sheet s = plan->finish();
  s.rowCells = [plan](int row, std::vector<sheet::Cell>& cells) { plan->fillRow(row, cells); };
  return s;
}

}  // namespace

int SheetRowsFor(const FlexGridModel& g) {
  // An empty list still gets a row below its header: the data block reaches one row down.
  return TitleRows + std::max(g.Rows(), g.FixedRows() + 1);
}

sheet::Sheet ReportGridSheet(const FlexGridModel& VSRpt, const QString& title) {
  auto plan = std::make_shared<SheetPlan>(VSRpt, title, 2, false);
  const int lastCol = plan->gridCols() - 1;
  const int header = TitleRows;
  plan->addMerge({CompanyRow, 0, CompanyRow + 1, TitleCols - 1});
  plan->addMerge({ReportTitleRow, 0, ReportTitleRow + 1, TitleCols - 1});
  // Columns 0 to 11 and 26 carry one caption over both header rows; the groups "As per
  // Software" and "As Per Login" carry theirs once across their columns.
  for (int c = 0; c < plan->gridCols(); ++c) {
    if (c <= 11 || c == 26) {
      plan->clearHeader({header + 1, c, c});
      plan->addMerge({header, c, header + 1, c});
    }
  }
  plan->clearHeader({header, 14, 16});
  plan->addMerge({header, 13, header, 16});
  plan->clearHeader({header, 19, 21});
  plan->addMerge({header, 18, header, 21});
  plan->addBlock({header, header + 1, 0, lastCol, true, false});
  plan->addBlock({plan->dataFirst(), plan->dataLast(), 0, lastCol, false, true});
  return finishWithRows(plan);
}

sheet::Sheet DetailGridSheet(const FlexGridModel& VSDet, const QString& title, bool details) {
  auto plan = std::make_shared<SheetPlan>(VSDet, title, 1, details);
  const int lastCol = plan->gridCols() - 1;
  plan->addMerge({CompanyRow, 0, CompanyRow + 1, TitleCols - 1});
  plan->addMerge({ReportTitleRow, 0, ReportTitleRow + 1, TitleCols - 1});
  plan->addBlock({TitleRows, TitleRows, 0, lastCol, false, false});
  plan->addBlock({plan->dataFirst(), plan->dataLast(), 0, lastCol, false, true});
  return finishWithRows(plan);
}

}  // namespace kestrel
