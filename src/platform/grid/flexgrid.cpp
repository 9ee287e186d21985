#include "platform/grid/flexgrid.h"

#include "platform/grid/flexgrid_p.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>
#include <utility>

namespace kestrel::grid {

FlexGrid::FlexGrid(QWidget* parent) : FlexGrid(nullptr, parent) {}

FlexGrid::FlexGrid(FlexGridModel* model, QWidget* parent)
    : QAbstractScrollArea(parent), d_(std::make_unique<Private>()) {
  d_->model = model ? model : new FlexGridModel(this);
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setMouseTracking(true);
  const QPalette pal = palette();
  d_->backColor = pal.color(QPalette::Base);
  d_->foreColor = pal.color(QPalette::Text);
  d_->backColorFixed = pal.color(QPalette::Button);
  d_->foreColorFixed = pal.color(QPalette::ButtonText);
  d_->backColorSel = pal.color(QPalette::Highlight);
  d_->foreColorSel = pal.color(QPalette::HighlightedText);
  d_->gridColor = QColor(0xc0, 0xc0, 0xc0);
  d_->gridColorFixed = QColor(0x80, 0x80, 0x80);
  d_->backColorBkg = pal.color(QPalette::Window);
  d_->model->setFont(font());
  connectModel();
}

FlexGrid::~FlexGrid() {
  // Children outlive d_ during QWidget's destructor; nothing may call back into it by then.
  d_->editing = false;
  if (d_->model)
    disconnect(d_->model, nullptr, this, nullptr);
  delete d_->lineEdit;
  delete d_->combo;
}

FlexGridModel* FlexGrid::model() const {
  return d_->model;
}

void FlexGrid::connectModel() {
  FlexGridModel* m = d_->model;
  connect(m, &FlexGridModel::layoutChanged, this, &FlexGrid::scheduleLayout);
  connect(m, &FlexGridModel::cellsChanged, this, &FlexGrid::scheduleRepaint);
  connect(m, &FlexGridModel::selectionChanged, this, &FlexGrid::scheduleRepaint);
  connect(m, &FlexGridModel::cellEntered, this, [this] {
    scheduleRepaint();
    emit EnterCell();
  });
  connect(m, &QObject::destroyed, this, [this] { d_->model = nullptr; });
}

// Model changes only raise flags; the positions are rebuilt once, when next needed or when the
// event loop comes round, however many rows changed in between.
void FlexGrid::scheduleLayout() {
  d_->layoutDirty = true;
  if (!d_->layoutQueued) {
    d_->layoutQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
          d_->layoutQueued = false;
          ensureLayout();
        },
        Qt::QueuedConnection);
  }
  scheduleRepaint();
}

void FlexGrid::scheduleRepaint() {
  if (d_->repaintQueued)
    return;
  d_->repaintQueued = true;
  viewport()->update();
}

void FlexGrid::ensureLayout() const {
  if (!d_->layoutDirty || !d_->model)
    return;
  d_->layoutDirty = false;
  const FlexGridModel& m = *d_->model;
  Private::Layout& l = d_->layout;
  l = {};
  int y = 0;
  for (int r = 0; r < m.FixedRows(); ++r) {
    if (m.RowHidden(r))
      continue;
    l.fixedRows.push_back(r);
    l.fixedRowY.push_back(y);
    l.fixedRowH.push_back(m.RowHeight(r));
    y += l.fixedRowH.back();
  }
  l.headerHeight = y;
  const int scrolling = m.firstScrollingCol();
  int x = 0;
  for (int c = 0; c < m.FixedCols() && c < m.Cols(); ++c) {
    if (m.ColHidden(c))
      continue;
    l.fixedCols.push_back(c);
    l.fixedColX.push_back(x);
    x += m.ColWidth(c);
  }
  l.fixedWidth = x;
  // Frozen columns stay in view while they leave a third of the width to the others; in a
  // narrower grid they scroll with the rest, so that every column can still be reached.
  int frozenWidth = 0;
  for (int c = m.FixedCols(); c < scrolling; ++c)
    if (!m.ColHidden(c))
      frozenWidth += m.ColWidth(c);
  d_->layoutWidth = viewport()->width();
  const bool pin = frozenWidth > 0 && (x + frozenWidth) * 3 <= d_->layoutWidth * 2;
  for (int c = m.FixedCols(); pin && c < scrolling; ++c) {
    if (m.ColHidden(c))
      continue;
    l.frozenCols.push_back(c);
    l.frozenColX.push_back(x);
    x += m.ColWidth(c);
  }
  l.pinnedWidth = x;
  int sx = 0;
  for (int c = pin ? scrolling : m.FixedCols(); c < m.Cols(); ++c) {
    if (m.ColHidden(c))
      continue;
    l.scrollCols.push_back(c);
    l.scrollColX.push_back(sx);
    sx += m.ColWidth(c);
  }
  l.scrollColX.push_back(sx);
  l.cellCols = l.frozenCols;
  l.cellCols.insert(l.cellCols.end(), l.scrollCols.begin(), l.scrollCols.end());
  l.rowHeight = std::max(1, m.scrollableRowHeight());
  // Scroll bar ranges belong to the widget's state even when asked from a const query.
  const_cast<FlexGrid*>(this)->updateScrollBars();
  if (d_->editing)
    const_cast<FlexGrid*>(this)->placeEditor();
}

void FlexGrid::updateScrollBars() {
  const Private::Layout& l = d_->layout;
  const QSize size = viewport()->size();
  const int rowsFit = std::max(1, (size.height() - l.headerHeight) / l.rowHeight);
  verticalScrollBar()->setRange(0, std::max(0, d_->model->visibleRowCount() - rowsFit));
  verticalScrollBar()->setPageStep(rowsFit);
  verticalScrollBar()->setSingleStep(1);
  const int room = std::max(0, size.width() - l.pinnedWidth);
  horizontalScrollBar()->setRange(0, std::max(0, l.scrollColX.back() - room));
  horizontalScrollBar()->setPageStep(room);
  horizontalScrollBar()->setSingleStep(20);
}

void FlexGrid::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  // Whether frozen columns stay in view depends on the width.
  if (d_->model && d_->model->FrozenCols() > 0 && viewport()->width() != d_->layoutWidth)
    d_->layoutDirty = true;
  ensureLayout();
  updateScrollBars();
  if (d_->editing)
    placeEditor();
}

void FlexGrid::scrollContentsBy(int, int) {
  viewport()->update();
  if (d_->editing)
    placeEditor();
}

void FlexGrid::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange && d_->model)
    d_->model->setFont(font());
  QAbstractScrollArea::changeEvent(event);
}

// ---- geometry ----

int FlexGrid::rowAt(int y) const {
  ensureLayout();
  const Private::Layout& l = d_->layout;
  if (y < 0)
    return -1;
  if (y < l.headerHeight) {
    for (size_t i = 0; i < l.fixedRows.size(); ++i)
      if (y < l.fixedRowY[i] + l.fixedRowH[i])
        return l.fixedRows[i];
    return -1;
  }
  return d_->model->visibleRowAt(verticalScrollBar()->value() + (y - l.headerHeight) / l.rowHeight);
}

int FlexGrid::colAt(int x) const {
  ensureLayout();
  const Private::Layout& l = d_->layout;
  if (x < 0)
    return -1;
  if (x < l.fixedWidth) {
    const auto it = std::upper_bound(l.fixedColX.begin(), l.fixedColX.end(), x);
    return l.fixedCols[static_cast<size_t>(it - l.fixedColX.begin() - 1)];
  }
  if (x < l.pinnedWidth) {
    const auto it = std::upper_bound(l.frozenColX.begin(), l.frozenColX.end(), x);
    return l.frozenCols[static_cast<size_t>(it - l.frozenColX.begin() - 1)];
  }
  const int sx = x - l.pinnedWidth + horizontalScrollBar()->value();
  const auto it = std::upper_bound(l.scrollColX.begin(), l.scrollColX.end(), sx);
  const auto index = it - l.scrollColX.begin() - 1;
  if (index < 0 || static_cast<size_t>(index) >= l.scrollCols.size())
    return -1;
  return l.scrollCols[static_cast<size_t>(index)];
}

QRect FlexGrid::cellRect(int row, int col) const {
  ensureLayout();
  const Private::Layout& l = d_->layout;
  const FlexGridModel& m = *d_->model;
  int y = 0;
  int h = 0;
  if (row < m.FixedRows()) {
    const auto it = std::find(l.fixedRows.begin(), l.fixedRows.end(), row);
    if (it == l.fixedRows.end())
      return {};
    y = l.fixedRowY[static_cast<size_t>(it - l.fixedRows.begin())];
    h = l.fixedRowH[static_cast<size_t>(it - l.fixedRows.begin())];
  } else {
    const int index = m.visibleIndexOfRow(row);
    if (index < 0)
      return {};
    y = l.headerHeight + (index - verticalScrollBar()->value()) * l.rowHeight;
    h = l.rowHeight;
  }
  if (col < m.FixedCols()) {
    const auto it = std::find(l.fixedCols.begin(), l.fixedCols.end(), col);
    if (it == l.fixedCols.end())
      return {};
    const auto i = static_cast<size_t>(it - l.fixedCols.begin());
    return QRect(l.fixedColX[i], y, m.ColWidth(col), h);
  }
  if (const auto frozen = std::lower_bound(l.frozenCols.begin(), l.frozenCols.end(), col);
      frozen != l.frozenCols.end() && *frozen == col)
    return QRect(l.frozenColX[static_cast<size_t>(frozen - l.frozenCols.begin())], y, m.ColWidth(col), h);
  const auto it = std::lower_bound(l.scrollCols.begin(), l.scrollCols.end(), col);
  if (it == l.scrollCols.end() || *it != col)
    return {};
  const auto i = static_cast<size_t>(it - l.scrollCols.begin());
  return QRect(l.pinnedWidth + l.scrollColX[i] - horizontalScrollBar()->value(), y,
               l.scrollColX[i + 1] - l.scrollColX[i], h);
}

QRect FlexGrid::rangeRect(const CellRange& range) const {
  const QRect first = cellRect(range.row1, range.col1);
  const QRect last = cellRect(range.row2, range.col2);
  if (first.isEmpty())
    return last;
  return last.isEmpty() ? first : first.united(last);
}

int FlexGrid::MouseRow() const {
  return d_->mouseRow;
}
int FlexGrid::MouseCol() const {
  return d_->mouseCol;
}

// ---- scrolling ----

int FlexGrid::TopRow() const {
  ensureLayout();
  return d_->model->visibleRowAt(verticalScrollBar()->value());
}

void FlexGrid::setTopRow(int row) {
  ensureLayout();
  verticalScrollBar()->setValue(d_->model->visibleLowerBound(row));
}

int FlexGrid::BottomRow() const {
  ensureLayout();
  const Private::Layout& l = d_->layout;
  const int shown = (viewport()->height() - l.headerHeight + l.rowHeight - 1) / l.rowHeight;
  const int last =
      std::min(verticalScrollBar()->value() + std::max(shown, 1), d_->model->visibleRowCount()) - 1;
  return d_->model->visibleRowAt(last);
}

int FlexGrid::LeftCol() const {
  ensureLayout();
  const Private::Layout& l = d_->layout;
  const int offset = horizontalScrollBar()->value();
  for (size_t i = 0; i < l.scrollCols.size(); ++i)
    if (l.scrollColX[i + 1] > offset)
      return l.scrollCols[i];
  return -1;
}

void FlexGrid::setLeftCol(int col) {
  ensureLayout();
  const Private::Layout& l = d_->layout;
  const auto it = std::lower_bound(l.scrollCols.begin(), l.scrollCols.end(), col);
  if (it != l.scrollCols.end())
    horizontalScrollBar()->setValue(l.scrollColX[static_cast<size_t>(it - l.scrollCols.begin())]);
}

void FlexGrid::ShowCell(int row, int col) {
  ensureLayout();
  const Private::Layout& l = d_->layout;
  const FlexGridModel& m = *d_->model;
  if (row >= m.FixedRows() && row < m.Rows()) {
    const int index = m.visibleIndexOfRow(row);
    const int top = verticalScrollBar()->value();
    const int fit = verticalScrollBar()->pageStep();
    if (index >= 0 && index < top)
      verticalScrollBar()->setValue(index);
    else if (index >= top + fit)
      verticalScrollBar()->setValue(index - fit + 1);
  }
  const auto it = std::lower_bound(l.scrollCols.begin(), l.scrollCols.end(), col);
  if (col >= m.FixedCols() && it != l.scrollCols.end() && *it == col) {
    const auto i = static_cast<size_t>(it - l.scrollCols.begin());
    const int left = l.scrollColX[i];
    const int right = l.scrollColX[i + 1];
    const int offset = horizontalScrollBar()->value();
    const int room = std::max(0, viewport()->width() - l.pinnedWidth);
    if (left < offset)
      horizontalScrollBar()->setValue(left);
    else if (right > offset + room)
      horizontalScrollBar()->setValue(std::min(left, right - room));
  }
}

// ---- colours ----

#define KESTREL_GRID_COLOR(Name, member)          \
  QColor FlexGrid::Name() const {                 \
    return d_->member;                            \
  }                                               \
  void FlexGrid::set##Name(const QColor& color) { \
    d_->member = color;                           \
    viewport()->update();                         \
  }
KESTREL_GRID_COLOR(BackColor, backColor)
KESTREL_GRID_COLOR(ForeColor, foreColor)
KESTREL_GRID_COLOR(BackColorFixed, backColorFixed)
KESTREL_GRID_COLOR(ForeColorFixed, foreColorFixed)
KESTREL_GRID_COLOR(BackColorSel, backColorSel)
KESTREL_GRID_COLOR(ForeColorSel, foreColorSel)
KESTREL_GRID_COLOR(GridColor, gridColor)
KESTREL_GRID_COLOR(GridColorFixed, gridColorFixed)
KESTREL_GRID_COLOR(BackColorBkg, backColorBkg)
#undef KESTREL_GRID_COLOR

int FlexGrid::TabBehavior() const {
  return d_->tabBehavior;
}
void FlexGrid::setTabBehavior(int behavior) {
  d_->tabBehavior = behavior;
}

// ---- keyboard ----

bool FlexGrid::focusNextPrevChild(bool next) {
  if (d_->tabBehavior == flexTabCells && !d_->editing)
    return false;  // Tab moves between cells
  return QAbstractScrollArea::focusNextPrevChild(next);
}

bool FlexGrid::navigate(int key, Qt::KeyboardModifiers modifiers) {
  ensureLayout();
  const FlexGridModel& m = *d_->model;
  const std::vector<int>& cols = d_->layout.cellCols;
  const int count = m.visibleRowCount();
  const bool extend = (modifiers & Qt::ShiftModifier) && key != Qt::Key_Tab && key != Qt::Key_Backtab;
  const bool ctrl = modifiers & Qt::ControlModifier;
  switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
      break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      if (d_->tabBehavior == flexTabCells)
        break;
      return false;
    default:
      return false;
  }
  if (count == 0 || cols.empty())
    return true;
  const int fromRow = extend ? m.RowSel() : m.Row();
  const int fromCol = extend ? m.ColSel() : m.Col();
  int vi = std::min(m.visibleLowerBound(fromRow), count - 1);
  int ci = static_cast<int>(std::lower_bound(cols.begin(), cols.end(), fromCol) - cols.begin());
  ci = std::min(ci, static_cast<int>(cols.size()) - 1);
  const int last = static_cast<int>(cols.size()) - 1;
  const int page = verticalScrollBar()->pageStep();
  const bool backwards = key == Qt::Key_Backtab || (key == Qt::Key_Tab && (modifiers & Qt::ShiftModifier));
  switch (key) {
    case Qt::Key_Up:
      --vi;
      break;
    case Qt::Key_Down:
      ++vi;
      break;
    case Qt::Key_PageUp:
      vi -= page;
      break;
    case Qt::Key_PageDown:
      vi += page;
      break;
    case Qt::Key_Left:
      --ci;
      break;
    case Qt::Key_Right:
      ++ci;
      break;
    case Qt::Key_Home:
      (ctrl ? vi : ci) = 0;
      break;
    case Qt::Key_End:
      ctrl ? vi = count - 1 : ci = last;
      break;
    default:  // Tab wraps to the next or previous row
      ci += backwards ? -1 : 1;
      if (ci > last && vi < count - 1) {
        ci = 0;
        ++vi;
      } else if (ci < 0 && vi > 0) {
        ci = last;
        --vi;
      }
  }
  moveTo(std::clamp(vi, 0, count - 1), std::clamp(ci, 0, last), extend);
  return true;
}

void FlexGrid::moveTo(int visibleIndex, int cellColIndex, bool extend) {
  FlexGridModel& m = *d_->model;
  const int row = m.visibleRowAt(visibleIndex);
  const int col = d_->layout.cellCols[static_cast<size_t>(cellColIndex)];
  if (extend) {
    m.setRowSel(row);
    m.setColSel(col);
  } else {
    m.setCurrentCell(row, col);
  }
  ShowCell(row, col);
}

void FlexGrid::keyPressEvent(QKeyEvent* event) {
  if (d_->editing && editorKeyPress(event))
    return;
  int code = event->key();
  emit KeyDown(code, event->modifiers());
  if (code == 0 || navigate(code, event->modifiers()))
    return;
  FlexGridModel& m = *d_->model;
  const bool editable = m.Editable() != flexEDNone && m.Row() >= 0 && m.Col() >= 0;
  if (editable && (code == Qt::Key_F2 || code == Qt::Key_Return || code == Qt::Key_Enter)) {
    beginEdit();
    return;
  }
  if (editable && code == Qt::Key_Space && m.CellChecked(m.Row(), m.Col()) != flexNoCheckbox) {
    toggleCheck(m.Row(), m.Col());
    return;
  }
  QString text = event->text();
  if (code != event->key())
    text = code >= 0x20 && code < 0x7f ? QString(QChar(code)) : QString();
  const bool control = event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
  if (editable && !control && !text.isEmpty() && text.front().isPrint()) {
    typeText(text);
    return;
  }
  event->ignore();
}

// ---- mouse ----

bool FlexGrid::hitsCheckBox(int row, int col, const QPoint& pos, CellRange* range) const {
  const FlexGridModel& m = *d_->model;
  *range = m.mergedRange(row, col);
  if (m.CellChecked(range->row1, range->col1) == flexNoCheckbox)
    return false;
  const bool centred = m.DisplayText(range->row1, range->col1).trimmed().isEmpty();
  return checkBoxRect(rangeRect(*range), centred).adjusted(-2, -2, 2, 2).contains(pos);
}

void FlexGrid::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QAbstractScrollArea::mousePressEvent(event);
    return;
  }
  if (d_->editing && !commitEdit())
    return;
  setFocus(Qt::MouseFocusReason);
  const QPoint pos = event->position().toPoint();
  const int row = d_->mouseRow = rowAt(pos.y());
  const int col = d_->mouseCol = colAt(pos.x());
  if (row < 0 || col < 0)
    return;
  FlexGridModel& m = *d_->model;
  const bool fixed = row < m.FixedRows() || col < m.FixedCols();
  CellRange range;
  if (m.Editable() != flexEDNone && hitsCheckBox(row, col, pos, &range)) {
    if (!fixed)
      m.setCurrentCell(row, col);
    toggleCheck(range.row1, range.col1);
    return;
  }
  if (fixed)
    return;
  if (!(event->modifiers() & Qt::ShiftModifier) && onDropButton(row, col, pos)) {
    // The list unfolds when the button is let go: unfolded now, the release would land on it
    // and pick the entry under the pointer.
    d_->dropOnRelease = openDropDown(row, col);
    return;
  }
  if (event->modifiers() & Qt::ShiftModifier) {
    m.setRowSel(row);
    m.setColSel(col);
  } else {
    m.setCurrentCell(row, col);
  }
  d_->dragging = true;
  ShowCell(row, col);
}

void FlexGrid::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  const int row = d_->mouseRow = rowAt(pos.y());
  const int col = d_->mouseCol = colAt(pos.x());
  const FlexGridModel& m = *d_->model;
  if (d_->dragging && row >= m.FixedRows() && col >= m.FixedCols()) {
    d_->model->setRowSel(row);
    d_->model->setColSel(col);
  }
}

void FlexGrid::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton)
    return;
  d_->dragging = false;
  if (std::exchange(d_->dropOnRelease, false) && d_->editing && d_->activeEditor == d_->combo) {
    d_->combo->showPopup();
    return;
  }
  emit Click();
}

void FlexGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton)
    return;
  emit DblClick();
  const QPoint pos = event->position().toPoint();
  const int row = rowAt(pos.y());
  const int col = colAt(pos.x());
  FlexGridModel& m = *d_->model;
  if (row < 0 || col < 0 || m.Editable() == flexEDNone)
    return;
  CellRange range;
  if (hitsCheckBox(row, col, pos, &range)) {
    toggleCheck(range.row1, range.col1);
    return;
  }
  if (m.Editable() == flexEDKbdMouse && row >= m.FixedRows() && col >= m.FixedCols()) {
    m.setCurrentCell(row, col);
    beginEdit();
  }
  // A click on the cell and a quick one on its button make a double-click; the button still
  // unfolds the list.
  if (onDropButton(row, col, pos))
    d_->dropOnRelease = (d_->editing && d_->activeEditor == d_->combo) || openDropDown(row, col);
}

bool FlexGrid::onDropButton(int row, int col, const QPoint& pos) const {
  const FlexGridModel& m = *d_->model;
  return row == m.Row() && col == m.Col() && showsDropButton(row, col) &&
         dropButtonRect(rangeRect(m.mergedRange(row, col))).contains(pos);
}

}  // namespace kestrel::grid
