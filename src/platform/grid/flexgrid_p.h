#pragma once

// State shared by the widget's layout, painting and editing code.

#include "platform/grid/flexgrid.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>

#include <algorithm>
#include <vector>

namespace kestrel::grid {

struct FlexGrid::Private {
  FlexGridModel* model = nullptr;

  // Positions, rebuilt after the model's layout changes or the width changes. Header rows,
  // header columns and frozen columns have pixel offsets from the viewport's edge; scrolling
  // columns from the end of the frozen ones (pinnedWidth). Scrollable rows all share one
  // height, so their place follows from the visible-row index.
  struct Layout {
    std::vector<int> fixedRows, fixedRowY, fixedRowH;
    std::vector<int> fixedCols, fixedColX;
    std::vector<int> frozenCols, frozenColX;
    std::vector<int> scrollCols, scrollColX;  // scrollColX has one more entry: the total width
    std::vector<int> cellCols;                // frozen, then scrolling: where the cursor goes
    int headerHeight = 0;
    int fixedWidth = 0;
    int pinnedWidth = 0;  // header and frozen columns together
    int rowHeight = 1;
  };
  mutable Layout layout;
  mutable bool layoutDirty = true;
  int layoutWidth = -1;  // the viewport width the layout was made for
  bool layoutQueued = false;
  bool repaintQueued = false;

  QColor backColor, foreColor, backColorFixed, foreColorFixed, backColorSel, foreColorSel;
  QColor gridColor, gridColorFixed, backColorBkg;
  int tabBehavior = flexTabCells;

  int mouseRow = -1;
  int mouseCol = -1;
  bool dragging = false;
  bool dropOnRelease = false;  // the drop-down button was pressed: unfold the list on release

  // The open editor, if any.
  bool editing = false;
  bool committing = false;
  int editRow = -1;
  int editCol = -1;
  QString originalValue;
  QPointer<QLineEdit> lineEdit;
  QPointer<QComboBox> combo;
  QWidget* activeEditor = nullptr;

  // The line edit typed characters go to: the plain editor or an editable drop-down's.
  QLineEdit* textEditor() const {
    if (activeEditor == lineEdit)
      return lineEdit;
    return combo && activeEditor == combo && combo->isEditable() ? combo->lineEdit() : nullptr;
  }
};

// Where a cell's check box sits: centred in a cell without text, else at its left.
inline QRect checkBoxRect(const QRect& cell, bool centred) {
  const int y = cell.top() + (cell.height() - kCheckBoxSize) / 2;
  const int x = centred ? cell.left() + (cell.width() - kCheckBoxSize) / 2 : cell.left() + kCellPadding;
  return {x, y, kCheckBoxSize, kCheckBoxSize};
}

// The drop-down button the current cell of a column with a list shows at its right.
inline QRect dropButtonRect(const QRect& cell) {
  const int side = std::min(cell.height() - 2, 16);
  return {cell.right() - side, cell.top() + 1, side, side};
}

}  // namespace kestrel::grid
