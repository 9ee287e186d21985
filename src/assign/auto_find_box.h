#pragma once

#include "assign/auto_find.h"

#include <QObject>

#include <functional>

class QComboBox;

namespace kestrel {

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

}  // namespace kestrel
