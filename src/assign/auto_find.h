#pragma once

#include <QString>
#include <QStringList>

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

// Key filter of the mobile fields: digits, ".", Backspace and Enter pass, the rest is dropped.
int MobileKeyFilter(int keyAscii);

}  // namespace kestrel
