#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QComboBox;

namespace kestrel {

// The text field of an editable drop-down list as auto-completion sees it: its text, the caret
// (or the start of the selection) and the length of the selection.
struct FieldState {
  QString text;
  int selStart = 0;
  int selLength = 0;
};

struct AutoFindResult {
  int keyAscii = 0;    // the character to pass on to the field, 0 when it is dropped
  int listIndex = -1;  // the entry to select, -1 to leave the list as it is
  bool changed = false;
  FieldState field;  // the field after the key when changed is true
};

// Auto-completion of an editable drop-down list for one typed character (Backspace is 8):
// finds the first entry starting with what the field would hold (ignoring case), selects it
// and marks the completed part; without a match the character is passed on unless the
// field is limited to its list.
AutoFindResult AutoFind(const QStringList& entries, const FieldState& field, int keyAscii, bool limitToList);

// The combo box's entry chosen from its list (picked, or selected by auto-completion or by
// program); -1 when its text was typed or pasted since.
int ListIndex(const QComboBox* combo);
// Selects an entry (or -1 for none) as chosen from the list.
void SetListIndex(QComboBox* combo, int index);

// Attaches auto-completion to an editable combo box's line edit: each typed character goes
// through the key filter first (which may change it, or return 0 to drop it), then through
// AutoFind without limit-to-list. Keys combined with Ctrl or Meta are shortcuts (copy, paste,
// select all) and are left alone. Also keeps ListIndex up to date. Owned by the combo box.
class ComboAutoFind : public QObject {
  Q_OBJECT

 public:
  using KeyFilter = std::function<int(int keyAscii)>;

  ComboAutoFind(QComboBox* combo, KeyFilter filter = {});

  // Handles one character as if typed; true when it was passed on to the field.
  bool typeKey(int keyAscii);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QComboBox* combo_;
  KeyFilter filter_;
};

// Key filter of the mobile fields: digits, ".", Backspace and Enter pass, the rest is dropped.
int MobileKeyFilter(int keyAscii);

}  // namespace kestrel
