// Painting: only the cells on screen, in four parts (header corner, header rows, header and
// frozen columns, scrolling cells), each clipped so scrolled cells never paint under the
// headers or the frozen columns.
#include "platform/grid/flexgrid.h"

#include "platform/grid/flexgrid_p.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSet>
#include <QStyleOptionButton>

namespace kestrel::grid {

namespace {

// One row or column on screen: model index, position and extent in the viewport.
struct Span {
  int index;
  int pos;
  int size;
};

bool looksNumeric(const QString& text) {
  QString plain = text.trimmed();
  plain.remove(u',');
  bool ok = false;
  plain.toDouble(&ok);
  return ok;
}

Qt::Alignment toQt(int alignment, bool numeric) {
  if (alignment == flexAlignGeneral)
    return (numeric ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
  static constexpr Qt::AlignmentFlag horizontal[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
  static constexpr Qt::AlignmentFlag vertical[] = {Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom};
  return horizontal[alignment / 3] | vertical[alignment % 3];
}

}  // namespace

void FlexGrid::paintEvent(QPaintEvent* event) {
  d_->repaintQueued = false;
  ensureLayout();
  QPainter painter(viewport());
  painter.fillRect(event->rect(), d_->backColorBkg);
  if (!d_->model)
    return;
  const FlexGridModel& m = *d_->model;
  const Private::Layout& l = d_->layout;
  const QRect area = viewport()->rect();

  std::vector<Span> headerRows, dataRows, pinnedCols, dataCols;
  for (size_t i = 0; i < l.fixedRows.size(); ++i)
    headerRows.push_back({l.fixedRows[i], l.fixedRowY[i], l.fixedRowH[i]});
  const int top = verticalScrollBar()->value();
  for (int y = l.headerHeight, vi = top; y < area.height(); y += l.rowHeight, ++vi) {
    const int row = m.visibleRowAt(vi);
    if (row < 0)
      break;
    dataRows.push_back({row, y, l.rowHeight});
  }
  for (size_t i = 0; i < l.fixedCols.size(); ++i)
    pinnedCols.push_back({l.fixedCols[i], l.fixedColX[i], m.ColWidth(l.fixedCols[i])});
  for (size_t i = 0; i < l.frozenCols.size(); ++i)
    pinnedCols.push_back({l.frozenCols[i], l.frozenColX[i], m.ColWidth(l.frozenCols[i])});
  const int offset = horizontalScrollBar()->value();
  for (size_t i = 0; i < l.scrollCols.size(); ++i) {
    const int x = l.pinnedWidth + l.scrollColX[i] - offset;
    const int w = l.scrollColX[i + 1] - l.scrollColX[i];
    if (x + w <= l.pinnedWidth)
      continue;
    if (x >= area.width())
      break;
    dataCols.push_back({l.scrollCols[i], x, w});
  }

  const CellRange selection = m.selection();
  auto paintPart = [&](const std::vector<Span>& rows, const std::vector<Span>& cols, const QRect& clip) {
    if (rows.empty() || cols.empty() || !clip.intersects(event->rect()))
      return;
    painter.save();
    painter.setClipRect(clip & event->rect());
    QSet<quint64> mergedDone;
    for (const Span& row : rows) {
      for (const Span& col : cols) {
        QRect rect(col.pos, row.pos, col.size, row.size);
        const CellRange range = m.mergedRange(row.index, col.index);
        if (!range.isSingleCell()) {
          const quint64 key = (static_cast<quint64>(range.row1) << 32) | static_cast<quint32>(range.col1);
          if (mergedDone.contains(key))
            continue;
          mergedDone.insert(key);
          rect = rangeRect(range);
        }
        paintCell(painter, range, rect, selection, clip);
      }
    }
    painter.restore();
  };
  const int right = area.width();
  const int bottom = area.height();
  paintPart(dataRows, dataCols, QRect(QPoint(l.pinnedWidth, l.headerHeight), QPoint(right, bottom)));
  paintPart(dataRows, pinnedCols, QRect(QPoint(0, l.headerHeight), QPoint(l.pinnedWidth - 1, bottom)));
  paintPart(headerRows, dataCols, QRect(QPoint(l.pinnedWidth, 0), QPoint(right, l.headerHeight - 1)));
  paintPart(headerRows, pinnedCols, QRect(0, 0, l.pinnedWidth, l.headerHeight));
  // The frozen columns' right edge in the header colour, down to the last row shown, so the
  // columns scrolled beneath it are seen to continue there.
  if (!l.frozenCols.empty()) {
    const int last = dataRows.empty() ? l.headerHeight : dataRows.back().pos + dataRows.back().size;
    painter.setPen(d_->gridColorFixed);
    painter.drawLine(l.pinnedWidth - 1, 0, l.pinnedWidth - 1, std::min(last, bottom) - 1);
  }
}

void FlexGrid::paintCell(QPainter& painter, const CellRange& range, const QRect& rect,
                         const CellRange& selection, const QRect& part) const {
  const FlexGridModel& m = *d_->model;
  const int row = range.row1;
  const int col = range.col1;
  const bool fixed = row < m.FixedRows() || col < m.FixedCols();
  const bool current = row == m.Row() && col == m.Col();
  const bool selected = !fixed && !current && selection.contains(row, col);

  const QColor cellBack = m.CellBackColor(row, col);
  const QColor cellFore = m.CellForeColor(row, col);
  QColor back = fixed ? d_->backColorFixed : d_->backColor;
  QColor fore = fixed ? d_->foreColorFixed : d_->foreColor;
  if (cellBack.isValid())
    back = cellBack;
  if (cellFore.isValid())
    fore = cellFore;
  if (selected) {
    back = d_->backColorSel;
    fore = d_->foreColorSel;
  }
  painter.fillRect(rect, back);

  const QString text = m.DisplayText(row, col);
  QRect content = rect.adjusted(kCellPadding, 0, -kCellPadding - 1, -1);
  // A merged caption wider than its part of the grid is centred in what shows of it.
  if (!range.isSingleCell())
    content &= part.adjusted(kCellPadding, 0, -kCellPadding, 0);
  const int check = m.CellChecked(row, col);
  if (check != flexNoCheckbox) {
    const bool centred = text.trimmed().isEmpty();
    QStyleOptionButton option;
    option.rect = checkBoxRect(rect, centred);
    option.state = QStyle::State_Enabled;
    option.state |= check == flexChecked     ? QStyle::State_On
                    : check == flexUnchecked ? QStyle::State_Off
                                             : QStyle::State_NoChange;
    option.palette = palette();
    style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter, this);
    content.setLeft(option.rect.right() + kCellPadding);
  }
  const bool editingHere = d_->editing && row == d_->editRow && col == d_->editCol;
  if (current && !fixed && !editingHere && showsDropButton(row, col)) {
    const QRect button = dropButtonRect(rect);
    painter.fillRect(button, palette().color(QPalette::Button));
    QStyleOption arrow;
    arrow.initFrom(this);
    arrow.rect = button.adjusted(3, 4, -3, -4);
    style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &arrow, &painter, this);
    content.setRight(button.left() - 1);
  }
  if (!text.isEmpty() && !editingHere) {
    const int alignment =
        fixed ? (range.isSingleCell() ? m.FixedAlignment(col) : flexAlignCenterCenter) : m.ColAlignment(col);
    painter.setPen(fore);
    painter.drawText(content,
                     static_cast<int>(toQt(alignment, alignment == flexAlignGeneral && looksNumeric(text))),
                     text);
  }

  painter.setPen(fixed ? d_->gridColorFixed : d_->gridColor);
  painter.drawLine(rect.topRight(), rect.bottomRight());
  painter.drawLine(rect.bottomLeft(), rect.bottomRight());
  if (current && !fixed && hasFocus()) {
    painter.setPen(QPen(d_->backColorSel, 2));
    painter.drawRect(rect.adjusted(1, 1, -1, -1));
  } else if (current && !fixed) {
    painter.setPen(QPen(d_->backColorSel, 1, Qt::DotLine));
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
  }
}

}  // namespace kestrel::grid
