#pragma once

#include <QHash>
#include <QString>

#include <vector>

namespace kestrel::grid {

// A column's drop-down list in the grid's list syntax: entries separated by "|"; an entry
// "#code;text" stores code in the cell and shows text; a list starting with "|" lets the user
// type any text as well; a plain entry stores its own text. Text after a TAB in an entry (extra
// list columns) is not shown. A stored value without an entry is shown as it is.
class ComboList {
 public:
  struct Entry {
    QString value;  // what the cell stores
    QString text;   // what the cell and the list show
  };

  static ComboList parse(const QString& source);

  bool isEmpty() const { return entries_.empty() && !editable_; }
  bool isEditable() const { return editable_; }
  bool isCoded() const { return coded_; }
  const std::vector<Entry>& entries() const { return entries_; }

  QString displayText(const QString& value) const;
  int indexOfValue(const QString& value) const { return byValue_.value(value, -1); }
  int indexOfText(const QString& text) const;

 private:
  std::vector<Entry> entries_;
  QHash<QString, int> byValue_;
  bool editable_ = false;
  bool coded_ = false;
};

}  // namespace kestrel::grid
