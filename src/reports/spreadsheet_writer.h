#pragma once

#include "support/object_registry.h"

#include <QRgb>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace kestrel {

// A finished sheet as the spreadsheet writer takes it: every cell, merge, width and height is
// already where the user will see it. Rows and columns count from 0.
namespace sheet {

enum Edge : std::uint8_t { EdgeLeft = 1, EdgeRight = 2, EdgeTop = 4, EdgeBottom = 8 };
enum class HAlign : std::uint8_t { General, Center };

// Everything a cell shows besides its text. Every cell uses the sheet's font and is centred
// vertically; lines are thin and continuous.
struct CellFormat {
  bool bold = false;
  double fontSize = 8;
  QRgb fill = 0xFFFFFF;  // solid background
  HAlign hAlign = HAlign::General;
  std::uint8_t borders = 0;  // Edge flags

  friend bool operator==(const CellFormat&, const CellFormat&) = default;
};

struct Cell {
  QString text;
  int format = 0;  // index into Sheet::formats
};

struct Range {
  int firstRow = 0;
  int firstCol = 0;
  int lastRow = 0;
  int lastCol = 0;

  friend bool operator==(const Range&, const Range&) = default;
};

struct PageSetup {
  int paperSize = 9;  // the spreadsheet's paper numbers: 9 is A4
  bool portrait = true;
  bool centerHorizontally = false;
  // Margins in inches.
  double left = 0.7, right = 0.7, top = 0.75, bottom = 0.75, header = 0.3, footer = 0.3;
  // Rows repeated at the top of every printed page; none while first is negative.
  int printTitleFirstRow = -1;
  int printTitleLastRow = -1;
};

struct Sheet {
  QString fontName = QStringLiteral("Tahoma");
  // formats[0] is the sheet's own format: every column carries it, so empty cells and the
  // rows and columns beyond the data look like it too.
  std::vector<CellFormat> formats{CellFormat{}};
  double defaultRowHeight = 15;                    // points
  std::vector<std::pair<int, double>> rowHeights;  // (row, points), rows ascending
  // Per column, in character widths of the workbook's standard font; 0 or less keeps the
  // standard width.
  std::vector<double> columnWidths;
  std::vector<Range> merges;  // the first cell of each holds its text
  PageSetup page;
  int rowCount = 0;
  int columnCount = 0;
  // Fills `cells` with the columnCount cells of one row. The writer calls it once per row,
  // rows ascending, while it writes; the data it reads must stay unchanged until then.
  std::function<void(int row, std::vector<Cell>& cells)> rowCells;
};

}  // namespace sheet

// The spreadsheet writer: turns a finished sheet into a workbook file that the desktop's
// spreadsheet program opens. Created by programmatic identifier; reports failure through its
// result and LastError, never by raising.
class SpreadsheetWriter : public Component {
 public:
  static constexpr const char* ProgId = "Kestrel.SpreadsheetWriter";

  // What one sheet holds.
  static constexpr int MaxRows = 1048576;
  static constexpr int MaxColumns = 16384;
  static constexpr int MaxCellText = 32767;  // characters

  // Writes the sheet as a one-sheet workbook at path. A file already there is replaced only
  // once the new one is complete; on failure nothing is left behind and LastError says where
  // and why. Texts are written as text, never as formulas; longer texts than a cell holds are
  // cut, and Notes then names each such cell.
  virtual bool WriteWorkbook(const sheet::Sheet& sheet, const QString& path) = 0;
  virtual QString LastError() const = 0;
  virtual QStringList Notes() const = 0;
};

}  // namespace kestrel
