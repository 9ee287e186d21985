#include "combo_list.h"

namespace kestrel::grid {

ComboList ComboList::parse(const QString& source) {
  ComboList list;
  QStringView rest(source);
  if (rest.startsWith(u'|')) {
    list.editable_ = true;
    rest = rest.mid(1);
  }
  if (rest.isEmpty())
    return list;
  for (QStringView item : rest.tokenize(u'|')) {
    Entry entry;
    if (item.startsWith(u'#')) {
      const qsizetype semicolon = item.indexOf(u';');
      entry.value = (semicolon < 0 ? item.mid(1) : item.mid(1, semicolon - 1)).toString();
      item = semicolon < 0 ? item.mid(1) : item.mid(semicolon + 1);
      list.coded_ = true;
    }
    const qsizetype tab = item.indexOf(u'\t');
    entry.text = (tab < 0 ? item : item.left(tab)).toString();
    if (entry.value.isNull())
      entry.value = entry.text;
    if (!list.byValue_.contains(entry.value))
      list.byValue_.insert(entry.value, static_cast<int>(list.entries_.size()));
    list.entries_.push_back(std::move(entry));
  }
  return list;
}

QString ComboList::displayText(const QString& value) const {
  if (!coded_)
    return value;
  const int index = indexOfValue(value);
  return index < 0 ? value : entries_[static_cast<size_t>(index)].text;
}

int ComboList::indexOfText(const QString& text) const {
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].text == text)
      return static_cast<int>(i);
  return -1;
}

}  // namespace kestrel::grid
