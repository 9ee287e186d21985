// In-place editing and check box toggling, with the notifications window code answers.
#include "platform/grid/flexgrid.h"

#include "platform/grid/flexgrid_p.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScopeGuard>

#include <algorithm>

namespace kestrel::grid {

bool FlexGrid::isEditing() const {
  return d_->editing;
}
int FlexGrid::editRow() const {
  return d_->editing ? d_->editRow : -1;
}
int FlexGrid::editCol() const {
  return d_->editing ? d_->editCol : -1;
}
QWidget* FlexGrid::editor() const {
  return d_->editing ? d_->activeEditor : nullptr;
}

void FlexGrid::EditCell() {
  beginEdit();
}

// Opens the editor on the current cell whatever Editable says: window code calls this on purpose.
bool FlexGrid::beginEdit() {
  const FlexGridModel& m = *d_->model;
  if (m.Row() < 0 || m.Col() < 0)
    return false;
  return startEditing(m.Row(), m.Col(), false);
}

bool FlexGrid::startEditing(int row, int col, bool replaceText) {
  FlexGridModel& m = *d_->model;
  if (d_->editing) {
    if (row == d_->editRow && col == d_->editCol)
      return true;
    if (!commitEdit())
      return false;
  }
  if (row < m.FixedRows() || col < m.FixedCols() || row >= m.Rows() || col >= m.Cols())
    return false;
  bool cancel = false;
  emit BeforeEdit(row, col, cancel);
  if (cancel)
    return false;
  emit StartEdit(row, col, cancel);
  if (cancel)
    return false;
  ShowCell(row, col);

  d_->editRow = row;
  d_->editCol = col;
  d_->originalValue = m.TextMatrix(row, col);
  const ComboList* list = m.comboList(col);
  if (list && !list->isEmpty()) {
    if (!d_->combo) {
      d_->combo = new QComboBox(viewport());
      d_->combo->setFrame(false);
      d_->combo->installEventFilter(this);
    }
    QComboBox* combo = d_->combo;
    combo->clear();
    combo->setEditable(list->isEditable());
    for (const ComboList::Entry& entry : list->entries()) combo->addItem(entry.text, entry.value);
    const int index = list->indexOfValue(d_->originalValue);
    combo->setCurrentIndex(index);
    if (combo->isEditable()) {
      combo->lineEdit()->installEventFilter(this);
      combo->setEditText(replaceText ? QString() : list->displayText(d_->originalValue));
    }
    d_->activeEditor = combo;
  } else {
    if (!d_->lineEdit) {
      d_->lineEdit = new QLineEdit(viewport());
      d_->lineEdit->setFrame(false);
      d_->lineEdit->installEventFilter(this);
    }
    d_->lineEdit->setText(replaceText ? QString() : d_->originalValue);
    if (!replaceText)
      d_->lineEdit->selectAll();
    d_->activeEditor = d_->lineEdit;
  }
  d_->editing = true;
  placeEditor();
  d_->activeEditor->setFocus(Qt::OtherFocusReason);
  viewport()->update();
  return true;
}

bool FlexGrid::showsDropButton(int row, int col) const {
  const FlexGridModel& m = *d_->model;
  const ComboList* list = m.comboList(col);
  return list && !list->isEmpty() && m.Editable() != flexEDNone && row >= m.FixedRows() &&
         col >= m.FixedCols();
}

// The drop-down button: the editor opens as by F2 (BeforeEdit may refuse); true when it is a
// list, which the caller unfolds.
bool FlexGrid::openDropDown(int row, int col) {
  return startEditing(row, col, false) && d_->activeEditor == d_->combo;
}

void FlexGrid::placeEditor() {
  if (!d_->editing || !d_->activeEditor)
    return;
  ensureLayout();
  const FlexGridModel& m = *d_->model;
  if (d_->editRow >= m.Rows() || d_->editCol >= m.Cols()) {
    cancelEdit();
    return;
  }
  // A cell scrolled partly under the headers or the frozen columns shows the editor only in
  // its uncovered part.
  const Private::Layout& l = d_->layout;
  const bool scrolls = std::binary_search(l.scrollCols.begin(), l.scrollCols.end(), d_->editCol);
  const QRect uncovered(QPoint(scrolls ? l.pinnedWidth : l.fixedWidth, l.headerHeight),
                        viewport()->rect().bottomRight());
  const QRect rect = rangeRect(m.mergedRange(d_->editRow, d_->editCol)) & uncovered;
  if (rect.isEmpty()) {
    d_->activeEditor->hide();
    return;
  }
  d_->activeEditor->setGeometry(rect.adjusted(0, 0, -1, -1));
  d_->activeEditor->show();
}

void FlexGrid::closeEditor() {
  QWidget* editor = d_->activeEditor;
  const bool hadFocus = editor && (editor->hasFocus() || editor->isAncestorOf(QApplication::focusWidget()));
  d_->editing = false;
  d_->activeEditor = nullptr;
  if (editor)
    editor->hide();
  if (hadFocus)
    setFocus(Qt::OtherFocusReason);
  viewport()->update();
}

QString FlexGrid::EditText() const {
  if (!d_->editing)
    return {};
  if (d_->activeEditor == d_->lineEdit)
    return d_->lineEdit->text();
  const ComboList* list = d_->model->comboList(d_->editCol);
  QComboBox* combo = d_->combo;
  if (combo->isEditable()) {
    const QString text = combo->currentText();
    const int index = list->indexOfText(text);
    return index < 0 ? text : list->entries()[static_cast<size_t>(index)].value;
  }
  const int index = combo->currentIndex();
  return index < 0 ? d_->originalValue : combo->itemData(index).toString();
}

void FlexGrid::setEditText(const QString& text) {
  if (!d_->editing)
    return;
  if (d_->activeEditor == d_->lineEdit) {
    d_->lineEdit->setText(text);
    return;
  }
  const ComboList* list = d_->model->comboList(d_->editCol);
  const int index = list->indexOfValue(text);
  if (d_->combo->isEditable())
    d_->combo->setEditText(index < 0 ? text : list->entries()[static_cast<size_t>(index)].text);
  else
    d_->combo->setCurrentIndex(index < 0 ? list->indexOfText(text) : index);
}

bool FlexGrid::commitEdit() {
  if (!d_->editing)
    return true;
  if (d_->committing)
    return false;
  d_->committing = true;
  const auto done = qScopeGuard([this] { d_->committing = false; });
  const int row = d_->editRow;
  const int col = d_->editCol;
  bool cancel = false;
  emit ValidateEdit(row, col, cancel);
  if (!d_->editing)
    return true;  // the handler closed the edit itself
  if (cancel) {
    if (d_->activeEditor && !d_->activeEditor->hasFocus())
      d_->activeEditor->setFocus(Qt::OtherFocusReason);
    return false;
  }
  const QString value = EditText();
  closeEditor();
  FlexGridModel& m = *d_->model;
  if (row < m.Rows() && col < m.Cols()) {
    m.setTextMatrix(row, col, value);
    emit AfterEdit(row, col);
  }
  return true;
}

void FlexGrid::cancelEdit() {
  if (d_->editing)
    closeEditor();
}

void FlexGrid::typeText(const QString& text) {
  for (const char32_t ch : text.toUcs4()) sendKeyAscii(static_cast<int>(ch));
}

void FlexGrid::sendKeyAscii(int keyAscii) {
  FlexGridModel& m = *d_->model;
  if (!d_->editing) {
    if (keyAscii < 0x20 || m.Editable() == flexEDNone || m.Row() < 0 || m.Col() < 0)
      return;
    if (keyAscii == u' ' && m.CellChecked(m.Row(), m.Col()) != flexNoCheckbox) {
      toggleCheck(m.Row(), m.Col());
      return;
    }
    if (!startEditing(m.Row(), m.Col(), true))
      return;
  }
  int key = keyAscii;
  emit KeyPressEdit(d_->editRow, d_->editCol, key);
  if (key != 0 && d_->editing)
    applyKey(key);
}

void FlexGrid::applyKey(int keyAscii) {
  switch (keyAscii) {
    case 13:
      commitEdit();
      return;
    case 27:
      cancelEdit();
      return;
    case 8:
      if (QLineEdit* edit = d_->textEditor())
        edit->backspace();
      return;
    default:
      break;
  }
  if (keyAscii < 0x20)
    return;
  const char32_t ch = static_cast<char32_t>(keyAscii);
  const QString text = QString::fromUcs4(&ch, 1);
  if (QLineEdit* edit = d_->textEditor()) {
    edit->insert(text);
    return;
  }
  // A fixed list: the character picks the next entry starting with it.
  QComboBox* combo = d_->combo;
  const int count = combo->count();
  for (int step = 1; step <= count; ++step) {
    const int index = (std::max(combo->currentIndex(), 0) + step) % count;
    if (combo->itemText(index).startsWith(text, Qt::CaseInsensitive)) {
      combo->setCurrentIndex(index);
      return;
    }
  }
}

bool FlexGrid::editorKeyPress(QKeyEvent* event) {
  const int key = event->key();
  const Qt::KeyboardModifiers modifiers = event->modifiers();
  switch (key) {
    case Qt::Key_Escape:
      cancelEdit();
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      sendKeyAscii(13);
      return true;
    case Qt::Key_Backspace:
      sendKeyAscii(8);
      return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      if (commitEdit()) {
        if (d_->tabBehavior == flexTabCells)
          navigate(key, modifiers);
        else
          QAbstractScrollArea::focusNextPrevChild(key == Qt::Key_Tab && !(modifiers & Qt::ShiftModifier));
      }
      return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      if (d_->activeEditor == d_->combo)
        return false;  // the drop-down moves through its entries
      if (commitEdit())
        navigate(key, modifiers & ~Qt::ShiftModifier);
      return true;
    default:
      break;
  }
  const QString text = event->text();
  const bool control = modifiers & (Qt::ControlModifier | Qt::MetaModifier);
  if (control || text.isEmpty() || !text.front().isPrint())
    return false;
  typeText(text);
  return true;
}

bool FlexGrid::eventFilter(QObject* watched, QEvent* event) {
  QWidget* editor = d_->activeEditor;
  const bool fromEditor = d_->editing && editor &&
                          (watched == editor || (editor == d_->combo && d_->combo->isEditable() &&
                                                 watched == d_->combo->lineEdit()));
  if (!fromEditor)
    return QAbstractScrollArea::eventFilter(watched, event);
  if (event->type() == QEvent::KeyPress)
    return editorKeyPress(static_cast<QKeyEvent*>(event));
  if (event->type() == QEvent::FocusOut &&
      static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
    // Leaving the editor for another control commits, once the focus has settled.
    QMetaObject::invokeMethod(
        this,
        [this] {
          QWidget* focus = QApplication::focusWidget();
          QWidget* open = d_->activeEditor;
          if (d_->editing && open && focus != open && !open->isAncestorOf(focus) && focus != this)
            commitEdit();
        },
        Qt::QueuedConnection);
  }
  return QAbstractScrollArea::eventFilter(watched, event);
}

bool FlexGrid::toggleCheck(int row, int col) {
  FlexGridModel& m = *d_->model;
  if (row < 0 || col < 0 || row >= m.Rows() || col >= m.Cols() || m.Editable() == flexEDNone)
    return false;
  const int state = m.CellChecked(row, col);
  if (state == flexNoCheckbox)
    return false;
  if (d_->editing && !commitEdit())
    return false;
  bool cancel = false;
  emit BeforeEdit(row, col, cancel);
  if (cancel)
    return false;
  m.setCellChecked(row, col, state == flexChecked ? flexUnchecked : flexChecked);
  emit AfterEdit(row, col);
  return true;
}

}  // namespace kestrel::grid
