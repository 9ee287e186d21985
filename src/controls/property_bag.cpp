#include "controls/property_bag.h"

namespace kestrel {

QVariant PropertyBag::ReadProperty(const QString& key, const QVariant& defaultValue) const {
  m_reads.append(key);
  const qsizetype i = indexOf(key);
  return i < 0 ? defaultValue : m_items.at(i).second;
}

void PropertyBag::WriteProperty(const QString& key, const QVariant& value) {
  const qsizetype i = indexOf(key);
  if (i < 0)
    m_items.append({key, value});
  else
    m_items[i].second = value;
}

QStringList PropertyBag::keys() const {
  QStringList result;
  result.reserve(m_items.size());
  for (const auto& item : m_items) result.append(item.first);
  return result;
}

void PropertyBag::clear() {
  m_items.clear();
  m_reads.clear();
}

qsizetype PropertyBag::indexOf(const QString& key) const {
  for (qsizetype i = 0; i < m_items.size(); ++i) {
    if (m_items.at(i).first == key)
      return i;
  }
  return -1;
}

}  // namespace kestrel
