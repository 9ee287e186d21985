#pragma once

// FlexGrid: the grid control's widget. It paints the cells of a FlexGridModel that are on
// screen (header rows stay on top, header and frozen columns at the left while the rest scrolls),
// moves the current cell with the keyboard and mouse, toggles check boxes and edits cells in
// place with a line edit or, for columns with a combo list, a drop-down.
//
// Notifications (connect directly; the reference parameters are answers to the grid):
//   BeforeEdit(row, col, cancel)      before an edit starts or a check box toggles
//   StartEdit(row, col, cancel)       before the editor opens
//   KeyPressEdit(row, col, keyAscii)  each character typed while editing (also Backspace 8 and
//                                     Enter 13); change it, or set 0 to drop it
//   ValidateEdit(row, col, cancel)    before the edited text is stored; read or change it with
//                                     EditText/setEditText; cancel keeps the editor open
//   AfterEdit(row, col)               after the value is stored or a check box toggled
//   KeyDown(keyCode, shift)           a Qt::Key pressed while not editing; set 0 to swallow it
//   EnterCell()                       the current cell changed
//   Click(), DblClick()
//
// Editing starts with EditCell() (or beginEdit()), F2, Enter, a typed character (which replaces
// the text) or, with flexEDKbdMouse, a double-click. The current cell of a column with a list
// shows a drop-down button; clicking it opens the editor with its list unfolded. Enter, Tab,
// arrow keys up/down and clicking elsewhere commit; Escape cancels. Tests can drive the same
// path with sendKeyAscii/typeText, commitEdit and cancelEdit.

#include "platform/grid/flexgrid_model.h"

#include <QAbstractScrollArea>
#include <QColor>

#include <memory>

class QPainter;

namespace kestrel::grid {

class FlexGrid : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit FlexGrid(QWidget* parent = nullptr);                        // with a model of its own
  explicit FlexGrid(FlexGridModel* model, QWidget* parent = nullptr);  // over a given model
  ~FlexGrid() override;

  FlexGridModel* model() const;

  // The model's most used properties, so that window code reads grid.Rows() as it always has.
  int Rows() const { return model()->Rows(); }
  void setRows(int rows) { model()->setRows(rows); }
  int Cols() const { return model()->Cols(); }
  void setCols(int cols) { model()->setCols(cols); }
  int Row() const { return model()->Row(); }
  void setRow(int row) { model()->setRow(row); }
  int Col() const { return model()->Col(); }
  void setCol(int col) { model()->setCol(col); }
  QString TextMatrix(int row, int col) const { return model()->TextMatrix(row, col); }
  void setTextMatrix(int row, int col, const QString& text) { model()->setTextMatrix(row, col, text); }
  int Editable() const { return model()->Editable(); }
  void setEditable(int setting) { model()->setEditable(setting); }
  int FrozenCols() const { return model()->FrozenCols(); }
  void setFrozenCols(int cols) { model()->setFrozenCols(cols); }

  // Scrolling: the first shown scrollable row and the first shown column that scrolls sideways
  // (frozen columns stay put while they leave a third of the width to the rest).
  int TopRow() const;
  void setTopRow(int row);
  int BottomRow() const;
  int LeftCol() const;
  void setLeftCol(int col);
  void ShowCell(int row, int col);

  // Geometry in viewport coordinates; -1 or an empty rectangle when not on screen.
  int rowAt(int y) const;
  int colAt(int x) const;
  QRect cellRect(int row, int col) const;
  QRect rangeRect(const CellRange& range) const;
  int MouseRow() const;
  int MouseCol() const;

  QColor BackColor() const;
  void setBackColor(const QColor& color);
  QColor ForeColor() const;
  void setForeColor(const QColor& color);
  QColor BackColorFixed() const;
  void setBackColorFixed(const QColor& color);
  QColor ForeColorFixed() const;
  void setForeColorFixed(const QColor& color);
  QColor BackColorSel() const;
  void setBackColorSel(const QColor& color);
  QColor ForeColorSel() const;
  void setForeColorSel(const QColor& color);
  QColor GridColor() const;
  void setGridColor(const QColor& color);
  QColor GridColorFixed() const;
  void setGridColorFixed(const QColor& color);
  QColor BackColorBkg() const;
  void setBackColorBkg(const QColor& color);
  int TabBehavior() const;
  void setTabBehavior(int behavior);

  bool isEditing() const;
  int editRow() const;
  int editCol() const;
  QWidget* editor() const;
  void EditCell();
  bool beginEdit();  // EditCell, telling whether the editor opened
  QString EditText() const;
  void setEditText(const QString& text);
  // A character as if typed (code point, or 8 Backspace, 13 Enter, 27 Escape); a printable one
  // starts editing the current cell when no edit is open.
  void sendKeyAscii(int keyAscii);
  void typeText(const QString& text);
  bool commitEdit();  // false when ValidateEdit refused; true when stored or nothing was open
  void cancelEdit();
  // Toggles a check box as a click or Space does, through BeforeEdit and AfterEdit.
  bool toggleCheck(int row, int col);

 signals:
  void BeforeEdit(int row, int col, bool& cancel);
  void StartEdit(int row, int col, bool& cancel);
  void KeyPressEdit(int row, int col, int& keyAscii);
  void ValidateEdit(int row, int col, bool& cancel);
  void AfterEdit(int row, int col);
  void KeyDown(int& keyCode, Qt::KeyboardModifiers shift);
  void EnterCell();
  void Click();
  void DblClick();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void changeEvent(QEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Private;
  friend struct Private;

  void connectModel();
  void ensureLayout() const;
  void scheduleLayout();
  void scheduleRepaint();
  void updateScrollBars();
  bool navigate(int key, Qt::KeyboardModifiers modifiers);
  void moveTo(int visibleIndex, int cellColIndex, bool extend);
  bool startEditing(int row, int col, bool replaceText);
  void applyKey(int keyAscii);
  void closeEditor();
  void placeEditor();
  bool editorKeyPress(QKeyEvent* event);
  bool hitsCheckBox(int row, int col, const QPoint& pos, CellRange* range) const;
  bool showsDropButton(int row, int col) const;
  bool onDropButton(int row, int col, const QPoint& pos) const;
  bool openDropDown(int row, int col);
  void paintCell(QPainter& painter, const CellRange& range, const QRect& rect, const CellRange& selection,
                 const QRect& part) const;

  std::unique_ptr<Private> d_;
};

}  // namespace kestrel::grid
