#include "assign/auto_find_box.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

namespace kestrel {

namespace {
constexpr int kBackspace = 8;
constexpr int kEnter = 13;
// Set while the text of the combo box was typed rather than chosen from its list.
constexpr const char* kTypedProperty = "kestrelTyped";
}  // namespace

int ListIndex(const QComboBox* combo) {
  const int index = combo->currentIndex();
  if (index < 0 || !combo->isEditable())
    return index;
  if (combo->property(kTypedProperty).toBool() || combo->itemText(index) != combo->currentText())
    return -1;
  return index;
}

void SetListIndex(QComboBox* combo, int index) {
  combo->setCurrentIndex(index);
  if (combo->isEditable())
    combo->setEditText(index >= 0 ? combo->itemText(index) : QString());
  combo->setProperty(kTypedProperty, false);
}

ComboAutoFind::ComboAutoFind(QComboBox* combo, KeyFilter filter)
    : QObject(combo), combo_(combo), filter_(std::move(filter)) {
  combo_->setEditable(true);
  combo_->setInsertPolicy(QComboBox::NoInsert);
  // The combo box's own completer would complete differently; AutoFind does it here.
  combo_->setCompleter(nullptr);
  // Keys reach the combo box (the line edit's focus proxy), or the line edit itself.
  combo_->installEventFilter(this);
  combo_->lineEdit()->installEventFilter(this);
  connect(combo_->lineEdit(), &QLineEdit::textEdited, this,
          [this] { combo_->setProperty(kTypedProperty, true); });
  connect(combo_, &QComboBox::activated, this, [this] { combo_->setProperty(kTypedProperty, false); });
}

bool ComboAutoFind::typeKey(int keyAscii) {
  QLineEdit* edit = combo_->lineEdit();
  if (filter_)
    keyAscii = filter_(keyAscii);
  if (keyAscii == 0)
    return false;

  QStringList entries;
  entries.reserve(combo_->count());
  for (int i = 0; i < combo_->count(); ++i) entries << combo_->itemText(i);
  const FieldState state{edit->text(),
                         int(edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition()),
                         int(edit->selectedText().size())};
  const AutoFindResult found = AutoFind(entries, state, keyAscii, false);

  if (found.changed) {
    if (found.listIndex >= 0) {
      SetListIndex(combo_, found.listIndex);
    } else {
      edit->setText(found.field.text);
      combo_->setProperty(kTypedProperty, true);
    }
    // The caret goes after the searched part; the completed rest stays selected.
    const int end = found.field.selStart + found.field.selLength;
    edit->setSelection(end, -found.field.selLength);
  }
  if (found.keyAscii == 0)
    return false;

  if (found.keyAscii == kBackspace)
    edit->backspace();
  else if (found.keyAscii != kEnter)
    edit->insert(QString(QChar(char16_t(found.keyAscii))));
  combo_->setProperty(kTypedProperty, true);
  return true;
}

bool ComboAutoFind::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || (watched != combo_ && watched != combo_->lineEdit()))
    return QObject::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  // Shortcuts and Escape (which closes the panel) are not typed characters.
  if ((key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) || key->key() == Qt::Key_Escape)
    return false;
  int keyAscii = 0;
  if (key->key() == Qt::Key_Backspace)
    keyAscii = kBackspace;
  else if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
    keyAscii = kEnter;
  else if (key->text().size() == 1)
    keyAscii = key->text().at(0).unicode();
  else if (key->text().isEmpty())
    return false;  // navigation and other keys without a character
  else
    keyAscii = 0x10000;  // several characters at once (input methods): outside the range
  typeKey(keyAscii);
  return true;
}

}  // namespace kestrel
